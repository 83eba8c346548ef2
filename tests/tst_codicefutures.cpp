#include <QtTest>
#include "futures/CodiceFutures.h"

// Each row follows one body through the chain: the code read (empty: ignored like a failed
// download), then offered against the code in use or not.
class TestCodiceFutures : public QObject {
    Q_OBJECT
private slots:
    void chain_data() {
        QTest::addColumn<QString>("body"); QTest::addColumn<QString>("inUse");
        QTest::addColumn<QString>("code"); QTest::addColumn<bool>("offered");
        const QString c31 = "C" + QString(31, u'x'), no;
        const QString rows[][4] = {{"CZ26", "CZ26", "CZ26", no}, {"CH27\r\n", "CZ26", "CH27", "y"},
            {"CZ26\n", "Cz26", "CZ26", "y"}, {"CZ26\r\n\r\n\n", "CH27", "CZ26", "y"}, {"cz26\r\n", "CZ26", "cz26", no},
            {"C", "", "C", "y"}, {c31, "", c31, "y"}, {"C Z~", "", "C Z~", "y"}, {c31 + "x", "", "", no},
            {"", "CZ26", "", no}, {"CZ26\r\nX", "", "", no}, {"C\tZ", "", "", no}, {"CZ26,X", "", "", no},
            {"C\"Z", "", "", no}, {" CZ26", "", "", no}, {"CZ26 \r\n", "", "", no}, {"C\x7f", "", "", no}};
        for (const auto &r : rows)
            QTest::addRow("%s|%s", r[0].toUtf8().toPercentEncoding(" ,\"<>").constData(), qPrintable(r[1]))
                << r[0] << r[1] << r[2] << !r[3].isNull();
    }
    void chain() {
        QFETCH(QString, body); QFETCH(QString, inUse); QFETCH(QString, code);
        QCOMPARE(EstraiCodice(body), code); QTEST(CodiceNuovo(code, inUse), "offered");
    }
    void futFile() { QCOMPARE(ContenutoFut(QStringLiteral("C\u00f9")), QByteArray("C\xc3\xb9\r\n")); }
};

QTEST_APPLESS_MAIN(TestCodiceFutures)
#include "tst_codicefutures.moc"
