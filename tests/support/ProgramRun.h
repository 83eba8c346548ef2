#pragma once
// Helpers for tests that run the built programs: the demo server and program instances
// for one application folder, all killed when the test ends, and a check of the
// history records the program wrote.
#include <QProcess>
#include <QStringList>
#include <memory>
#include <vector>

// Sets an environment variable for the life of a scope.
class ScopedEnv {
    const char *name_;
    QByteArray old_;
public:
    ScopedEnv(const char *name, const QByteArray &value) : name_(name), old_(qgetenv(name)) { qputenv(name, value); }
    ~ScopedEnv() { old_.isNull() ? void(qunsetenv(name_)) : void(qputenv(name_, old_)); }
    Q_DISABLE_COPY(ScopedEnv)
};

// Starts the demo server and the program (pass QUOTARO_EXE and QUOTARO_DEMO_SERVER) for
// the application folder `home`. When it goes, every process it started and every
// instance of the program running in `home` (however started) is killed; its own
// children also die with the test process should the test crash.
class ProgramRun {
public:
    ProgramRun(const QString &exe, const QString &demoServer, const QString &home)
        : exe_(exe), demoServer_(demoServer), home_(home) {}
    ~ProgramRun();
    Q_DISABLE_COPY(ProgramRun)

    // The demo server on a free loopback port, its time fixed at 16:00 and its futures
    // code CU26; its port, 0 when it did not come up.
    quint16 startServer();
    quint16 port() const { return port_; }
    // What the server logged so far: one line per answered request.
    QByteArray serverLog();
    // The program with QUOTARO_HOME at the folder and both servers on the demo server
    // (or a closed port without it).
    QProcess *startProgram(const QStringList &arguments, const QString &platformName = QStringLiteral("offscreen"));
    // Running instances of the program whose QUOTARO_HOME is the folder, found in /proc.
    QList<qint64> instances() const;
    // The argument vector of a process, NUL-separated, from /proc.
    static QByteArray commandLine(qint64 pid) { return readProc(pid, "cmdline"); }
    // Gone, or a zombie that only waits to be reaped.
    static bool ended(qint64 pid);

private:
    static QByteArray readProc(qint64 pid, const char *what);
    QProcess *start(const QString &program, const QStringList &arguments, const QProcessEnvironment &env);
    QString exe_, demoServer_, home_;
    std::vector<std::unique_ptr<QProcess>> processes_;
    QProcess *server_ = nullptr;
    quint16 port_ = 0;
    QByteArray log_;
};

// Empty when `content` is whole history records as the writer lays them out: time,
// close, change and value each in its 14-column zone (numbers with a decimal comma,
// the change signed "- " exactly when the value is below the close), a date among
// `dates`, CR LF. Otherwise the first fault found. A partial record (from a page that
// lacked some of its values) may leave the time or the close blank and is not held to the sign.
QString historyFault(const QByteArray &content, const QStringList &dates, bool partial = false);
