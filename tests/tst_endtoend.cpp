// The built program as a user runs it: with an instance number against the demo server,
// without its settings file, and its strip dragged under a real window manager; and a
// program started the way the windows start one.
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <csignal>
#include <sys/prctl.h>

#include "TestSupport.h"

namespace {
// Sets an environment variable for the life of a scope.
struct ScopedEnv {
    const char *name;
    QByteArray old;
    ScopedEnv(const char *n, const QByteArray &value) : name(n), old(qgetenv(n)) { qputenv(n, value); }
    ~ScopedEnv() { old.isNull() ? void(qunsetenv(name)) : void(qputenv(name, old)); }
};

// The demo server and the program for one application folder: every process it starts
// is killed when it goes, and dies with the test process.
struct ProgramRun {
    QString home;
    std::vector<std::unique_ptr<QProcess>> processes;
    quint16 port = 9; // nobody listens there before the server is up
    QProcess *start(const QString &program, const QStringList &arguments, const QString &platformName = "offscreen")
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString server = QStringLiteral("127.0.0.1:%1").arg(port);
        for (const auto &[name, value] : {std::pair{"QT_QPA_PLATFORM", platformName}, {"QUOTARO_HOME", home},
                                          {"QUOTARO_QUOTE_SERVER", server}, {"QUOTARO_FUTURES_SERVER", server}})
            env.insert(QString::fromLatin1(name), value);
        QProcess *p = processes.emplace_back(std::make_unique<QProcess>()).get();
        p->setProcessEnvironment(env);
        p->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        p->start(program, arguments);
        p->waitForStarted(5000);
        return p;
    }
    // The demo server on a free loopback port, its time fixed at 16:00; false when it did not come up.
    bool startServer()
    {
        QProcess *server = start(QUOTARO_DEMO_SERVER, {"--port", "0", "--time", "16:00"});
        waitFor([&] { return server->canReadLine() || server->state() == QProcess::NotRunning; });
        const auto m = QRegularExpression("^listening on 127\\.0\\.0\\.1:(\\d+)\\n$").match(server->readLine());
        port = m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
        return port > 0;
    }
    QProcess *startProgram(const QStringList &arguments, const QString &platformName = "offscreen")
    {
        return start(QUOTARO_EXE, arguments, platformName);
    }
    ~ProgramRun()
    {
        for (auto &p : processes)
            p->kill(), p->waitForFinished(3000);
    }
};

// What xdotool printed; empty when it failed.
QByteArray xdotool(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), arguments);
    return p.waitForFinished(5000) && p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
}

// A virtual X display of its own (Xvfb picks a free number and writes it once ready),
// managed by openbox, for as long as it lives.
struct XDisplay {
    QProcess x, wm;
    std::unique_ptr<ScopedEnv> env;
    bool start()
    {
        for (const char *program : {"Xvfb", "xdotool", "openbox"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
                return false;
        x.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        if (!waitFor([&] { return x.canReadLine(); }, 10000))
            return false;
        env = std::make_unique<ScopedEnv>("DISPLAY", ":" + x.readLine().trimmed());
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
    // With a list position the program polls at once (no futures download first) and
    // records the demo server's reading; a level under 10,000 has a thousands separator.
    void instancePollsAtOnceAndAppends()
    {
        TempHome home(true, false);
        ProgramRun run{home.path()};
        QVERIFY(run.startServer());
        QProcess *program = run.startProgram({"2"});
        QVERIFY(waitFor([&] { return home.read("S&P 500.txt").contains("\r\n"); }, 10000));
        QCOMPARE(program->state(), QProcess::Running);
        const QString record = QString::fromLatin1(home.read("S&P 500.txt"));
        const QRegularExpression form("^16:00 {9}\\d{4},\\d\\d +[+-] \\d,\\d\\d % +\\d{4},\\d\\d +"
                                      "\\d\\d/\\d\\d/\\d{4}\\r\\n$");
        QVERIFY2(form.match(record).hasMatch(), qPrintable(record));
        QByteArray log; // the server's line about the first request it answered
        QVERIFY(waitFor([&] { return (log += run.processes[0]->readAllStandardError()).contains('\n'); }));
        QVERIFY2(log.contains("\"GET /qc/stocks/quotes.aspx?symbols=^GSPC HTTP/1.1\" 200"), log.constData());
    }

    // Without its settings file the program ends at once, saying why.
    void noSettings()
    {
        TempHome home(false, true);
        ProgramRun run{home.path()};
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

    // Under a window manager the strip stays on top, and a drag moves it and ends with the
    // release: afterwards the strip no longer follows the pointer.
    void stripDragUnderWindowManager()
    {
        XDisplay display;
        if (!display.start())
            QSKIP("Xvfb, openbox or xdotool missing");
        TempHome home;
        ProgramRun run{home.path()};
        run.startProgram({"1"}, QStringLiteral("xcb"));
        QByteArray strip;
        QVERIFY(waitFor([&] { return !(strip = xdotool({"search", "--onlyvisible", "--name", "ridotta"})).isEmpty(); },
                        20000));
        strip = strip.trimmed();
        auto where = [&] {
            const QList<QByteArray> shell = xdotool({"getwindowgeometry", "--shell", strip}).split('\n');
            return QPoint(shell.value(1).mid(2).toInt(), shell.value(2).mid(2).toInt()); // X=..., Y=...
        };
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
