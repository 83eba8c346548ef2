#include "ProgramRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <csignal>
#include <sys/prctl.h>

#include "TestSupport.h"

ProgramRun::~ProgramRun()
{
    for (auto &p : processes_)
        p->kill(), p->waitForFinished(3000);
}

quint16 ProgramRun::startServer()
{
    server_ = start(demoServer_, QString("--port 0 --time 16:00 --futures-code CU26").split(u' '),
                    QProcessEnvironment::systemEnvironment());
    waitFor([this] { return server_->canReadLine() || server_->state() == QProcess::NotRunning; });
    const auto m = QRegularExpression(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)\\n$"))
                       .match(QString::fromLatin1(server_->readLine()));
    return port_ = m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
}

QByteArray ProgramRun::serverLog()
{
    QCoreApplication::processEvents();
    return log_ += server_ ? server_->readAllStandardError() : QByteArray();
}

QProcess *ProgramRun::startProgram(const QStringList &arguments, const QString &platformName)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platformName);
    env.insert(QStringLiteral("QUOTARO_HOME"), home_);
    const QString server = QStringLiteral("127.0.0.1:%1").arg(port_ ? port_ : 9);
    env.insert(QStringLiteral("QUOTARO_QUOTE_SERVER"), server);
    env.insert(QStringLiteral("QUOTARO_FUTURES_SERVER"), server);
    return start(exe_, arguments, env);
}

QProcess *ProgramRun::start(const QString &program, const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess *p = processes_.emplace_back(std::make_unique<QProcess>()).get();
    p->setProcessEnvironment(env);
    p->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    p->start(program, arguments);
    p->waitForStarted(5000);
    return p;
}

QString historyFault(const QByteArray &content, const QStringList &dates)
{
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{1,2}:\\d\\d) +(\\d+,\\d+) +([+-]) \\d+,\\d+ % +(\\d+,\\d+) +(\\d\\d/\\d\\d/\\d{4})\\r$"));
    QList<QByteArray> lines = content.split('\n');
    if (!lines.takeLast().isEmpty())
        return QStringLiteral("no line end at the end");
    for (const QByteArray &line : lines) {
        const QString text = QString::fromLatin1(line);
        const auto m = form.match(text);
        // Each field starts its 14-column zone; the date follows the fourth.
        if (!m.hasMatch() || m.capturedStart(2) != 14 || m.capturedStart(3) != 28 || m.capturedStart(4) != 42
            || m.capturedStart(5) != 56 || !dates.contains(m.captured(5)))
            return QStringLiteral("layout or date: ") + text;
        auto number = [&m](int i) { return m.captured(i).replace(u',', u'.').toDouble(); };
        if ((m.captured(3) == u"-") != (number(2) > number(4)))
            return QStringLiteral("sign: ") + text;
    }
    return QString();
}
