// The quote server: futures symbols at the source, US Eastern quote times, the source's answers as
// they come, the shared cache in front of a loopback stand-in for the source, and the
// systemd units with a socket passed by socket activation.
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include "TestSupport.h"
#include "quote/Quotazione.h"
#include "market/Futures.h"
#include "server/QuoteServer.h"

using namespace server;

namespace {
QByteArray fixture(const char *name)
{
    QFile f(QStringLiteral(QUOTARO_TEST_DATA "/yahoo/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
QByteArray answer(int status, const QByteArray &body, const QByteArray &headers = {})
{
    return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: application/json\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n" + headers + "Connection: close\r\n\r\n" + body;
}
// The four texts the ticker reads from a page, or "none".
QString shown(const QByteArray &page)
{
    const Quotazione q = EstraiQuotazione(QString::fromLatin1(page));
    return page.isEmpty() ? QStringLiteral("none") : QStringList{q.Ora, q.Valore, q.Variazione, q.Chiusura}.join(u' ');
}
} // namespace

class TestServer : public QObject {
    Q_OBJECT
    // The source's stand-in answers each request with the next scripted answer (an empty
    // one: it never answers; "trickle": a byte every 100 ms); the cache's clock is the test's.
    QList<QByteArray> script;
    ScriptedServer upstream{[this](QTcpSocket *s, const QByteArray &) {
        const QByteArray next = script.isEmpty() ? QByteArray() : script.takeFirst();
        if (next == "trickle") {
            s->write(answer(200, QByteArray(1000, ' ')).chopped(1000));
            auto *t = new QTimer(s);
            connect(t, &QTimer::timeout, s, [s] { s->write(" "); });
            t->start(100);
        } else if (!next.isEmpty()) {
            s->write(next), s->disconnectFromHost();
        }
    }};
    YahooChart source{QUrl("http://" + upstream.address())};
    qint64 now = 0;
    std::unique_ptr<QuoteCache> cache;
    Answer ask(const QString &symbol)
    {
        // Kept alive by the callback too: it may come after the wait gave up.
        auto got = std::make_shared<Answer>(Answer{-1, {}, {}, {}});
        cache->page(symbol, [got](const Answer &a) { *got = a; });
        waitFor([&] { return got->status != -1; });
        return *got;
    }
private slots:
    void init()
    {
        script.clear(), upstream.requests.clear(), now = 0;
        const QuoteCache::Options options{15000, 500, 30000, 600000};
        cache = std::make_unique<QuoteCache>(source, options, [this] { return now; });
    }

    // The hour around both changes of 2026, and what stays the ticker's own symbol.
    void easternTimes()
    {
        const char *rows[][2] = {{"2026-03-08T06:59:00Z", "1:59am"}, {"2026-03-08T07:00:00Z", "3:00am"},
            {"2026-11-01T05:59:00Z", "1:59am"}, {"2026-11-01T06:00:00Z", "1:00am"},
            {"2026-07-01T16:30:00Z", "12:30pm"}, {"2026-12-07T05:05:00Z", "12:05am"}};
        for (const auto &r : rows)
            QCOMPARE(formatTime(easternTime(QDateTime::fromString(r[0], Qt::ISODate))), r[1]);
        for (const char *symbol : {"^IXIC", "CX26", "CZ2", "cz26"})
            QCOMPARE(LiveFeed::sourceSymbol(symbol, "NQ.CME"), symbol);
        QCOMPARE(LiveFeed::sourceSymbol("CZ26", "NQ.CME"), "NQZ26.CME");
        QCOMPARE(LiveFeed::sourceSymbol("CZ26", "NQ"), QString());
    }

    // One first request per row: the page the ticker gets, or "none" with the status.
    void firstAnswer_data()
    {
        QTest::addColumn<QString>("symbol"); QTest::addColumn<QByteArray>("upstreamAnswer");
        QTest::addColumn<int>("status"); QTest::addColumn<QString>("values");
        const QByteArray tnx = fixture("tnx-5m-1d.json"), gc = fixture("gcz26-cmx.json");
        QTest::newRow("index") << "^TNX" << answer(200, tnx) << 200 << "14:59 4,2750 1,14 4,2270";
        QTest::newRow("futures contract") << "GCZ26.CMX" << answer(200, gc) << 200 << "16:59 4424,90 0,57 4399,70";
        QTest::newRow("unknown") << "^NOPE" << answer(404, fixture("not-found.json")) << 404 << "";
        QTest::newRow("another symbol's") << "^IXIC" << answer(200, tnx) << 503 << "none";
        QTest::newRow("429") << "^TNX" << answer(429, "Too Many Requests\r\n") << 503 << "none";
        QTest::newRow("503") << "^TNX" << answer(503, "") << 503 << "none";
        QTest::newRow("malformed") << "^TNX" << answer(200, tnx.left(900)) << 503 << "none";
        QTest::newRow("cut short") << "^TNX" << answer(200, tnx).chopped(900) << 503 << "none";
        QTest::newRow("no price") << "^TNX" << answer(200, QByteArray(tnx).replace("regularMarketPrice", "x"))
                                  << 503 << "none";
        QTest::newRow("no answer in time") << "^TNX" << QByteArray() << 503 << "none";
        QTest::newRow("trickling answer") << "^TNX" << QByteArray("trickle") << 503 << "none";
    }
    void firstAnswer()
    {
        QFETCH(QString, symbol); QFETCH(QByteArray, upstreamAnswer); QFETCH(int, status); QFETCH(QString, values);
        script = {upstreamAnswer};
        const Answer a = ask(symbol);
        QCOMPARE(a.status, status);
        if (status != 404)
            QCOMPARE(shown(a.body), values);
        QCOMPARE(upstream.requests.size(), 1);
        QVERIFY(upstream.requests[0].startsWith("GET /v8/finance/chart/" + QUrl::toPercentEncoding(symbol)));
    }

    // Many tickers, one request per interval; a failing source keeps the last good page
    // and is asked again only after the back-off, doubled after each failure.
    void sharedAndPolite()
    {
        QSignalSpy fetched(cache.get(), &QuoteCache::fetched);
        const QByteArray good = answer(200, fixture("tnx-5m-1d.json"));
        script = {good, answer(500, ""), answer(200, "{\"chart\":"), answer(429, "", "Retry-After: 300\r\n"), good};
        auto got = std::make_shared<QList<Answer>>();
        for (int i = 0; i < 5; ++i)
            cache->page("^TNX", [got](const Answer &a) { *got << a; });
        QVERIFY(waitFor([&] { return got->size() == 5; }));
        const QByteArray page = got->at(0).body;
        QCOMPARE(shown(page), "14:59 4,2750 1,14 4,2270");
        // {clock, upstream requests so far}: each failure answered from the last good page.
        const qint64 steps[][2] = {{14999, 1}, {15000, 2}, {44999, 2}, {45000, 3}, {104999, 3}, {105000, 4},
                                   {404999, 4}, {405000, 5}};
        for (const auto &[at, requests] : steps) {
            now = at;
            QCOMPARE(ask("^TNX").body, page);
            QVERIFY2(waitFor([&] { return fetched.size() == requests; }), qPrintable(QString::number(at)));
            QCOMPARE(upstream.requests.size(), requests);
        }
    }

    // The units as installed pass systemd's check, and the server serves on the socket it
    // is handed.
    void socketActivation()
    {
        for (const char *tool : {"systemd-analyze", "systemd-socket-activate"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP("systemd's tools are missing");
        QTemporaryDir runtime;
        QProcess verify;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        verify.setProcessEnvironment(env);
        const QString units = QStringLiteral(QUOTARO_BUILD_DIR "/systemd-check/quotaro-server.");
        verify.start("systemd-analyze", {"verify", "--user", "--man=no", units + "socket", units + "service"});
        QVERIFY(verify.waitForFinished(30000));
        QVERIFY2(verify.exitCode() == 0, verify.readAllStandardError().constData());

        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        QProcess activator;
        const QString listen = "127.0.0.1:" + QString::number(port);
        activator.start("systemd-socket-activate", {"-l", listen, QUOTARO_SERVER, "--idle-exit", "5"});
        QVERIFY(waitFor([&] { return activator.readAllStandardError().contains("Listening"); }));
        QTcpSocket ticker;
        ticker.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(ticker.waitForConnected(5000));
        ticker.write("GET /browser/fut.txt HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nAccept: */*\r\n\r\n");
        QByteArray got;
        QVERIFY(waitFor([&] { return got += ticker.readAll(), ticker.state() == QAbstractSocket::UnconnectedState; }));
        const QString code = market::futuresCode(market::frontContract(easternDate(QDateTime::currentDateTimeUtc())));
        QVERIFY2(got.endsWith("\r\n\r\n" + code.toLatin1() + "\r\n"), got.constData());
        activator.kill(), activator.waitForFinished(3000);
    }
};

QTEST_MAIN(TestServer)
#include "tst_server.moc"
