// The built program as a user runs it: with an instance number against the demo server,
// without its settings file, as a further instance started the way "Nuove" starts one,
// and with a new futures code on a real X display.
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <csignal>

#include "ProgramRun.h"
#include "TestSupport.h"

namespace {
const QString Exe = QStringLiteral(QUOTARO_EXE);
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
        QTest::newRow("2") << "2" << true << "D.Jones.txt" << QByteArray("^DJI");
        QTest::newRow("1 without futures entry") << "1" << false << "D.Jones.txt" << QByteArray("^DJI");
    }
    void instancePollsAtOnceAndAppends()
    {
        QFETCH(QString, argument); QFETCH(bool, withFut); QFETCH(QString, file); QFETCH(QByteArray, symbol);
        TempHome home(true, withFut);
        ProgramRun run(Exe, QUOTARO_DEMO_SERVER, home.path());
        QVERIFY(run.startServer());
        const QString startDay = day();
        QProcess *program = run.startProgram({argument});
        QVERIFY(waitFor([&] { return home.read(file).contains("\r\n"); }, 10000));
        QCOMPARE(program->state(), QProcess::Running);
        const QByteArray content = home.read(file);
        QCOMPARE(content.count('\n'), 1); // the next poll is 20 s away
        const QString fault = historyFault(content, {startDay, day()});
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        QVERIFY(content.startsWith("16:00 "));
        QVERIFY(run.serverLog().contains("\"GET /qc/stocks/quotes.aspx?symbols=" + symbol + " HTTP/1.1\" 200"));
        QVERIFY(!run.serverLog().contains("fut.txt")); // an instance skips the futures download
    }

    // Without its settings file the program ends at once, saying why.
    void noSettings_data()
    {
        QTest::addColumn<bool>("folder"); // a folder in the file's place
        QTest::newRow("missing") << false;
        QTest::newRow("a folder") << true;
    }
    void noSettings()
    {
        QFETCH(bool, folder);
        TempHome home(false, true);
        if (folder)
            QVERIFY(QDir(home.path()).mkdir(QStringLiteral("DatiIndex.cfg")));
        ProgramRun run(Exe, QUOTARO_DEMO_SERVER, home.path());
        QProcess *program = run.startProgram({});
        QVERIFY2(program->waitForFinished(10000), "the program did not end");
        QVERIFY(program->exitStatus() == QProcess::NormalExit && program->exitCode() == 1);
        QVERIFY(QString::fromUtf8(program->readAllStandardError())
                    .contains("Impossibile leggere il file delle impostazioni \"" + home.file("DatiIndex.cfg") + '"'));
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
        QString error;
        QVERIFY2(platform::Desktop(false).startProgram(Exe, {QStringLiteral("1")}, &error), qPrintable(error));
        QVERIFY(waitFor([&] { return home.read(QStringLiteral("Nasdaq.txt")).contains("\r\n"); }, 10000));
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
        // Xvfb picks a free display itself and writes its number once it is ready.
        QProcess x;
        x.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        x.start(xvfb, {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        QVERIFY(x.waitForStarted(5000) && waitFor([&] { return x.canReadLine(); }, 10000));
        auto stopX = qScopeGuard([&x] { x.kill(); x.waitForFinished(3000); });
        ScopedEnv onDisplay("DISPLAY", ":" + x.readLine().trimmed());
        run.startProgram({}, QStringLiteral("xcb"));
        QVERIFY(waitFor([&] {
            QProcess search;
            search.start(xdotool, {"search", "--onlyvisible", "--name", "Aggiornamento codice Futures"});
            return search.waitForFinished(3000) && search.exitCode() == 0;
        }, 20000));
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
