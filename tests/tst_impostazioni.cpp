// The settings files (DatiIndex.cfg, fut.txt), the index list and the command line.
#include <QtTest>

#include "shell/Impostazioni.h"

class TestImpostazioni : public QObject {
    Q_OBJECT
private slots:
    void readsFields_data();
    void readsFields();
    void readerPastEndStaysEmpty();
    void buildsList_data();
    void buildsList();
    void decodes_data();
    void decodes();
    void nulBytesDoNotStopTheList();
    void largeFiles();
    void arguments_data();
    void arguments();
};

static QStringList allFields(const QString &text)
{
    LettoreCampi reader(text);
    QStringList fields;
    for (int i = 0; i < 1000 && !reader.Fine(); ++i)
        fields << reader.LeggiCampo();
    return fields;
}

void TestImpostazioni::readsFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("only empty lines") << " \r\n\n\r \t\r\n" << QStringList();
    QTest::newRow("one line") << "Nasdaq,^IXIC" << QStringList{"Nasdaq", "^IXIC"};
    QTest::newRow("CR LF") << "a,b\r\nc,d\r\n" << QStringList{"a", "b", "c", "d"};
    QTest::newRow("CR alone") << "a,b\rc,d\r" << QStringList{"a", "b", "c", "d"};
    QTest::newRow("LF alone") << "a,b\nc,d\n" << QStringList{"a", "b", "c", "d"};
    QTest::newRow("LF CR is two breaks") << "a\n\rb" << QStringList{"a", "", "b"};
    QTest::newRow("split over lines") << "a\r\nb\r\nc" << QStringList{"a", "b", "c"};
    QTest::newRow("trailing empty lines") << "a,b\r\n\r\n\r\n  \r\n" << QStringList{"a", "b"};
    QTest::newRow("empty between commas") << "a,,b" << QStringList{"a", "", "b"};
    QTest::newRow("comma then line break") << "a,\r\nb" << QStringList{"a", "", "b"};
    QTest::newRow("blanks before fields") << "  a,\t b,   c" << QStringList{"a", "b", "c"};
    QTest::newRow("blanks after kept") << "a ,b" << QStringList{"a ", "b"};
    QTest::newRow("quoted comma") << "\"Dow, Jones\",^DJI" << QStringList{"Dow, Jones", "^DJI"};
    QTest::newRow("blanks before quote") << "  \"x y\",z" << QStringList{"x y", "z"};
    QTest::newRow("after closing quote skipped")
        << "\"ab\"cd \"e\",f\r\n\"g\" h\r\ni" << QStringList{"ab", "f", "g", "i"};
    QTest::newRow("line break inside quotes") << "\"a\r\nb\",c" << QStringList{"a\r\nb", "c"};
    QTest::newRow("empty quotes") << "\"\",x" << QStringList{"", "x"};
    QTest::newRow("unterminated quote") << "a,\"bc,d\r\n" << QStringList{"a", "bc,d\r\n"};
    QTest::newRow("quote inside plain field") << "a\"b,c" << QStringList{"a\"b", "c"};
}

void TestImpostazioni::readsFields()
{
    QFETCH(QString, text);
    QFETCH(QStringList, fields);
    QCOMPARE(allFields(text), fields);
}

void TestImpostazioni::readerPastEndStaysEmpty()
{
    LettoreCampi reader(QStringLiteral("a\r\n"));
    QVERIFY(!reader.Fine());
    QCOMPARE(reader.LeggiCampo(), QStringLiteral("a"));
    QVERIFY(reader.Fine());
    QCOMPARE(reader.LeggiCampo(), QString());
    QCOMPARE(reader.LeggiCampo(), QString());
    QVERIFY(reader.Fine());
}

void TestImpostazioni::buildsList_data()
{
    QTest::addColumn<bool>("hasFut");
    QTest::addColumn<QString>("fut");
    QTest::addColumn<QString>("dati");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("symbols");

    const QString f = NomeFutures;
    const QString two = "Nasdaq,^IXIC\r\nD.Jones,^DJI\r\n";
    QTest::newRow("fut first") << true << "CZ26\r\n" << two
        << QStringList{f, "Nasdaq", "D.Jones"} << QStringList{"CZ26", "^IXIC", "^DJI"};
    QTest::newRow("no fut") << false << "" << two
        << QStringList{"Nasdaq", "D.Jones"} << QStringList{"^IXIC", "^DJI"};
    QTest::newRow("quoted code") << true << "\"CZ26\"\r\n" << ""
        << QStringList{f} << QStringList{"CZ26"};
    QTest::newRow("code with comma") << true << "CZ,26\r\n" << ""
        << QStringList{f} << QStringList{"CZ"};
    QTest::newRow("quoted code with comma") << true << " \"C,Z\"x\r\n" << ""
        << QStringList{f} << QStringList{"C,Z"};
    QTest::newRow("zero-length fut") << true << "" << two
        << QStringList{f, "Nasdaq", "D.Jones"} << QStringList{"", "^IXIC", "^DJI"};
    QTest::newRow("fut of empty lines") << true << "\r\n\r\n" << ""
        << QStringList{f} << QStringList{""};
    QTest::newRow("empty settings") << false << "" << "" << QStringList() << QStringList();
    QTest::newRow("record over two lines") << false << "" << "Nasdaq\r\n^IXIC\nD.Jones\r^DJI"
        << QStringList{"Nasdaq", "D.Jones"} << QStringList{"^IXIC", "^DJI"};
    QTest::newRow("trailing empty lines") << false << "" << "Nasdaq,^IXIC\r\n\r\n\r\n \r\n"
        << QStringList{"Nasdaq"} << QStringList{"^IXIC"};
    QTest::newRow("missing last symbol") << true << "CZ26" << "Nasdaq,^IXIC\r\nD.Jones\r\n"
        << QStringList{f, "Nasdaq"} << QStringList{"CZ26", "^IXIC"};
    QTest::newRow("missing last symbol after comma") << false << "" << "Nasdaq,^IXIC\r\nD.Jones,  \r\n"
        << QStringList{"Nasdaq"} << QStringList{"^IXIC"};
    QTest::newRow("empty quoted last symbol kept") << false << "" << "Nasdaq,\"\""
        << QStringList{"Nasdaq"} << QStringList{""};
    QTest::newRow("quoted names") << false << "" << "\"Dow, Jones\", \"^DJI\"\r\n\"S&P\",^GSPC"
        << QStringList{"Dow, Jones", "S&P"} << QStringList{"^DJI", "^GSPC"};
}

void TestImpostazioni::buildsList()
{
    QFETCH(bool, hasFut);
    QFETCH(QString, fut);
    QFETCH(QString, dati);
    QFETCH(QStringList, names);
    QFETCH(QStringList, symbols);

    const ListaIndici list = CostruisciLista(hasFut ? &fut : nullptr, dati);
    QCOMPARE(list.Nomi, names);
    QCOMPARE(list.Simboli, symbols);
    QCOMPARE(list.ConFutures, hasFut);
    QCOMPARE(list.CodiceFutures, hasFut ? symbols.value(0) : QString());
}

void TestImpostazioni::decodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ascii") << QByteArray("Nasdaq,^IXIC\r\n") << "Nasdaq,^IXIC\r\n";
    QTest::newRow("utf-8") << QByteArray("Fut\xC3\xB9res") << NomeFutures;
    QTest::newRow("utf-8 with BOM") << QByteArray("\xEF\xBB\xBFNasdaq") << "Nasdaq";
    QTest::newRow("only one BOM dropped")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx") << QStringLiteral("\uFEFFx");
    QTest::newRow("1252 a grave") << QByteArray("Citt\xE0,a") << QStringLiteral("Citt\u00E0,a");
    QTest::newRow("1252 euro") << QByteArray("\x80 5") << QStringLiteral("\u20AC 5");
    QTest::newRow("1252 quotes") << QByteArray("\x93x\x94\x9F") << QStringLiteral("\u201Cx\u201D\u0178");
    QTest::newRow("1252 unassigned byte") << QByteArray("\x81") << QStringLiteral("\u0081");
    QTest::newRow("one bad byte makes all 1252")
        << QByteArray("\xC3\xA0\xE0") << QStringLiteral("\u00C3\u00A0\u00E0");
    QTest::newRow("utf-8 cut at end") << QByteArray("ab\xC3") << QStringLiteral("ab\u00C3");
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80")
        << QStringLiteral("\u00ED\u00A0\u20AC");
    QTest::newRow("BOM then 1252") << QByteArray("\xEF\xBB\xBF\xE0") << QStringLiteral("\u00E0");
    QTest::newRow("NUL in utf-8") << QByteArray("a\0b", 3) << QStringView(u"a\0b", 3).toString();
    QTest::newRow("NUL in 1252") << QByteArray("\xE0\0b", 3) << QStringView(u"\u00E0\0b", 3).toString();
}

void TestImpostazioni::decodes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(DecodificaImpostazioni(bytes), text);
}

void TestImpostazioni::nulBytesDoNotStopTheList()
{
    // The length is counted by the compiler: the literal holds 19 bytes, no more.
    static const char raw[] = "N\0a,^A\0\r\nD\xE0,\"^\0B\"\r\n";
    const QByteArray bytes(raw, sizeof raw - 1);
    const ListaIndici list = CostruisciLista(nullptr, DecodificaImpostazioni(bytes));
    QCOMPARE(list.Nomi, (QStringList{QStringView(u"N\0a", 3).toString(), QStringLiteral("D\u00E0")}));
    QCOMPARE(list.Simboli, (QStringList{QStringView(u"^A\0", 3).toString(), QStringView(u"^\0B", 3).toString()}));
}

void TestImpostazioni::largeFiles()
{
    const qsizetype size = 10 * 1024 * 1024;

    // Many ordinary records, in Windows-1252.
    QByteArray records;
    records.reserve(size + 64);
    int count = 0;
    for (; records.size() < size; ++count)
        records += "Indice\xE0" + QByteArray::number(count) + ",\"S," + QByteArray::number(count) + "\"\r\n";
    const ListaIndici many = CostruisciLista(nullptr, DecodificaImpostazioni(records));
    QCOMPARE(many.Nomi.size(), count);
    QCOMPARE(many.Nomi.last(), QStringLiteral("Indice\u00E0%1").arg(count - 1));
    QCOMPARE(many.Simboli.last(), QStringLiteral("S,%1").arg(count - 1));

    // Long runs of line breaks and blanks: each empty line is an empty field,
    // the trailing run is the end of the file.
    const QString breaks = QString(size / 4, u'\n');
    const ListaIndici sparse = CostruisciLista(nullptr, "a" + breaks + "b" + breaks + QString(size / 4, u' '));
    QCOMPARE(sparse.Nomi.size(), size / 8);
    QCOMPARE(sparse.Nomi.first(), QStringLiteral("a"));
    QCOMPARE(sparse.Simboli.last(), QString());

    // An unterminated quote takes the rest of a large file as one symbol.
    const ListaIndici open = CostruisciLista(nullptr, "x,\"" + QString(size, u'y'));
    QCOMPARE(open.Simboli.size(), 1);
    QCOMPARE(open.Simboli.first().size(), size);
}

void TestImpostazioni::arguments_data()
{
    QTest::addColumn<QStringList>("argv");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");

    QTest::newRow("none") << QStringList{"/opt/quotaro"} << "" << -1;
    QTest::newRow("empty list") << QStringList() << "" << -1;
    QTest::newRow("1") << QStringList{"/opt/quotaro", "1"} << "1" << 1;
    QTest::newRow("2") << QStringList{"quotaro", "2"} << "2" << 2;
    QTest::newRow("3") << QStringList{"quotaro", "3"} << "3" << -1;
    QTest::newRow("0") << QStringList{"quotaro", "0"} << "0" << -1;
    QTest::newRow("01") << QStringList{"quotaro", "01"} << "01" << -1;
    QTest::newRow("blank before") << QStringList{"quotaro", " 1"} << " 1" << -1;
    QTest::newRow("blank after") << QStringList{"quotaro", "2 "} << "2 " << -1;
    QTest::newRow("two arguments") << QStringList{"quotaro", "1", "2"} << "1 2" << -1;
    QTest::newRow("empty argument") << QStringList{"quotaro", ""} << "" << -1;
    QTest::newRow("1 after empty") << QStringList{"quotaro", "", "1"} << " 1" << -1;
    QTest::newRow("words") << QStringList{"quotaro", "a b", "c"} << "a b c" << -1;
}

void TestImpostazioni::arguments()
{
    QFETCH(QStringList, argv);
    QFETCH(QString, text);
    QFETCH(int, position);
    QCOMPARE(TestoArgomenti(argv), text);
    QCOMPARE(PosizioneDaArgomento(text), position);
}

QTEST_GUILESS_MAIN(TestImpostazioni)
#include "tst_impostazioni.moc"
