// The demo server as Quotaro sees it: its quote pages read through the program's own
// page parser, prices walking between requests, and the published futures code.
#include <QTcpSocket>
#include <QtTest>

#include "quote/MessaggiHttp.h"
#include "quote/Quotazione.h"

// The body of the answer to the request Quotaro sends, up to the server's close (at most 5 s).
static QString fetch(quint16 port, const QString &path)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    s.write(TestoRichiesta(path, QStringLiteral("127.0.0.1")));
    for (int i = 0; i < 50 && s.state() != QAbstractSocket::UnconnectedState; ++i)
        s.waitForReadyRead(100); // what arrived stays readable after the close
    return QString::fromLatin1(CorpoRisposta(s.readAll()).value_or("no answer"));
}

class DemoServerTest : public QObject {
    Q_OBJECT
    QProcess server; // killed when the test ends
    quint16 port = 0;

private slots:
    void initTestCase() {
        server.start(QStringLiteral(QUOTARO_DEMO_SERVER), {"--seed", "7", "--futures-code", "CH27", "--time", "16:05"});
        QVERIFY(server.waitForReadyRead(5000) && server.canReadLine());
        const auto m = QRegularExpression("^listening on 127\\.0\\.0\\.1:(\\d+)\n$").match(server.readLine());
        QVERIFY(m.hasMatch());
        port = quint16(m.captured(1).toUInt());
    }

    void quotePages_data() {
        QTest::addColumn<QString>("symbol"); QTest::addColumn<double>("low"); QTest::addColumn<double>("high");
        QTest::newRow("five digits, no separator") << "^IXIC" << 15000.0 << 17000.0;
        QTest::newRow("thousands separator") << "^GSPC" << 4400.0 << 5000.0;
    }
    void quotePages() {
        QFETCH(QString, symbol); QFETCH(double, low); QFETCH(double, high);
        QSet<QString> prices, closes;
        for (int i = 0; i < 5; ++i) {
            const Quotazione q = EstraiQuotazione(fetch(port, PercorsoQuotazione(symbol)));
            QCOMPARE(q.Ora, QStringLiteral("16:05"));
            for (const QString &text : {q.Valore, q.Variazione, q.Chiusura}) // whole, in its window
                QVERIFY2(QRegularExpression("^\\d+,\\d\\d$").match(text).hasMatch(), qPrintable(text));
            const double last = LeggiPrezzo(q.Valore).value_or(-1), close = LeggiPrezzo(q.Chiusura).value_or(-1);
            QVERIFY2(last >= low && last <= high && close >= low && close <= high, qPrintable(q.Valore));
            QVERIFY(qAbs(LeggiPrezzo(q.Variazione).value_or(-1) - qAbs(last - close) / close * 100) < 0.0051);
            prices << q.Valore;
            closes << q.Chiusura;
        }
        QVERIFY(prices.size() > 1); // the price walks
        QCOMPARE(closes.size(), 1); // the previous close stays put
    }

    void futuresCode() { QCOMPARE(fetch(port, QStringLiteral("/browser/fut.txt")), QStringLiteral("CH27\r\n")); }
};

QTEST_GUILESS_MAIN(DemoServerTest)
#include "tst_demoserver.moc"
