// The built program against a quote server that misbehaves, poll after poll: after
// each fault the program is alive, its memory is near where it started, its history
// file holds only whole records, and the next good page is recorded.
#include <QTcpSocket>
#include <QtTest>
#include <csignal>
#include <sys/prctl.h>
#include <sys/socket.h>

#include "ProgramRun.h"
#include "TestSupport.h"

// A page whose change is 1,nn or 9,nn: good pages use 1, fault pages 9.
static QByteArray page(int change)
{
    return quotePage("4:00pm", "1,000.00", QString::number(change / 100.0, 'f', 2), "990.00");
}

static qint64 residentKiB(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    const QByteArray s = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    return s.contains("VmRSS:") ? s.mid(s.indexOf("VmRSS:") + 6).trimmed().split(' ').value(0).toLongLong() : -1;
}

using Handler = ScriptedServer::Handler; // none: the server refuses connections
Q_DECLARE_METATYPE(Handler)

class FaultsTest : public QObject {
    Q_OBJECT
    TempHome home;
    ScriptedServer server;
    QProcess program;
    qint64 baselineKiB = 0;
    int goodChange = 100; // the change of good pages, one more after each fault

    QByteArray history() const { return home.read("Nasdaq.txt"); }
    // Serves good pages with a new change and waits for its record.
    bool recovers()
    {
        const QByteArray change = "+ 1," + QByteArray::number(++goodChange % 100).rightJustified(2, '0') + " %";
        server.handler = ScriptedServer::reply(httpAnswer(page(goodChange)));
        return waitFor([&] { return history().contains(change); }, 10000);
    }

private slots:
    void initTestCase()
    {
        qputenv("QUOTARO_QUOTE_SERVER", server.address().toLatin1());
        qputenv("QUOTARO_FUTURES_SERVER", server.address().toLatin1());
        qputenv("QUOTARO_POLL_INTERVAL_MS", "300");
        // The program goes with the test, however the test ends.
        program.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        program.start(QUOTARO_EXE, {"1"});
        QVERIFY(program.waitForStarted(5000));
        QVERIFY(recovers());
        // Warm up: some polls with charts, then the memory every case is held to.
        QVERIFY(waitFor([&] { return server.requests.size() >= 8; }, 10000));
        baselineKiB = residentKiB(program.processId());
        QVERIFY(baselineKiB > 0);
    }
    void cleanupTestCase()
    {
        program.kill();
        program.waitForFinished(5000);
        // Nothing was said: faults of the servers are no business of the user.
        const QString said = QString::fromLocal8Bit(program.readAllStandardError())
                                 .remove(QRegularExpression("QStandardPaths:[^\n]*\n"));
        QVERIFY2(said.isEmpty(), qPrintable(said));
    }

    void fault_data()
    {
        QTest::addColumn<Handler>("handler");
        QTest::addColumn<bool>("mayRecord"); // a record may come from the faulty answer
        const QByteArray fault = httpAnswer(page(999));
        QTest::newRow("accepts and never answers") << Handler([](QTcpSocket *, const QByteArray &) {}) << false;
        QTest::newRow("answers and never closes") << Handler([fault](QTcpSocket *s, const QByteArray &) { s->write(fault); }) << false;
        QTest::newRow("one byte every 100 ms") << Handler([fault](QTcpSocket *s, const QByteArray &) {
            auto *timer = new QTimer(s);
            QObject::connect(timer, &QTimer::timeout, s, [s, fault, sent = 0]() mutable { s->write(fault.mid(sent++, 1)); });
            timer->start(100);
        }) << false;
        QTest::newRow("reset in the middle") << Handler([fault](QTcpSocket *s, const QByteArray &) {
            s->write(fault.left(fault.size() / 2));
            s->flush();
            QTimer::singleShot(50, s, [s] {
                const linger now{1, 0}; // closing sends a reset
                ::setsockopt(int(s->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
                s->abort();
            });
        }) << true;
        QTest::newRow("refuses the connection") << Handler() << false;
        QTest::newRow("50 MiB") << ScriptedServer::reply("HTTP/1.1 200 OK\r\nContent-Length: 52428800\r\n\r\n"
                                                         + page(999).leftJustified(50 << 20, ' ')) << false;
        QTest::newRow("empty answer") << ScriptedServer::reply({}) << false;
        QRandomGenerator random(20261206);
        QByteArray noise(64 * 1024, Qt::Uninitialized);
        for (char &b : noise)
            b = char(random.bounded(256));
        QTest::newRow("binary garbage") << ScriptedServer::reply(noise) << true;
        auto L = [](const char *s) { return QString::fromLatin1(s); };
        const QByteArray high = quotePage(L("4:0\xE0" "0pm"), L("1\xFF" "2.\x80" "5"), L("\xB1" "9.5\xA0"), L("\xE9" "11.2"));
        QTest::newRow("bytes above 127") << ScriptedServer::reply(httpAnswer(QByteArray(7, '\0') + high + "\xFF\xFE\x81")) << true;
        QTest::newRow("markers repeated") << ScriptedServer::reply(httpAnswer(page(997) + page(996) + page(995))) << true;
        for (const char *marker : {"ET</abbr><br /></span>", "Last price:", "Shows primary price", "Previous Close:"}) {
            const QByteArray blanked = page(998).replace(marker, QByteArray(qstrlen(marker), '_'));
            QTest::addRow("no \"%s\"", marker) << ScriptedServer::reply(httpAnswer(blanked)) << true;
            QTest::addRow("\"%s\" at the start", marker) << ScriptedServer::reply(httpAnswer(marker + blanked)) << true;
            QTest::addRow("\"%s\" at the end", marker) << ScriptedServer::reply(httpAnswer(blanked + marker)) << true;
        }
    }
    void fault()
    {
        QFETCH(Handler, handler);
        QFETCH(bool, mayRecord);
        const QByteArray before = history();
        const qsizetype requests = server.requests.size();
        if (!handler) {
            const quint16 port = server.serverPort();
            server.close();
            QTest::qWait(1200);
            // The port may be busy for a moment (an outgoing connection on it): retry.
            QVERIFY(waitFor([&] { return server.listen(QHostAddress::LocalHost, port); }, 5000));
        } else {
            server.handler = handler;
            // Three polls of the fault.
            QVERIFY(waitFor([&] { return server.requests.size() >= requests + 3; }, 10000));
        }
        QCOMPARE(program.state(), QProcess::Running);
        const QByteArray during = history();
        QVERIFY(during.startsWith(before));
        if (!mayRecord)
            QCOMPARE(during, before);
        QVERIFY(recovers());
        QVERIFY(history().startsWith(during));
        const QString fault = historyFault(history(), {QDate::currentDate().addDays(-1).toString("dd/MM/yyyy"),
                                                       QDate::currentDate().toString("dd/MM/yyyy")}, true);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        const qint64 rss = residentKiB(program.processId());
#ifndef __SANITIZE_ADDRESS__ // the checked build keeps freed memory aside on purpose
        QVERIFY2(rss - baselineKiB < 4 * 1024, qPrintable(QString::number(rss - baselineKiB)));
#endif
    }
};

QTEST_GUILESS_MAIN(FaultsTest)
#include "tst_faults.moc"
