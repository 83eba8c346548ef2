// The quote server: futures symbols at the source, US Eastern quote times, the source's answers as
// they come, the shared cache in front of a loopback stand-in for the source, and the
// systemd units with a socket passed by socket activation.
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <sys/socket.h>

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
// One request to a server on loopback and its whole answer; the client half-closes after it when asked.
QByteArray get(quint16 port, const QByteArray &request, bool halfClose = false)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!s.waitForConnected(5000))
        return {};
    s.write(request), s.flush();
    if (halfClose)
        ::shutdown(int(s.socketDescriptor()), SHUT_WR);
    QByteArray got;
    waitFor([&] { return got += s.readAll(), s.state() == QAbstractSocket::UnconnectedState; });
    return got + s.readAll();
}
// "FAILx3 X" as "FAIL0 FAIL1 FAIL2 X".
QStringList expand(const QStringList &items)
{
    QStringList out;
    for (const QString &item : items)
        for (int i = 0, n = item.section(u'x', 1).toInt(); i < qMax(n, 1); ++i)
            out << (n ? item.section(u'x', 0, 0) + QString::number(i) : item);
    return out;
}
// quotaro-server started through sh (PREFIX; exec SERVER ARGS...), and the port it listens on.
quint16 startServer(QProcess &p, const QString &prefix, const QStringList &arguments)
{
    p.start("sh", QStringList{"-c", prefix + "; exec \"$0\" \"$@\"", QUOTARO_SERVER} + arguments);
    QByteArray out;
    waitFor([&] { return (out += p.readAllStandardOutput()).contains('\n'); });
    return quint16(out.mid(out.lastIndexOf(':') + 1).trimmed().toUInt());
}
const QByteArray FutRequest = "GET /browser/fut.txt HTTP/1.1\r\nHost: localhost\r\n\r\n";
} // namespace

class TestServer : public QObject {
    Q_OBJECT
    // The source's stand-in answers each request with the next scripted answer (an empty
    // one: it never answers; "trickle": a byte every 100 ms), NOPE... as unknown, FAIL... with
    // 500, SLOW... as unknown after 1.5 s, the consent host with a cookie, the crumb end point with
    // crumbPage, CNBC with its answer; the cache's clock is the test's.
    QList<QByteArray> script;
    ScriptedServer upstream{[this](QTcpSocket *s, const QByteArray &r) {
        if (r.contains("/SLOW"))
            return QTimer::singleShot(1500, s, [s] { s->write(answer(404, fixture("not-found.json"))), s->close(); });
        const QByteArray next = r.contains("/NOPE") ? answer(404, fixture("not-found.json"))
            : r.contains("/FAIL")                    ? answer(500, "")
            : r.contains("/getcrumb")                ? crumbPage
            : r.startsWith("GET /consent")           ? answer(404, "", "Set-Cookie: A3=k; Path=/\r\n")
            : r.contains("/restQuote/")              ? answer(200, fixture("../cnbc/ixic.json"))
            : script.isEmpty()                       ? QByteArray()
                                                     : script.takeFirst();
        if (next == "trickle") {
            s->write(answer(200, QByteArray(1000, ' ')).chopped(1000));
            auto *t = new QTimer(s);
            connect(t, &QTimer::timeout, s, [s] { s->write(" "); });
            t->start(100);
        } else if (!next.isEmpty()) {
            s->write(next), s->disconnectFromHost();
        }
    }};
    QByteArray crumbPage; // the crumb end point's answer
    YahooChart source;
    CnbcQuote cnbc{QUrl("http://" + upstream.address())};
    qint64 now, wall; // the cache's clock (ms); the wall clock (s), after ^TNX's quote time
    // What the stand-in was asked for, in order: each path's last step (the symbol), "?X" for crumb X, "+c" with the
    // cookie.
    QString asked() const
    {
        QStringList symbols;
        for (const QByteArray &r : upstream.requests)
            symbols << r.mid(5, r.indexOf(' ', 5) - 5).split('/').last().split('?').first()
                    + (r.contains("crumb=") ? "?" + QUrl::fromPercentEncoding(r.split('=')[3].split(' ')[0]) : "")
                    + (r.contains("Cookie: A3=k") ? "+c" : "");
        return symbols.join(u' ');
    }
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
        script.clear(), upstream.requests.clear(), now = 0, wall = 1770062392 + 60;
        source = YahooChart(QUrl("http://" + upstream.address()), QUrl("http://" + upstream.address() + "/consent"));
        source.setWallClock([this] { return wall; }), cnbc.setWallClock([this] { return wall; });
        cache = std::make_unique<QuoteCache>(source, QuoteCache::Options{15000, 500, 30000}, [this] { return now; });
    }

    // The hour around both changes of 2026, and what stays the ticker's own symbol.
    void easternTimes()
    {
        const char *rows[][2] = {{"2026-03-08T06:59:00Z", "1:59am"}, {"2026-03-08T07:00:00Z", "3:00am"},
            {"2026-11-01T05:59:00Z", "1:59am"}, {"2026-11-01T06:00:00Z", "1:00am"},
            {"2026-07-01T16:30:00Z", "12:30pm"}, {"2026-12-07T05:05:00Z", "12:05am"}};
        for (const auto &r : rows)
            QCOMPARE(formatTime(easternTime(QDateTime::fromString(r[0], Qt::ISODate))), r[1]);
        for (const QString s : {"^IXIC NQ.CME ^IXIC", "CX26 NQ.CME CX26", "CZ2 NQ.CME CZ2", "cz26 NQ.CME cz26",
                                "CZ26 NQ.CME NQZ26.CME", "CZ26 NQ "})
            QCOMPARE(LiveFeed::sourceSymbol(s.section(' ', 0, 0), s.section(' ', 1, 1)), s.section(' ', 2));
        for (const QString s : {"^IXIC .IXIC", "^DJI .DJI", "^GSPC .SPX", "NQZ26.CME ", "ESH27.CME ", "X X"})
            QCOMPARE(cnbc.sourceSymbol(s.section(' ', 0, 0)), s.section(' ', 1));
    }

    // Values in their windows, rounded in decimal when the source's decimals do not fit; refused
    // when a number would be cut.
    void page()
    {
        const struct { double last, close; int decimals; const char *shown; } rows[] = {
            {4.275, 4.275, 4, "4.2750|+0.00%|4.2750"}, {99.0, 100.0, 2, "99.00|-1.00%|100.00"}, // falling
            {9551.12, 9503.34, 2, "9,551.12|+0.50%|9,503.34"}, {16234.56, 16000.0, 2, "16234.56|+1.47%|16000.00"},
            {1234.5678, 1234.5678, 4, "1234.568|+0.00%|1,234.5678"}, // the separator dropped first
            {123456.78, 123456.78, 2, "123456.8|+0.00%|123456.78"}, {100.005, 2.675, 2, "100.01|+3638.50%|2.68"},
            {12345678.9, 12345678.9, 2, "12345679|+0.00%|12345678.90"}, {1000.0, 0.125, 2, "1,000.00|+799900%|0.13"},
            {123456789.0, 123456789.0, 2, "refused"}, {100.0, 1e-12, 2, "refused"}}; // price, change too large
        for (const auto &r : rows) { // the value, change and close windows as written
            QString why;
            const QByteArray page = renderPage({r.last, r.close, QTime(16, 0), r.decimals}, &why);
            QStringList texts;
            for (const FinestraPagina &f : {FinestraValore, FinestraVariazione, FinestraChiusura})
                texts << page.mid(page.indexOf(f.Marcatore.data()) + f.Distanza, f.Larghezza).trimmed();
            QCOMPARE(page.isEmpty() ? QStringLiteral("refused") : texts.join(u'|'), r.shown);
            QCOMPARE(why.isEmpty(), !page.isEmpty());
        }
    }

    // An answer (FROM replaced by TO) as the ticker shows it, or "none". ^TNX: a quote time is used from 7 days
    // back to a day ahead of the wall clock (^TNX's time + 60 s), at both ends and beyond a 64-bit second count.
    // The second source's hand-made answer: its symbol, values and time checked.
    void parsed()
    {
        const char *rows[][4] = {{"T", "1770062392", "1769457652", "15:00"}, {"T", "1770062392", "1769457651", "none"},
            {"T", "1770062392", "1770148852", "15:00"}, {"T", "1770062392", "1770148853", "none"},
            {"T", "1770062392", "1e300", "none"}, {"C", "x", "x", "14:59 23592,11 0,56 23461,82"},
            {"C", ".IXIC", ".DJI", "none"}, {"C", "23,592.11", "-1", "none"}, {"C", "previous_day", "x", "none"},
            {"C", "02-02T", "01-26T", "none"}};
        for (const auto &[which, from, to, values] : rows) {
            const bool tnx = *which == 'T';
            const QByteArray body = fixture(tnx ? "tnx-5m-1d.json" : "../cnbc/ixic.json").replace(from, to);
            const Outcome o = tnx ? source.parse(200, body, "^TNX") : cnbc.parse(200, body, "^IXIC");
            QCOMPARE(shown(o.reading ? renderPage(*o.reading) : "").left(tnx ? 5 : 99), values);
        }
    }

    // What reaches the source from a request to the server (then a probe that must reach it);
    // "LF": the request's lines end with LF alone; "half-close": the client half-closes after it.
    void requests()
    {
        QList<std::tuple<QByteArray, QByteArray, int, QString>> rows = {{"M&M.NS", "", 404, "M%26M.NS PROBE"}};
        for (const char *dots : {".", "..", "%2E%2E"})
            rows.append({dots, "", 404, "PROBE"});
        for (const char *h : {"Origin: http://a.example", "Referer: http://a.example/", "Sec-Fetch-Mode: no-cors",
                              "Host: a.example:41780", "Host: 127.0.0.1.a.example"})
            rows.append({"X", QByteArray(h) + "\r\n", 403, "PROBE"});
        for (const char *h : {"Host: localhost:41780", "Host: [::1]", "Host: 127.0.0.2", "LF", "half-close"})
            rows.append({"X", QByteArray(h) + "\r\n", 404, "X PROBE"});
        for (const auto &[query, headers, status, reached] : rows) {
            init(), script = QList<QByteArray>(3, answer(404, fixture("not-found.json")));
            LiveFeed feed(source, {15000, 2000, 30000, 600000}, "NQ.CME");
            QuoteServer http(feed, [] { return QStringLiteral("CZ26"); });
            QString error;
            QVERIFY2(http.listen(0, &error), qPrintable(error));
            const auto request = [](const QByteArray &symbol, const QByteArray &headers) {
                return "GET /qc/stocks/quotes.aspx?symbols=" + symbol + " HTTP/1.1\r\n"
                    + (headers.contains("Host:") ? "" : "Host: 127.0.0.1:41780\r\n") + headers + "\r\n";
            };
            QByteArray first = request(query, headers.startsWith("LF") || headers.startsWith("half") ? "" : headers);
            if (headers.startsWith("LF")) // a request with bare line feeds
                first.replace("\r\n", "\n");
            QCOMPARE(get(http.port(), first, headers.startsWith("half")).mid(9, 3).toInt(), status);
            QCOMPARE(get(http.port(), request("PROBE", {})).mid(9, 3).toInt(), 404);
            QCOMPARE(asked(), reached);
        }
    }

    // One first request per row: the page the ticker gets, or "none" with the status.
    void firstAnswer()
    {
        const QByteArray tnx = fixture("tnx-5m-1d.json"), none = "none";
        const QByteArray back = "Location: http://" + upstream.address().toLatin1() + "/v8/finance/chart/%5ETNX\r\n";
        const QByteArray huge = answer(200, tnx + QByteArray(1 << 20, ' ')); // over 1 MiB
        const std::tuple<QString, QByteArray, int, QByteArray> rows[] = {
            {"^TNX", answer(200, tnx), 200, "14:59 4,2750 1,14 4,2270"},
            {"GCZ26.CMX", answer(200, fixture("gcz26-cmx.json")), 200, "16:59 4424,90 0,57 4399,70"},
            {"^NOPE", answer(404, fixture("not-found.json")), 404, ""}, {"^IXIC", answer(200, tnx), 503, none},
            {"^TNX", answer(200, tnx.left(900)), 503, none}, {"^TNX", answer(200, tnx).chopped(900), 503, none},
            {"^TNX", answer(200, QByteArray(tnx).replace("regularMarketPrice", "x")), 503, none}, // no price
            {"^TNX", answer(200, QByteArray(tnx).replace("4.275,", "1e9,")), 503, none}, // too large
            {"^TNX", huge, 503, none}, {"^TNX", answer(302, "", back), 503, none},
            {"^TNX", {}, 503, none}, {"^TNX", "trickle", 503, none}}; // no answer in time, a trickling one
        for (const auto &[symbol, upstreamAnswer, status, values] : rows) {
            init(), script = {upstreamAnswer, answer(200, tnx)};
            wall = QRegularExpression("\"regularMarketTime\":(\\d+)").match(upstreamAnswer).captured(1).toLong() + 60;
            const Answer a = ask(symbol);
            QVERIFY2(a.status == status && (status == 404 || shown(a.body) == values), upstreamAnswer.left(300));
            QCOMPARE(upstream.requests.size(), 1);
            QVERIFY(upstream.requests[0].startsWith("GET /v8/finance/chart/" + QUrl::toPercentEncoding(symbol)));
        }
    }

    // Refused plain (401, 429 without Retry-After, "Invalid Crumb"): a cookie, the crumb, the request again with both
    // ("+c": a cookie, "?X": crumb X); the crumb is kept. The crumb end point's 429 is no crumb but a failure.
    void crumb()
    {
        const QByteArray ok = answer(200, "Ab1.cD/e"), tooMany = answer(429, "Too Many Requests\r\n");
        const QByteArray invalid = "{\"finance\":{\"result\":null,\"error\":{\"description\":\"Invalid Crumb\"}}}";
        const QString handshake = "%5ETNX consent getcrumb+c %5ETNX?Ab1.cD/e+c %5ETNX?Ab1.cD/e+c 200 200";
        const std::tuple<QByteArray, QByteArray, QString> rows[] = {{answer(401, ""), ok, handshake},
            {tooMany, ok, handshake}, {answer(400, invalid), ok, handshake},
            {answer(429, "", "Retry-After: 20\r\n"), ok, "%5ETNX %5ETNX 503 200"},
            {tooMany, tooMany, "%5ETNX consent getcrumb+c %5ETNX+c 503 200"}};
        for (const auto &[refusal, crumbAnswer, seen] : rows) {
            init(), crumbPage = crumbAnswer, script = {refusal, answer(200, fixture("tnx-5m-1d.json"))};
            QStringList statuses;
            QSignalSpy fetched(cache.get(), &QuoteCache::fetched);
            for (int i = 0; i < 2; ++i, now += 30000) {
                statuses << QString::number(ask("^TNX").status);
                QVERIFY(waitFor([&] { return fetched.size() > i; }));
            }
            QCOMPARE(asked() + ' ' + statuses.join(u' '), seen);
        }
    }

    // Many tickers, one request per interval; a failing source keeps the last good page and is
    // asked again only after the back-off, doubled after each failure, or after Retry-After.
    // After each step a probe symbol must reach the source: whatever ^TNX asked lies before it.
    void sharedAndPolite()
    {
        for (const QByteArray retryAfter : {"300", "Mon, 02 Feb 2026 20:05:52 GMT"}) // the wall clock + 300 s
            init(), sharedAndPoliteWith(retryAfter);
    }
    void sharedAndPoliteWith(const QByteArray &retryAfter)
    {
        QSignalSpy fetched(cache.get(), &QuoteCache::fetched);
        const QByteArray good = answer(200, fixture("tnx-5m-1d.json"));
        const QByteArray refused = answer(429, "", "Retry-After: " + retryAfter + "\r\n");
        script = {good, answer(500, ""), answer(200, "{\"chart\":"), refused, good};
        auto got = std::make_shared<QList<Answer>>();
        for (int i = 0; i < 5; ++i)
            cache->page("^TNX", [got](const Answer &a) { *got << a; });
        QVERIFY(waitFor([&] { return got->size() == 5; }));
        const QByteArray page = got->at(0).body;
        QVERIFY(!page.isEmpty());
        QString expected = "%5ETNX";
        for (qint64 at : {14999, 15000, 44999, 45000, 104999, 105000, 404999, 405000}) {
            now = at;
            QCOMPARE(ask("^TNX").body, page);
            QCOMPARE(ask("NOPE" + QString::number(at)).status, 404);
            QVERIFY(waitFor([&] { return fetched.size() == upstream.requests.size(); }));
            expected += (at % 1000 ? "" : " %5ETNX") + QStringLiteral(" NOPE%1").arg(at);
        }
        QCOMPARE(asked(), expected);
    }

    // The first source failing for a symbol for 5 minutes, the second serves it; the first is asked again 5 minutes
    // after it was last asked. The log says which answered; --check asks both.
    void failover()
    {
        cache->setSecondSource(&cnbc), script = QList<QByteArray>(9, answer(500, ""));
        QSignalSpy fetched(cache.get(), &QuoteCache::fetched);
        QStringList got;
        for (qint64 at : {0, 30000, 90000, 210000, 450000, 480000, 510000}) {
            const int status = (now = at, ask("^IXIC").status);
            QVERIFY(waitFor([&] { return fetched.size() == got.size() + 1; }));
            got << fetched.last().at(1).toString().left(1) + QString::number(status); // "Yahoo Finance: ..."
        }
        QCOMPARE(got.join(u' '), "Y503 Y503 Y503 Y503 C200 C200 Y200");
        QProcess p;
        const QString at = "http://" + upstream.address();
        p.start(QUOTARO_SERVER, {"--check", "^IXIC", "--upstream", at, "--second-upstream", at});
        QVERIFY(waitFor([&] { return p.state() == QProcess::NotRunning; }));
        QCOMPARE(p.readAllStandardOutput(), "^IXIC (^IXIC at Yahoo Finance): HTTP 500\n"
                                            "^IXIC (.IXIC at CNBC): implausible quote time 1770062392\n");
    }

    // One budget for the whole server: symbols asked in any case share one entry; an evicted one
    // keeps its back-off; 24 requests a minute, 6 of them for symbols asked the first time, so
    // followed symbols go on being asked. Steps: "CLOCK SYMBOL" ("FAILAx6": FAILA0...FAILA5), all
    // failing at the source (30 s back-off); then a probe that must reach it.
    void budget()
    {
        QStringList minutes, twice{"FAILAx6", "FAILBx6", "FAILCx6", "FAILDx6", "FAILEx6"};
        for (int i = 0; i < 10; ++i) // each symbol once, a minute apart, then all at once: 24 asked again
            minutes << QString::number(qMin(i, 5) * 60000) + " " + twice[i % 5];
        const std::pair<QStringList, QStringList> rows[] = {{{"0 FAILA", "0 faila", "1000 FailA"}, {"FAILA"}}, // case
            {{"0 FAILA", "1 FAILBx300", "29999 FAILA", "30000 FAILA"}, {"FAILA", "FAILBx5", "FAILA"}}, // evicted
            {minutes, twice + twice.mid(0, 4)}};
        for (const auto &[steps, reached] : rows) {
            init();
            for (const QString &step : steps + QStringList{"3600000 FAILZ"}) {
                now = step.section(u' ', 0, 0).toLongLong();
                for (const QString &symbol : expand({step.section(u' ', 1)}))
                    ask(symbol);
            }
            QCOMPARE(asked(), expand(reached + QStringList{"FAILZ"}).join(u' '));
        }
    }

    // A source that never answers in time holds no more than 256 symbols.
    void slowSource()
    {
        for (int i = 0; i < 300; ++i)
            cache->page("SLOW" + QString::number(i), [](const Answer &) {});
        QVERIFY(cache->symbols() <= 256);
    }

    // Beyond 256 connections the oldest without a whole request is dropped.
    void connectionBound()
    {
        DemoFeed demo(1, QTime(16, 0));
        QuoteServer http(demo, [] { return QStringLiteral("CZ26"); });
        QString error;
        QVERIFY2(http.listen(0, &error), qPrintable(error));
        std::vector<std::unique_ptr<QTcpSocket>> idle(256);
        for (size_t i = 0; i < idle.size(); ++i) { // in steps within the listening queue's 50
            idle[i] = std::make_unique<QTcpSocket>(), idle[i]->connectToHost(QHostAddress::LocalHost, http.port());
            QVERIFY(i % 32 != 31 || waitFor([&] { return http.connections() == qsizetype(i + 1); }));
        }
        QVERIFY(get(http.port(), FutRequest).endsWith("CZ26\r\n"));
        QVERIFY(waitFor([&] { return idle[0]->state() == QAbstractSocket::UnconnectedState; }));
        QCOMPARE(idle[1]->state(), QAbstractSocket::ConnectedState);
    }

    // quotaro-server as a process: a passed descriptor that is no listening socket is an error;
    // out of descriptors it accepts again once one closes; a request waiting on the source is
    // answered before an idle exit.
    void notListening()
    {
        QTcpSocket connected;
        connected.connectToHost(QHostAddress::LocalHost, upstream.serverPort());
        QVERIFY(connected.waitForConnected(5000));
        QProcess p;
        p.setChildProcessModifier([fd = int(connected.socketDescriptor())] {
            char pid[32];
            std::snprintf(pid, sizeof pid, "%d", int(::getpid()));
            ::dup2(fd, 3), ::setenv("LISTEN_FDS", "1", 1), ::setenv("LISTEN_PID", pid, 1);
        });
        p.start(QUOTARO_SERVER, {});
        QVERIFY(p.waitForFinished(5000) && p.exitCode() == 1);
        QVERIFY(p.readAllStandardError().contains("not a listening TCP socket"));
    }
    void outOfDescriptors()
    {
        QProcess p;
        const quint16 port = startServer(p, "ulimit -n 100", {"--port", "0"});
        std::vector<std::unique_ptr<QTcpSocket>> held(60);
        for (auto &s : held)
            s = std::make_unique<QTcpSocket>(), s->connectToHost(QHostAddress::LocalHost, port);
        QByteArray log; // 36 connections at most below 100 descriptors: the oldest idle ones go
        QVERIFY(waitFor([&] { return (log += p.readAllStandardError()).count("dropped: too many") >= 24; }));
        held.clear();
        QVERIFY(get(port, FutRequest).startsWith("HTTP/1.1 200"));
        p.kill(), p.waitForFinished(3000);
    }
    void answeredBeforeIdleExit()
    {
        QProcess p;
        const quint16 port = startServer(p, "true", {"--feed", "live", "--upstream", "http://" + upstream.address(),
                                                     "--port", "0", "--idle-exit", "1"});
        const QByteArray slow = "GET /qc/stocks/quotes.aspx?symbols=SLOW HTTP/1.1\r\nHost: localhost\r\n\r\n";
        QVERIFY(get(port, slow).startsWith("HTTP/1.1 404"));
        QVERIFY(p.waitForFinished(5000));
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
        const QString units = QStringLiteral(QUOTARO_BUILD_DIR "/systemd-check/quotaro-server.");
        verify.start("env", {"XDG_RUNTIME_DIR=" + runtime.path(), "systemd-analyze", "verify", "--user", "--man=no",
                             units + "socket", units + "service"});
        QVERIFY(verify.waitForFinished(30000));
        QVERIFY2(verify.exitCode() == 0, verify.readAllStandardError().constData());

        const quint16 port = ScriptedServer().serverPort(); // free a moment ago
        QProcess activator;
        const QString listen = "127.0.0.1:" + QString::number(port);
        activator.start("systemd-socket-activate", {"-l", listen, QUOTARO_SERVER, "--idle-exit", "5"});
        QVERIFY(waitFor([&] { return activator.readAllStandardError().contains("Listening"); }));
        const QByteArray got = get(port, FutRequest);
        const QString code = market::futuresCode(market::frontContract(easternDate(QDateTime::currentDateTimeUtc())));
        QVERIFY2(got.endsWith("\r\n\r\n" + code.toLatin1() + "\r\n"), got.constData());
        activator.kill(), activator.waitForFinished(3000);
    }
};

QTEST_MAIN(TestServer)
#include "tst_server.moc"
