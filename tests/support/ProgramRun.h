#pragma once
// Tests that run the built programs: the demo server and program instances for one
// application folder, all killed when the test ends, and a check of the history records
// the program wrote.
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

// Starts the demo server and the program for the application folder `home`. When it
// goes, every process it started is killed; they also die with the test process.
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
    // The program with QUOTARO_HOME at the folder and both servers on the demo server.
    QProcess *startProgram(const QStringList &arguments, const QString &platformName = QStringLiteral("offscreen"));

private:
    QProcess *start(const QString &program, const QStringList &arguments, const QProcessEnvironment &env);
    QString exe_, demoServer_, home_;
    std::vector<std::unique_ptr<QProcess>> processes_;
    QProcess *server_ = nullptr;
    quint16 port_ = 0;
    QByteArray log_;
};

// Empty when `content` is whole history records as the writer lays them out: time,
// close, change and value each at the start of its 14-column zone (numbers with a
// decimal comma, the change signed "- " exactly when the value is below the close), a
// date among `dates`, CR LF. Otherwise the first fault found.
QString historyFault(const QByteArray &content, const QStringList &dates);
