// The settings files (DatiIndex.cfg, fut.txt) from bytes to index list, and the command line.
#include <QtTest>

#include "shell/Impostazioni.h"

// Fields of a row joined by "|"; "~" stands for a NUL character.
static QStringList fields(const QString &text) { return QString(text).replace(u'~', QChar(0)).split(u'|'); }

class TestImpostazioni : public QObject {
    Q_OBJECT
private slots:
    void buildsList_data()
    {
        QTest::addColumn<QByteArray>("fut"); QTest::addColumn<QByteArray>("dati"); // fut null: no fut.txt
        QTest::addColumn<QString>("names"); QTest::addColumn<QString>("symbols");
        const QByteArray two = "Nasdaq,^IXIC\r\nD.Jones,^DJI\r\n", none;
        auto row = [](const char *name, const QByteArray &fut, const QByteArray &dati, const QString &names,
                      const QString &symbols) { QTest::newRow(name) << fut << dati << names << symbols; };
        row("fut first, CR LF", "CZ26\r\n", two, "Fut\u00f9res|Nasdaq|D.Jones", "CZ26|^IXIC|^DJI");
        row("no fut", none, two, "Nasdaq|D.Jones", "^IXIC|^DJI");
        row("zero-length fut", "", two, "Fut\u00f9res|Nasdaq|D.Jones", "|^IXIC|^DJI");
        row("code with comma", "CZ,26\r\n", "", "Fut\u00f9res", "CZ");
        row("quoted code with comma", " \"C,Z\"x\r\n", "", "Fut\u00f9res", "C,Z");
        row("CR alone, LF alone", none, "a,b\rc,d\ne,f\n", "a|c|e", "b|d|f");
        row("LF CR is two breaks", none, "a\n\rb,c", "a|b", "|c");
        row("record over two lines", none, "Nasdaq\r\n^IXIC\nD.Jones\r^DJI", "Nasdaq|D.Jones", "^IXIC|^DJI");
        row("trailing empty lines", none, "Nasdaq,^IXIC\r\n\r\n\r\n \r\n", "Nasdaq", "^IXIC");
        row("blanks before, empty between commas", none, "  a,,\t b,   c ", "a|b", "|c ");
        row("quoted fields with commas", none, "\"Dow, Jones\", \"^DJI\"\r\n\"S&P\",^GSPC", "Dow, Jones|S&P",
            "^DJI|^GSPC");
        row("after closing quote skipped", none, "\"ab\"cd \"e\",f\r\n\"g\" h\r\ni", "ab|g", "f|i");
        row("line break inside quotes", none, "\"a\r\nb\",c", "a\r\nb", "c");
        row("unterminated quote", none, "a,\"bc,d\r\n", "a", "bc,d\r\n");
        row("quote inside plain field", none, "a\"b,c", "a\"b", "c");
        row("missing last symbol dropped", "CZ26", "Nasdaq,^IXIC\r\nD.Jones\r\n", "Fut\u00f9res|Nasdaq", "CZ26|^IXIC");
        row("missing last symbol after comma", none, "Nasdaq,^IXIC\r\nD.Jones,  \r\n", "Nasdaq", "^IXIC");
        row("empty quoted last symbol kept", none, "Nasdaq,\"\"", "Nasdaq", "");
        row("utf-8", "C\xC3\xB9", "Fut\xC3\xB9res,x", "Fut\u00f9res|Fut\u00f9res", "C\u00f9|x");
        row("utf-8 BOM", none, "\xEF\xBB\xBFNasdaq,x", "Nasdaq", "x");
        row("utf-16 LE", none, QByteArray("\xFF\xFEN\0\xE0\0,\0x\0\r\0\n\0", 14), "N\u00E0", "x");
        row("utf-16 BE", QByteArray("\xFE\xFF\0C", 4), QByteArray("\xFE\xFF\0N\0,\0x", 8), "Fut\u00f9res|N", "C|x");
        row("BOM then 1252", none, "\xEF\xBB\xBF\xE0,x", "\u00E0", "x");
        row("1252 accented, euro, quotes", "\xE0", "Citt\xE0,\x80\x93x\x94\x9F", "Fut\u00f9res|Citt\u00E0",
            "\u00E0|\u20AC\u201Cx\u201D\u0178");
        row("one bad byte makes all 1252", none, "\xC3\xA0\xE0,ab\xC3", "\u00C3\u00A0\u00E0", "ab\u00C3");
        // A NUL byte once ended the list.
        row("NUL bytes do not stop the list", none, QByteArray("N\0a,^A\0\r\nD\xE0,\"^\0B\"\r\n", 19), "N~a|D\u00E0",
            "^A~|^~B");
    }
    void buildsList()
    {
        QFETCH(QByteArray, fut); QFETCH(QByteArray, dati); QFETCH(QString, names); QFETCH(QString, symbols);
        const QString futText = DecodificaImpostazioni(fut);
        const ListaIndici list = CostruisciLista(fut.isNull() ? nullptr : &futText, DecodificaImpostazioni(dati));
        QCOMPARE(QList<QStringList>({list.Nomi, list.Simboli}), QList<QStringList>({fields(names), fields(symbols)}));
        QCOMPARE(list.ConFutures, !fut.isNull());
        QCOMPARE(list.CodiceFutures, fut.isNull() ? QString() : fields(symbols).value(0));
    }

    // Long runs of line breaks once took quadratic time; this must finish in moments.
    void largeFiles()
    {
        const qsizetype size = 10 * 1024 * 1024;
        const QString breaks(size / 4, u'\n');
        const ListaIndici sparse = CostruisciLista(nullptr, "a" + breaks + "b" + breaks + QString(size / 4, u' '));
        QCOMPARE(sparse.Nomi.size(), size / 8);
        const ListaIndici open = CostruisciLista(nullptr, "x,\"" + QString(size, u'y'));
        QCOMPARE(open.Simboli.value(0).size(), size);
    }

    void arguments_data()
    {
        QTest::addColumn<QStringList>("argv"); QTest::addColumn<QString>("text"); QTest::addColumn<int>("position");
        QTest::newRow("none") << QStringList{"/opt/quotaro"} << "" << -1;
        QTest::newRow("1") << QStringList{"/opt/quotaro", "1"} << "1" << 1;
        QTest::newRow("2") << QStringList{"quotaro", "2"} << "2" << 2;
        QTest::newRow("3") << QStringList{"quotaro", "3"} << "3" << -1;
        QTest::newRow("blank 1") << QStringList{"quotaro", " 1"} << " 1" << -1;
        QTest::newRow("1 after empty") << QStringList{"quotaro", "", "1"} << " 1" << -1;
    }
    void arguments()
    {
        QFETCH(QStringList, argv); QFETCH(QString, text); QFETCH(int, position);
        QCOMPARE(TestoArgomenti(argv), text);
        QCOMPARE(PosizioneDaArgomento(text), position);
    }
};

QTEST_GUILESS_MAIN(TestImpostazioni)
#include "tst_impostazioni.moc"
