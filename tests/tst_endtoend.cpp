// The built program as a user runs it: with an instance number against the demo server,
// without its settings file, with other arguments, as a further instance started the way
// "Nuove" starts one, and with a new futures code on a real X display.
#include <QDate>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>
#include <csignal>

#include "ProgramRun.h"
#include "TestSupport.h"
#include "platform/Desktop.h"

namespace {
const QString Exe = QStringLiteral(QUOTARO_EXE);
QString today() { return QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")); }
} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void instancePollsAtOnceAndAppends_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<bool>("withFut");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("symbol");
        QTest::newRow("1") << "1" << true << "Nasdaq.txt" << QByteArray("^IXIC");
        QTest::newRow("2") << "2" << true << "D.Jones.txt" << QByteArray("^DJI");
        QTest::newRow("1 without futures entry") << "1" << false << "D.Jones.txt" << QByteArray("^DJI");
    }
    void instancePollsAtOnceAndAppends()
    {
        QFETCH(QString, argument); QFETCH(bool, withFut); QFETCH(QString, file); QFETCH(QByteArray, symbol);
        TempHome home(true, withFut);
        ProgramRun run(Exe, QUOTARO_DEMO_SERVER, home.path());
        QVERIFY(run.startServer());
        const QString startDay = today();
        QProcess *program = run.startProgram({argument});
        QVERIFY(waitFor([&] { return home.read(file).contains("\r\n"); }, 10000));
        QCOMPARE(program->state(), QProcess::Running);
        const QByteArray content = home.read(file);
        QCOMPARE(content.count('\n'), 1); // the next poll is 20 s away
        const QString fault = historyFault(content, {startDay, today()});
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        QVERIFY(content.startsWith("16:00 "));
        QVERIFY(run.serverLog().contains("\"GET /qc/stocks/quotes.aspx?symbols=" + symbol + " HTTP/1.1\" 200"));
        QVERIFY(!run.serverLog().contains("fut.txt")); // an instance skips the futures download
        // The three history files exist; only the followed index's file grew.
        for (const QString name : {"Futures.txt", "Nasdaq.txt", "D.Jones.txt"}) {
            QVERIFY2(home.exists(name), qPrintable(name));
            QCOMPARE(home.read(name).isEmpty(), name != file);
        }
    }

    // Other arguments start without a poll; without its settings file the program ends
    // at once with a message.
    void startWithoutPoll_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("settings"); // DatiIndex.cfg: "file", "none" or "folder"
        QTest::addColumn<bool>("downloadsCode");
        QTest::newRow("3") << QStringList{"3"} << "file" << false;
        QTest::newRow("1 and 2 together") << QStringList{"1", "2"} << "file" << false;
        QTest::newRow("no argument") << QStringList() << "file" << true;
        QTest::newRow("no settings, no argument") << QStringList() << "none" << false;
        QTest::newRow("no settings, 1") << QStringList{"1"} << "none" << false;
        QTest::newRow("a folder as settings") << QStringList{"1"} << "folder" << false;
    }
    void startWithoutPoll()
    {
        QFETCH(QStringList, arguments); QFETCH(QString, settings); QFETCH(bool, downloadsCode);
        TempHome home(settings == u"file", true);
        if (settings == u"folder")
            QVERIFY(QDir(home.path()).mkdir(QStringLiteral("DatiIndex.cfg")));
        ProgramRun run(Exe, QUOTARO_DEMO_SERVER, home.path());
        QVERIFY(run.startServer());
        QProcess *program = run.startProgram(arguments);
        if (settings == u"file") {
            // Two seconds: a poll would have been sent at once at start.
            waitFor([&] { return run.serverLog().contains("quotes.aspx"); }, 2000);
            QCOMPARE(program->state(), QProcess::Running);
        } else {
            QVERIFY2(program->waitForFinished(10000), "the program did not end");
            QVERIFY(program->exitStatus() == QProcess::NormalExit && program->exitCode() != 0);
            const QString message = QString::fromUtf8(program->readAllStandardError());
            QVERIFY2(message.contains(QLatin1String("DatiIndex.cfg"))
                         && message.contains(QRegularExpression(QStringLiteral("impossibile|non trovato|manca"),
                                                                QRegularExpression::CaseInsensitiveOption)),
                     qPrintable(message));
        }
        QVERIFY2(!run.serverLog().contains("quotes.aspx"), run.serverLog().constData());
        QCOMPARE(waitFor([&] { return run.serverLog().contains("GET /browser/fut.txt"); }, downloadsCode ? 5000 : 0),
                 downloadsCode);
    }

    // Started through the platform layer as "Nuove" does, the instance inherits the
    // environment, lives on its own and polls at once.
    void furtherInstanceThroughDesktop()
    {
        TempHome home;
        ProgramRun run(Exe, QUOTARO_DEMO_SERVER, home.path());
        QVERIFY(run.startServer());
        const QByteArray server = "127.0.0.1:" + QByteArray::number(run.port());
        ScopedEnv quotes("QUOTARO_QUOTE_SERVER", server), futures("QUOTARO_FUTURES_SERVER", server);
        ScopedEnv platformName("QT_QPA_PLATFORM", "offscreen");
        const QString startDay = today();
        QString error;
        QVERIFY2(platform::Desktop::instance().startProgram(Exe, {QStringLiteral("1")}, &error), qPrintable(error));
        QVERIFY(waitFor([&] { return home.read(QStringLiteral("Nasdaq.txt")).contains("\r\n"); }, 10000));
        const QString fault = historyFault(home.read(QStringLiteral("Nasdaq.txt")), {startDay, today()});
        QVERIFY2(fault.isEmpty(), qPrintable(fault));

        const QList<qint64> pids = run.instances();
        QCOMPARE(pids.size(), 1);
        QCOMPARE(ProgramRun::commandLine(pids[0]), QFile::encodeName(Exe) + QByteArray("\0" "1\0", 3));
        ::kill(pid_t(pids[0]), SIGKILL);
        QVERIFY(waitFor([&] { return ProgramRun::ended(pids[0]); }, 5000));
    }

    // Started without arguments against a server that publishes another code, the real
    // program opens the futures-code window; looked for on a virtual X display.
    void futuresWindowOnNewCode()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xvfb.isEmpty() || xdotool.isEmpty())
            QSKIP("Xvfb or xdotool missing");
        TempHome home;
        home.write(QStringLiteral("fut.txt"), "CH26\r\n"); // older than the server's CU26
        ProgramRun run(Exe, QUOTARO_DEMO_SERVER, home.path());
        QVERIFY(run.startServer());
        const QString display = QStringLiteral(":%1").arg(200 + QCoreApplication::applicationPid() % 500);
        QProcess x;
        x.start(xvfb, {display, "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        QVERIFY(x.waitForStarted(5000));
        auto stopX = qScopeGuard([&x] { x.kill(); x.waitForFinished(3000); });
        ScopedEnv onDisplay("DISPLAY", display.toLatin1());
        auto windowShown = [&] {
            QProcess search;
            search.start(xdotool, {"search", "--onlyvisible", "--name", "Aggiornamento codice Futures"});
            return search.waitForFinished(3000) && search.exitCode() == 0;
        };
        // The display needs a moment to come up: start the program again until it connects.
        QProcess *program = nullptr;
        QVERIFY(waitFor([&] {
            if (!program || program->state() == QProcess::NotRunning)
                program = run.startProgram({}, QStringLiteral("xcb"));
            return windowShown();
        }, 20000));
        QVERIFY(run.serverLog().contains("GET /browser/fut.txt"));
    }
};

QTEST_GUILESS_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
