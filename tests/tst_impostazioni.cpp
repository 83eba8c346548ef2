// The settings files (DatiIndex.cfg, fut.txt) from bytes to index list, and the command line.
#include <QtTest>

#include "shell/Impostazioni.h"

class TestImpostazioni : public QObject {
    Q_OBJECT
private slots:
    void buildsList_data() {
        QTest::addColumn<bool>("hasFut");
        QTest::addColumn<QByteArray>("fut");
        QTest::addColumn<QByteArray>("dati");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("symbols");
        const QString f = NomeFutures;
        const QByteArray two = "Nasdaq,^IXIC\r\nD.Jones,^DJI\r\n";
        QTest::newRow("fut first, CR LF") << true << QByteArray("CZ26\r\n") << two << QStringList{f, "Nasdaq", "D.Jones"} << QStringList{"CZ26", "^IXIC", "^DJI"};
        QTest::newRow("no fut") << false << QByteArray() << two << QStringList{"Nasdaq", "D.Jones"} << QStringList{"^IXIC", "^DJI"};
        QTest::newRow("zero-length fut") << true << QByteArray() << two << QStringList{f, "Nasdaq", "D.Jones"} << QStringList{"", "^IXIC", "^DJI"};
        QTest::newRow("quoted code") << true << QByteArray("\"CZ26\"\r\n") << QByteArray() << QStringList{f} << QStringList{"CZ26"};
        QTest::newRow("code with comma") << true << QByteArray("CZ,26\r\n") << QByteArray() << QStringList{f} << QStringList{"CZ"};
        QTest::newRow("quoted code with comma") << true << QByteArray(" \"C,Z\"x\r\n") << QByteArray() << QStringList{f} << QStringList{"C,Z"};
        QTest::newRow("CR alone, LF alone") << false << QByteArray() << QByteArray("a,b\rc,d\ne,f\n") << QStringList{"a", "c", "e"} << QStringList{"b", "d", "f"};
        QTest::newRow("LF CR is two breaks") << false << QByteArray() << QByteArray("a\n\rb,c") << QStringList{"a", "b"} << QStringList{"", "c"};
        QTest::newRow("record over two lines") << false << QByteArray() << QByteArray("Nasdaq\r\n^IXIC\nD.Jones\r^DJI") << QStringList{"Nasdaq", "D.Jones"} << QStringList{"^IXIC", "^DJI"};
        QTest::newRow("trailing empty lines") << false << QByteArray() << QByteArray("Nasdaq,^IXIC\r\n\r\n\r\n \r\n") << QStringList{"Nasdaq"} << QStringList{"^IXIC"};
        QTest::newRow("blanks before, empty between commas") << false << QByteArray() << QByteArray("  a,,\t b,   c ") << QStringList{"a", "b"} << QStringList{"", "c "};
        QTest::newRow("quoted fields with commas") << false << QByteArray() << QByteArray("\"Dow, Jones\", \"^DJI\"\r\n\"S&P\",^GSPC") << QStringList{"Dow, Jones", "S&P"} << QStringList{"^DJI", "^GSPC"};
        QTest::newRow("after closing quote skipped") << false << QByteArray() << QByteArray("\"ab\"cd \"e\",f\r\n\"g\" h\r\ni") << QStringList{"ab", "g"} << QStringList{"f", "i"};
        QTest::newRow("line break inside quotes") << false << QByteArray() << QByteArray("\"a\r\nb\",c") << QStringList{"a\r\nb"} << QStringList{"c"};
        QTest::newRow("unterminated quote") << false << QByteArray() << QByteArray("a,\"bc,d\r\n") << QStringList{"a"} << QStringList{"bc,d\r\n"};
        QTest::newRow("quote inside plain field") << false << QByteArray() << QByteArray("a\"b,c") << QStringList{"a\"b"} << QStringList{"c"};
        QTest::newRow("missing last symbol dropped") << true << QByteArray("CZ26") << QByteArray("Nasdaq,^IXIC\r\nD.Jones\r\n") << QStringList{f, "Nasdaq"} << QStringList{"CZ26", "^IXIC"};
        QTest::newRow("missing last symbol after comma") << false << QByteArray() << QByteArray("Nasdaq,^IXIC\r\nD.Jones,  \r\n") << QStringList{"Nasdaq"} << QStringList{"^IXIC"};
        QTest::newRow("empty quoted last symbol kept") << false << QByteArray() << QByteArray("Nasdaq,\"\"") << QStringList{"Nasdaq"} << QStringList{""};
        QTest::newRow("utf-8") << true << QByteArray("C\xC3\xB9") << QByteArray("Fut\xC3\xB9res,x") << QStringList{f, f} << QStringList{QStringLiteral("C\u00f9"), "x"};
        QTest::newRow("utf-8 BOM") << false << QByteArray() << QByteArray("\xEF\xBB\xBFNasdaq,x") << QStringList{"Nasdaq"} << QStringList{"x"};
        QTest::newRow("BOM then 1252") << false << QByteArray() << QByteArray("\xEF\xBB\xBF\xE0,x") << QStringList{QStringLiteral("\u00E0")} << QStringList{"x"};
        QTest::newRow("1252 accented, euro, quotes") << true << QByteArray("\xE0") << QByteArray("Citt\xE0,\x80\x93x\x94\x9F") << QStringList{f, QStringLiteral("Citt\u00E0")} << QStringList{QStringLiteral("\u00E0"), QStringLiteral("\u20AC\u201Cx\u201D\u0178")};
        QTest::newRow("one bad byte makes all 1252") << false << QByteArray() << QByteArray("\xC3\xA0\xE0,ab\xC3") << QStringList{QStringLiteral("\u00C3\u00A0\u00E0")} << QStringList{QStringLiteral("ab\u00C3")};
        // Regression: a NUL byte once ended the list.
        QTest::newRow("nulBytesDoNotStopTheList") << false << QByteArray() << QByteArray("N\0a,^A\0\r\nD\xE0,\"^\0B\"\r\n", 19) << QStringList{QStringView(u"N\0a", 3).toString(), QStringLiteral("D\u00E0")} << QStringList{QStringView(u"^A\0", 3).toString(), QStringView(u"^\0B", 3).toString()};
    }
    void buildsList() {
        QFETCH(bool, hasFut);
        QFETCH(QByteArray, fut);
        QFETCH(QByteArray, dati);
        QFETCH(QStringList, names);
        QFETCH(QStringList, symbols);
        const QString futText = DecodificaImpostazioni(fut);
        const ListaIndici list = CostruisciLista(hasFut ? &futText : nullptr, DecodificaImpostazioni(dati));
        QCOMPARE(list.Nomi, names);
        QCOMPARE(list.Simboli, symbols);
        QCOMPARE(list.ConFutures, hasFut);
        QCOMPARE(list.CodiceFutures, hasFut ? symbols.value(0) : QString());
    }

    // Long runs of line breaks once took quadratic time; this must finish in moments.
    void largeFiles() {
        const qsizetype size = 10 * 1024 * 1024;
        const QString breaks(size / 4, u'\n');
        const ListaIndici sparse = CostruisciLista(nullptr, "a" + breaks + "b" + breaks + QString(size / 4, u' '));
        QCOMPARE(sparse.Nomi.size(), size / 8);
        QCOMPARE(sparse.Simboli.last(), QString());
        const ListaIndici open = CostruisciLista(nullptr, "x,\"" + QString(size, u'y'));
        QCOMPARE(open.Simboli.value(0).size(), size);
    }

    void arguments_data() {
        QTest::addColumn<QStringList>("argv");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::newRow("none") << QStringList{"/opt/quotaro"} << "" << -1;
        QTest::newRow("empty") << QStringList{"quotaro", ""} << "" << -1;
        QTest::newRow("1") << QStringList{"/opt/quotaro", "1"} << "1" << 1;
        QTest::newRow("2") << QStringList{"quotaro", "2"} << "2" << 2;
        QTest::newRow("3") << QStringList{"quotaro", "3"} << "3" << -1;
        QTest::newRow("01") << QStringList{"quotaro", "01"} << "01" << -1;
        QTest::newRow("blank 1") << QStringList{"quotaro", " 1"} << " 1" << -1;
        QTest::newRow("1 after empty") << QStringList{"quotaro", "", "1"} << " 1" << -1;
        QTest::newRow("two arguments") << QStringList{"quotaro", "1", "2"} << "1 2" << -1;
    }
    void arguments() {
        QFETCH(QStringList, argv);
        QFETCH(QString, text);
        QFETCH(int, position);
        QCOMPARE(TestoArgomenti(argv), text);
        QCOMPARE(PosizioneDaArgomento(text), position);
    }
};

QTEST_GUILESS_MAIN(TestImpostazioni)
#include "tst_impostazioni.moc"
