#include "ProgramRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <csignal>
#include <sys/prctl.h>

#include "TestSupport.h"

namespace {

QByteArray readProc(qint64 pid, const char *what)
{
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(what)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

ScopedEnv::ScopedEnv(const char *name, const QByteArray &value) : name_(name), old_(qgetenv(name))
{
    qputenv(name, value);
}

ScopedEnv::~ScopedEnv()
{
    if (old_.isNull())
        qunsetenv(name_);
    else
        qputenv(name_, old_);
}

ProgramRun::ProgramRun(const QString &exe, const QString &demoServer, const QString &home)
    : exe_(exe), demoServer_(demoServer), home_(home)
{
}

ProgramRun::~ProgramRun()
{
    for (qint64 pid : instances())
        ::kill(pid_t(pid), SIGKILL);
    for (auto &p : processes_) {
        p->kill();
        p->waitForFinished(3000);
    }
}

quint16 ProgramRun::startServer()
{
    server_ = start(demoServer_,
                    {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--time"),
                     QStringLiteral("16:00"), QStringLiteral("--futures-code"), QStringLiteral("CU26")},
                    QProcessEnvironment::systemEnvironment());
    waitFor([this] { return server_->canReadLine() || server_->state() == QProcess::NotRunning; });
    const auto m = QRegularExpression(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)\\n$"))
                       .match(QString::fromLatin1(server_->readLine()));
    port_ = m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
    return port_;
}

QByteArray ProgramRun::serverLog()
{
    QCoreApplication::processEvents();
    if (server_)
        log_ += server_->readAllStandardError();
    return log_;
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

QProcess *ProgramRun::start(const QString &program, const QStringList &arguments,
                            const QProcessEnvironment &env)
{
    processes_.push_back(std::make_unique<QProcess>());
    QProcess *p = processes_.back().get();
    p->setProcessEnvironment(env);
    p->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    p->start(program, arguments);
    p->waitForStarted(5000);
    return p;
}

QList<qint64> ProgramRun::instances() const
{
    QList<qint64> found;
    const QByteArray mark = "QUOTARO_HOME=" + QFile::encodeName(home_);
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok || commandLine(pid).split('\0').value(0) != QFile::encodeName(exe_))
            continue;
        if (!ended(pid) && readProc(pid, "environ").split('\0').contains(mark))
            found << pid;
    }
    return found;
}

QByteArray ProgramRun::commandLine(qint64 pid)
{
    return readProc(pid, "cmdline");
}

bool ProgramRun::ended(qint64 pid)
{
    const QByteArray stat = readProc(pid, "stat");
    const qsizetype close = stat.lastIndexOf(')');
    return stat.isEmpty() || (close > 0 && stat.mid(close + 2, 1) == "Z");
}

QString historyFault(const QByteArray &content, const QStringList &dates)
{
    QList<QByteArray> lines = content.split('\n');
    if (!lines.takeLast().isEmpty())
        return QStringLiteral("no line end at the end");
    const QRegularExpression forms[] = {
        QRegularExpression(QStringLiteral("^\\d{1,2}:\\d\\d$")), QRegularExpression(QStringLiteral("^\\d+,\\d+$")),
        QRegularExpression(QStringLiteral("^[+-] \\d+,\\d+ %$")), QRegularExpression(QStringLiteral("^\\d+,\\d+$"))};
    for (const QByteArray &line : lines) {
        const QString text = QString::fromLatin1(line);
        if (text.size() != 67 || !text.endsWith(u'\r'))
            return QStringLiteral("layout: ") + text;
        QStringList fields;
        for (int i = 0; i < 4; ++i) {
            const QString zone = text.mid(14 * i, 14);
            fields << zone.trimmed();
            if (zone.front() == u' ' || zone.back() != u' ' || !forms[i].match(fields.last()).hasMatch())
                return QStringLiteral("field %1: '%2'").arg(i + 1).arg(zone);
        }
        if (!dates.contains(text.mid(56, 10)))
            return QStringLiteral("date: ") + text.mid(56, 10);
        auto number = [](QString t) { return t.replace(u',', u'.').toDouble(); };
        if (fields[2].startsWith(number(fields[1]) > number(fields[3]) ? u'+' : u'-'))
            return QStringLiteral("sign: ") + text;
    }
    return QString();
}
