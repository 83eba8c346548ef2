#pragma once
// Helpers shared by the test programs: a desktop that records instead of acting,
// a scriptable loopback HTTP server, and a temporary application folder.
#include <QFile>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>
#include <functional>

#include "platform/Desktop.h"

// Records program starts, speech and message boxes; answers questions as told.
class RecordingDesktop : public platform::Desktop {
public:
    struct Start { QString program; QStringList arguments; };
    struct Message { QString title; QString text; };
    QList<Start> starts;
    QStringList spoken;
    QList<Message> questions;
    QList<Message> errors;
    bool answerYes = false;

    RecordingDesktop() { setInstance(this); }
    ~RecordingDesktop() override { setInstance(nullptr); }

    bool startProgram(const QString &program, const QStringList &arguments, QString *) override
    {
        starts.append({program, arguments});
        return true;
    }
    void speak(const QString &text) override { spoken << text; }
    bool askYesNo(QWidget *, const QString &title, const QString &text) override
    {
        questions.append({title, text});
        return answerYes;
    }
    void showError(QWidget *, const QString &title, const QString &text) override { errors.append({title, text}); }
};

// A loopback server: records what each connection sent and lets the test decide
// how to answer. The handler runs once the request's blank line has arrived.
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

// An HTTP answer around a body.
QByteArray httpAnswer(const QByteArray &body);

// A quote page whose four windows hold the given values, as the quote server writes it.
QByteArray quotePage(const QString &time12, const QString &last, const QString &change,
                     const QString &close);

// A temporary application folder, optionally with the shipped settings files;
// QUOTARO_HOME points at it while it lives.
class TempHome {
public:
    explicit TempHome(bool withSettings = true, bool withFut = true);
    ~TempHome();
    QString path() const { return dir_.path(); }
    QString file(const QString &name) const { return dir_.filePath(name); }
    void write(const QString &name, const QByteArray &content) const
    {
        QFile f(file(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
    }
    QByteArray read(const QString &name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool exists(const QString &name) const { return QFile::exists(file(name)); }
private:
    QTemporaryDir dir_;
    QByteArray oldHome_;
};

// Processes events until the predicate holds or the time is up.
bool waitFor(const std::function<bool()> &predicate, int timeoutMs = 5000);
