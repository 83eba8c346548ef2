// The built program as a user runs it: with an instance number against the demo server,
// without its settings file, and its strip dragged under a real window manager; and a
// program started the way the windows start one.
#include <QProcess>
#include <QStandardPaths>
#include <QTimeZone>
#include <QtTest>
#include <csignal>
#include <sys/file.h>
#include <sys/prctl.h>
#include <xcb/xcb.h>

#include "TestSupport.h"

namespace {
// The demo server and the program for one application folder: every process it starts
// is killed when it goes, and dies with the test process.
struct ProgramRun {
    TempHome home;
    explicit ProgramRun(bool withSettings = true, bool withFut = true) : home(withSettings, withFut) {}
    std::vector<std::unique_ptr<QProcess>> processes;
    quint16 port = 9; // nobody listens there before the server is up
    QProcess *start(const QString &program, const QStringList &arguments, const QString &platformName = "offscreen")
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString server = QStringLiteral("127.0.0.1:%1").arg(port);
        for (const auto &[name, value] : {std::pair{"QT_QPA_PLATFORM", platformName}, {"QUOTARO_HOME", home.path()},
                                          {"QUOTARO_QUOTE_SERVER", server}, {"QUOTARO_FUTURES_SERVER", server}})
            env.insert(QString::fromLatin1(name), value);
        QProcess *p = processes.emplace_back(std::make_unique<QProcess>()).get();
        p->setProcessEnvironment(env);
        p->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        p->start(program, arguments);
        p->waitForStarted(5000);
        return p;
    }
    // The quote server on a free loopback port (by default the demo walk, its time fixed at
    // 16:00); false when it did not come up.
    bool startServer(const QStringList &feed = {"--time", "16:00"})
    {
        QProcess *server = start(QUOTARO_SERVER, QStringList{"--port", "0"} + feed);
        waitFor([&] { return server->canReadLine() || server->state() == QProcess::NotRunning; });
        const auto m = QRegularExpression("^listening on 127\\.0\\.0\\.1:(\\d+)\\n$").match(server->readLine());
        port = m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
        return port > 0;
    }
    ~ProgramRun()
    {
        for (auto &p : processes)
            p->kill(), p->waitForFinished(3000);
    }
};

// What a tool printed; empty when it failed.
QByteArray output(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(5000) && p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
}
QByteArray xdotool(const QStringList &arguments) { return output("xdotool", arguments); }
// The window's state and frame as the window manager keeps them.
QByteArray state(const QByteArray &window)
{ return output("xprop", {"-id", window, "_NET_WM_STATE", "_NET_FRAME_EXTENTS"}); }

// The visible windows whose title contains the text.
QList<QByteArray> windows(const char *title)
{
    QList<QByteArray> found = xdotool({"search", "--onlyvisible", "--name", title}).split('\n');
    return found.removeAll(QByteArray()), found;
}
QPoint where(const QByteArray &window)
{
    const QList<QByteArray> shell = xdotool({"getwindowgeometry", "--shell", window}).split('\n');
    return QPoint(shell.value(1).mid(2).toInt(), shell.value(2).mid(2).toInt()); // X=..., Y=...
}
// Takes the window out of the always-on-top band, as a pager or the window manager's menu does.
void clearAbove(const QByteArray &window)
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    auto atom = [c](const char *n) { auto *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(n), n), nullptr);
                                     const xcb_atom_t a = r ? r->atom : 0; return free(r), a; };
    const xcb_client_message_event_t m{XCB_CLIENT_MESSAGE, 32, 0, xcb_window_t(window.toUInt()), atom("_NET_WM_STATE"),
                                       {.data32 = {0, atom("_NET_WM_STATE_ABOVE")}}}; // 0: remove
    xcb_send_event(c, 0, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY, (const char *)&m);
    xcb_flush(c), xcb_disconnect(c);
}

// A virtual X display of its own (Xvfb picks a free number and writes it once ready),
// managed by openbox, for as long as it lives.
struct XDisplay {
    QProcess x, wm;
    std::unique_ptr<ScopedEnv> env;
    bool start()
    {
        for (const char *program : {"Xvfb", "xdotool", "openbox", "xprop"})
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
        ProgramRun run(true, false);
        QVERIFY(run.startServer());
        QProcess *program = run.start(QUOTARO_EXE, {"2"});
        QVERIFY(waitFor([&] { return run.home.read("S&P 500.txt").contains("\r\n"); }, 10000));
        QCOMPARE(program->state(), QProcess::Running);
        const QString record = QString::fromLatin1(run.home.read("S&P 500.txt"));
        const QRegularExpression form("^16:00 {9}\\d{4},\\d\\d +[+-] \\d,\\d\\d % +\\d{4},\\d\\d +"
                                      "\\d\\d/\\d\\d/\\d{4}\\r\\n$");
        QVERIFY2(form.match(record).hasMatch(), qPrintable(record));
        QByteArray log; // the server's line about the first request it answered
        QVERIFY(waitFor([&] { return (log += run.processes[0]->readAllStandardError()).contains('\n'); }));
        QVERIFY2(log.contains("\"GET /qc/stocks/quotes.aspx?symbols=^GSPC HTTP/1.1\" 200"), log.constData());
    }

    // On the live feed, with a stand-in for the source answering as the source does: the
    // reading of the source's answer is recorded.
    void liveFeedRecorded()
    {
        QFile recorded(QStringLiteral(QUOTARO_TEST_DATA "/yahoo/tnx-5m-1d.json"));
        QVERIFY(recorded.open(QIODevice::ReadOnly));
        // Its quote time a minute ago: the server takes no reading older than a week.
        const qint64 time = QDateTime::currentSecsSinceEpoch() - 60;
        const QByteArray answer = recorded.readAll().replace("1770062392", QByteArray::number(time));
        ScriptedServer source(ScriptedServer::reply(httpAnswer(answer)));
        ProgramRun run(true, false);
        run.home.write("DatiIndex.cfg", "\"Nasdaq\",\"^IXIC\"\r\n\"Rendimento\",\"^TNX\"\r\n");
        QVERIFY(run.startServer({"--feed", "live", "--upstream", "http://" + source.address()}));
        run.start(QUOTARO_EXE, {"1"});
        QVERIFY(waitFor([&] { return run.home.read("Rendimento.txt").contains("\r\n"); }, 10000));
        const QByteArray eastern =
            QDateTime::fromSecsSinceEpoch(time).toTimeZone(QTimeZone("America/New_York")).toString(u"HH:mm").toLatin1();
        QCOMPARE(run.home.read("Rendimento.txt"), rec(eastern, "4,2270", "+ 1,14 %", "4,2750"));
    }

    // Without its settings file the program ends at once, saying why.
    void noSettings()
    {
        ProgramRun run(false, true);
        QProcess *program = run.start(QUOTARO_EXE, {});
        QVERIFY2(program->waitForFinished(10000), "the program did not end");
        QVERIFY(program->exitStatus() == QProcess::NormalExit && program->exitCode() == 1);
        const QString said = QString::fromUtf8(program->readAllStandardError()), cfg = run.home.file("DatiIndex.cfg");
        QVERIFY(said.contains("Impossibile leggere il file delle impostazioni \"" + cfg + '"'));
    }

    // The futures window the download opens is centred with its frame.
    void futuresWindowCentred()
    {
        XDisplay display;
        ProgramRun run;
        run.home.write("fut.txt", "CA00\r\n"); // never the published code
        if (!display.start() || !run.startServer())
            QSKIP("Xvfb, openbox, xdotool or xprop missing");
        run.start(QUOTARO_EXE, {}, QStringLiteral("xcb"));
        QList<QByteArray> f, g, e; // the window, its geometry, its frame's left, right, top and bottom
        auto n = [&](const QList<QByteArray> &l, int i) { return l.value(i).toInt(); };
        QVERIFY(waitFor([&] { return !(f = windows("Aggiornamento")).isEmpty(); }, 20000));
        QVERIFY(waitFor([&] { // xdotool's X and Y count the frame twice
            g = xdotool({"getwindowgeometry", "--shell", f[0]}).replace('=', '\n').split('\n');
            e = state(f[0]).split('=').last().replace(',', ' ').simplified().split(' ');
            return e.size() == 4 && n(g, 3) - 2 * n(e, 0) == (1024 - n(g, 7) - n(e, 0) - n(e, 1)) / 2
                   && n(g, 5) - 2 * n(e, 2) == (768 - n(g, 9) - n(e, 2) - n(e, 3)) / 2;
        }));
    }

    // Under a window manager: "On Top" sets and clears the main window's always-on-top
    // state without moving it; "Nuove" puts three undecorated strips on top side by side
    // along the top edge; a strip steps; a drag moves it and ends with the release.
    void underWindowManager()
    {
        XDisplay display;
        if (!display.start())
            QSKIP("Xvfb, openbox, xdotool or xprop missing");
        ProgramRun run;
        const ScopedEnv busy("QUOTARO_POLL_INTERVAL_MS", "100"); // the strips' polls
        QVERIFY(run.startServer());
        run.start(QUOTARO_EXE, {"3"}, QStringLiteral("xcb")); // no futures window
        QList<QByteArray> main, strips;
        QVERIFY(waitFor([&] { return !(main = windows("Indici by")).isEmpty(); }, 20000));
        // Placed once it is active and the program has centred it with its frame.
        QPoint placed;
        QVERIFY(waitFor([&] {
            const QPoint before = where(main[0]);
            QTest::qWait(300);
            return xdotool({"getactivewindow"}).trimmed() == main[0] && (placed = where(main[0])) == before;
        }, 10000));
        for (bool above : {true, false}) {
            xdotool({"mousemove", "--window", main[0], "374", "33", "click", "1"}); // "On Top"
            // The window is made anew for the change: look for it again.
            QVERIFY(waitFor([&] {
                return !(main = windows("Indici by")).isEmpty() && above == state(main[0]).contains("ABOVE");
            }));
            QCOMPARE(where(main[0]), placed);
        }
        xdotool({"mousemove", "--window", main[0], "390", "57", "click", "1"}); // "Nuove"
        auto stopAll = qScopeGuard([&] {
            for (const QByteArray &s : strips)
                ::kill(pid_t(xdotool({"getwindowpid", s}).trimmed().toInt()), SIGKILL);
        });
        auto places = [&] { // the strips' positions, left to right
            QList<QPoint> p;
            for (const QByteArray &s : strips)
                p << where(s);
            return std::ranges::sort(p, {}, &QPoint::x), p;
        };
        const QList<QPoint> sideBySide{{0, 0}, {310, 0}, {620, 0}};
        QVERIFY(waitFor([&] { return (strips = windows("ridotta")).size() == 3 && places() == sideBySide; }, 20000));
        for (const QByteArray &s : strips)
            QVERIFY(state(s).contains("_NET_WM_STATE_ABOVE") && state(s).contains("EXTENTS(CARDINAL) = 0, 0, 0, 0"));
        const QByteArray strip = *std::ranges::find_if(strips, [&](const QByteArray &s) { return where(s).isNull(); });
        // Taken out of the band from outside, a strip is back in it at its next activation.
        xdotool({"windowactivate", "--sync", *std::ranges::find_if(strips, [&](auto &s) { return s != strip; })});
        QVERIFY(waitFor([&] { return clearAbove(strip), QTest::qWait(100), !state(strip).contains("ABOVE"); }));
        xdotool({"windowactivate", "--sync", strip});
        QVERIFY(waitFor([&] { return state(strip).contains("_NET_WM_STATE_ABOVE"); }));
        xdotool({"mousemove", "--window", strip, "10", "12", "click", "1"}); // the name label: one step right
        QVERIFY(waitFor([&] { return where(strip) == QPoint(310, 0); }));
        // Pressed on the strip, dragged in steps, released; then the pointer moves on alone.
        const QPoint start = where(strip);
        xdotool(QString("mousemove --window %1 3 3 mousedown 1 %2 mouseup 1").arg(QString(strip))
                    .arg(QString("sleep 0.1 mousemove_relative 30 40 ").repeated(4)).split(' ', Qt::SkipEmptyParts));
        QVERIFY(waitFor([&] { return where(strip).y() > start.y() + 60; }));
        const QPoint dropped = where(strip);
        xdotool({"mousemove_relative", "200", "300", "sleep", "0.1", "mousemove_relative", "50", "20", "mouseup", "1"});
        QVERIFY(!waitFor([&] { return where(strip) != dropped; }, 1000)); // nor later
        // Another process holds the history files' lock; drags pressed, moved and released at once
        // while polls come: each ends where released, and the pointer then moves on alone.
        std::vector<std::unique_ptr<QFile>> locks;
        for (const char *name : {"Fut\u00f9res.txt", "Nasdaq.txt", "D.Jones.txt"})
            locks.emplace_back(new QFile(run.home.file(QString::fromUtf8(name))))->open(QIODevice::Append)
                && ::flock(locks.back()->handle(), LOCK_EX);
        for (int i = 0; i < 10; ++i) {
            const QPoint from = where(strip);
            xdotool(QString("mousemove --window %1 3 3 mousedown 1 mousemove_relative 20 10 mouseup 1")
                        .arg(strip.data()).split(' '));
            QVERIFY(waitFor([&] { return where(strip) == from + QPoint(20, 10); }));
            xdotool({"mousemove_relative", "100", "50", "sleep", "0.3"});
            QCOMPARE(where(strip), from + QPoint(20, 10));
        }
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
