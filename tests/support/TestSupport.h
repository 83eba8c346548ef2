#pragma once
// Helpers shared by the test programs: a desktop that records instead of acting, a
// scriptable loopback HTTP server, a temporary application folder, the record builder
// and a main window in a folder of its own.
#include <QAction>
#include <QApplication>
#include <QDate>
#include <QFile>
#include <QLineEdit>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "platform/Desktop.h"
#include "quote/PaginaQuotazione.h"
#include "ui/Form1.h"

// Sets an environment variable for the life of a scope.
struct ScopedEnv {
    const char *name;
    QByteArray old;
    ScopedEnv(const char *n, const QByteArray &value) : name(n), old(qgetenv(n)) { qputenv(n, value); }
    ~ScopedEnv() { old.isNull() ? void(qunsetenv(name)) : void(qputenv(name, old)); }
};

// Records program starts, speech, questions, messages and notifications.
class RecordingDesktop : public platform::Desktop {
public:
    struct Start { QString program; QStringList arguments; };
    QList<Start> starts;
    QStringList spoken, questions, errors, notes, started; // started: each start as "program argument..."
    bool answerYes = false;

    RecordingDesktop() : platform::Desktop(false) {}
    bool startProgram(const QString &program, const QStringList &arguments, QString *) override
    {
        starts.append({program, arguments}), started << (QStringList{program} + arguments).join(u' ');
        return true;
    }
    void speak(const QString &text) override { spoken << text; }
    bool askYesNo(QWidget *, const QString &, const QString &text) override { return questions << text, answerYes; }
    void showError(QWidget *, const QString &, const QString &text) override { errors << text; }
    void notify(const QString &, const QString &text) override { notes << text; }
};

// A loopback server: records what each connection sent and lets the test decide how to
// answer. The handler runs once the request's blank line has arrived.
class ScriptedServer : public QTcpServer {
    Q_OBJECT
public:
    using Handler = std::function<void(QTcpSocket *socket, const QByteArray &request)>;
    explicit ScriptedServer(Handler handler = {});
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(serverPort()); }
    QList<QByteArray> requests;
    Handler handler;
    // Answer every request with this whole text, then close.
    static Handler reply(const QByteArray &answer);
};

// An HTTP answer around a body, with its Content-Length.
QByteArray httpAnswer(const QByteArray &body);

// Today (or another day) as a record writes it.
QString day(int offset = 0);
// A history record: four fields in 14-column zones, the date, CR LF.
QByteArray rec(const char *time, const char *close, const char *change, const char *value,
               const QString &date = day());

// A temporary application folder, optionally with the shipped settings files;
// QUOTARO_HOME points at it while it lives.
class TempHome {
public:
    explicit TempHome(bool withSettings = true, bool withFut = true);
    QString path() const { return dir_.path(); }
    QString file(const QString &name) const { return dir_.filePath(name); }
    void write(const QString &name, const QByteArray &content) const;
    QByteArray read(const QString &name) const;
    bool exists(const QString &name) const { return QFile::exists(file(name)); }
private:
    QTemporaryDir dir_;
    ScopedEnv home_{"QUOTARO_HOME", QFile::encodeName(dir_.path())};
};

// Processes events until the predicate holds or the time is up.
bool waitFor(const std::function<bool()> &predicate, int timeoutMs = 5000);

// A main window started with an argument in a folder of its own, both servers on one
// scripted loopback server (answering nothing until told).
struct Principale {
    TempHome home;
    RecordingDesktop desktop;
    ScriptedServer server;
    std::unique_ptr<Form1> form;
    bool loaded = false;

    explicit Principale(const QString &argomento = QStringLiteral("3"), bool withSettings = true, bool withFut = true,
                      ScriptedServer::Handler handler = {});
    template <class T = QWidget> T *get(const char *name) const
    {
        return form->findChild<T *>(QString::fromLatin1(name));
    }
    QLineEdit *box(const char *name) const { return get<QLineEdit>(name); }
    void click(const char *action) const { get<QAction>(action)->trigger(); }
    // Serves a page with these values ("16:05|9551.12|0.52|9503.34": a 24-hour time, new
    // at each poll) and polls once through "Avvia"; true when the time was shown.
    bool poll(const QString &values);
    // A window of the program (the strip, the futures window), once it exists.
    template <class W> static W *window()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<W *>(w))
                return found;
        return nullptr;
    }
};
