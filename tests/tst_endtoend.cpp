// The built program as a user runs it: with an instance number against the demo server,
// without its settings file, and with a new futures code on a real X display.
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

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
        QTest::newRow("2, five digits") << "2" << true << "D.Jones.txt" << QByteArray("^DJI");
        QTest::newRow("2 without futures entry, thousands") << "2" << false << "S&P 500.txt" << QByteArray("^GSPC");
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
    void noSettings()
    {
        TempHome home(false, true);
        ProgramRun run(Exe, QUOTARO_DEMO_SERVER, home.path());
        QProcess *program = run.startProgram({});
        QVERIFY2(program->waitForFinished(10000), "the program did not end");
        QVERIFY(program->exitStatus() == QProcess::NormalExit && program->exitCode() == 1);
        QVERIFY(QString::fromUtf8(program->readAllStandardError())
                    .contains("Impossibile leggere il file delle impostazioni \"" + home.file("DatiIndex.cfg") + '"'));
    }

    // Programs start detached from an argument vector, with the environment inherited.
    void startProgram()
    {
        QTemporaryDir dir;
        ScopedEnv word("QUOTARO_TEST_WORD", "ereditata");
        QVERIFY(platform::Desktop(false).startProgram(
            "/bin/sh", {"-c", "echo \"$QUOTARO_TEST_WORD $0\" > \"$1.new\" && mv \"$1.new\" \"$1\"", "a b;$(x)",
                        dir.filePath("out")}));
        QFile out(dir.filePath("out"));
        QVERIFY(waitFor([&] { return out.exists(); }) && out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), "ereditata a b;$(x)\n");
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
