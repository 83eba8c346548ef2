// The built program as a user runs it: with an instance number against the demo server,
// without its settings file, and with a new futures code on a real X display.
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include "ProgramRun.h"
#include "TestSupport.h"

namespace {
const QString Exe = QStringLiteral(QUOTARO_EXE);

// What xdotool printed; empty when it failed.
QByteArray xdotool(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), arguments);
    return p.waitForFinished(5000) && p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
}

// A virtual X display of its own (Xvfb picks a free number and writes it once ready),
// optionally managed by openbox, for as long as it lives.
struct XDisplay {
    QProcess x, wm;
    std::unique_ptr<ScopedEnv> env;
    bool start(bool withWm)
    {
        for (const char *program : {"Xvfb", "xdotool", withWm ? "openbox" : "Xvfb"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
                return false;
        x.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        if (!waitFor([&] { return x.canReadLine(); }, 10000))
            return false;
        env = std::make_unique<ScopedEnv>("DISPLAY", ":" + x.readLine().trimmed());
        if (!withWm)
            return true;
        // openbox runs its start-up command once it manages the screen.
        QTemporaryDir ready;
        wm.start(QStringLiteral("openbox"), {"--startup", "touch " + ready.filePath("up")});
        return waitFor([&] { return QFile::exists(ready.filePath("up")); }, 10000);
    }
    ~XDisplay()
    {
        // Ended in order, so the display's lock and socket do not outlive it.
        for (QProcess *p : {&wm, &x})
            p->terminate(), p->waitForFinished(3000) || (p->kill(), p->waitForFinished(3000));
    }
};
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
    // program opens the futures-code window.
    void futuresWindowOnNewCode()
    {
        XDisplay display;
        if (!display.start(false))
            QSKIP("Xvfb or xdotool missing");
        TempHome home;
        home.write(QStringLiteral("fut.txt"), "CH26\r\n"); // older than the server's CU26
        ProgramRun run(Exe, QUOTARO_DEMO_SERVER, home.path());
        QVERIFY(run.startServer());
        run.startProgram({}, QStringLiteral("xcb"));
        QVERIFY(waitFor([] { return !xdotool({"search", "--onlyvisible", "--name", "Aggiornamento codice"}).isEmpty(); },
                        20000));
    }

    // Under a window manager the strip stays on top, and a drag moves it and ends with the
    // release: afterwards the strip no longer follows the pointer.
    void stripDragUnderWindowManager()
    {
        XDisplay display;
        if (!display.start(true))
            QSKIP("Xvfb, openbox or xdotool missing");
        TempHome home;
        ProgramRun run(Exe, QUOTARO_DEMO_SERVER, home.path());
        run.startProgram({"1"}, QStringLiteral("xcb"));
        QByteArray strip;
        QVERIFY(waitFor([&] { return !(strip = xdotool({"search", "--onlyvisible", "--name", "ridotta"})).isEmpty(); },
                        20000));
        strip = strip.trimmed();
        auto where = [&] { return QPoint(xdotool({"getwindowgeometry", "--shell", strip}).split('\n').value(1).mid(2).toInt(),
                                         xdotool({"getwindowgeometry", "--shell", strip}).split('\n').value(2).mid(2).toInt()); };
        const QPoint start = where();
        auto pointer = [](QPoint p) { return QString::number(p.x()) + ' ' + QString::number(p.y()); };
        xdotool(QString("mousemove %1 mousedown 1").arg(pointer(start + QPoint(3, 3))).split(' '));
        for (int step = 1; step <= 4; ++step)
            xdotool(QString("mousemove %1").arg(pointer(start + QPoint(3 + 30 * step, 3 + 40 * step))).split(' '));
        xdotool({"mouseup", "1"});
        QVERIFY(waitFor([&] { return where().y() > start.y() + 60; }));
        const QPoint dropped = where();
        xdotool(QString("mousemove %1").arg(pointer(dropped + QPoint(200, 300))).split(' '));
        xdotool(QString("mousemove %1").arg(pointer(dropped + QPoint(250, 100))).split(' '));
        xdotool({"mouseup", "1"}); // the next thing that must happen: a plain release
        QCOMPARE(where(), dropped);
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
