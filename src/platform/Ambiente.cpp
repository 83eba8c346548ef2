#include "platform/Ambiente.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

namespace platform {

namespace {
// The local quote server (quotaro-server), which its systemd user socket starts on demand;
// it serves both the quote pages and the futures code.
const char *const DefaultServer = "127.0.0.1:41780";

QString envOr(const char *name, const QString &fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}
} // namespace

namespace {

// The shipped settings of an installed copy: ../share/quotaro beside its bin folder.
QDir shippedDir()
{
    return QDir(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../share/quotaro")));
}

// An installed copy (shipped files in ../share/quotaro, and no settings of its own
// beside a read-only executable) keeps the user's files in $XDG_DATA_HOME/quotaro.
// A copy run from its build or unpacked folder keeps using that folder.
bool installedCopy()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    return shippedDir().exists(SettingsFileName)
           && (!QFileInfo(exeDir).isWritable() || !QDir(exeDir).exists(SettingsFileName));
}
} // namespace

QString appHome()
{
    const QString home = qEnvironmentVariable("QUOTARO_HOME");
    if (!home.isEmpty())
        return home;
    static const QString fallback = installedCopy()
        ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/quotaro")
        : QCoreApplication::applicationDirPath();
    return fallback;
}

void prepareAppHome()
{
    if (!qEnvironmentVariableIsEmpty("QUOTARO_HOME") || !installedCopy())
        return;
    const QDir home(appHome());
    QDir().mkpath(home.path());
    if (home.exists(SettingsFileName))
        return;
    // First start of an installed copy: the user's files begin as the shipped ones.
    for (const QString &name : {SettingsFileName, FuturesFileName})
        QFile::copy(shippedDir().filePath(name), home.filePath(name));
}

QString appFile(const QString &name)
{
    return QDir(appHome()).filePath(name);
}

QByteArray windowSystem(const QByteArray &chosen, const QByteArray &waylandDisplay, const QByteArray &xDisplay)
{
    return chosen.isEmpty() && !waylandDisplay.isEmpty() && !xDisplay.isEmpty() ? QByteArrayLiteral("xcb")
                                                                                : QByteArray();
}

namespace {
bool windowSystemChosen = false;
}

void chooseWindowSystem()
{
    const QByteArray platform =
        windowSystem(qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"));
    windowSystemChosen = !platform.isEmpty();
    if (windowSystemChosen)
        qputenv("QT_QPA_PLATFORM", platform);
}

void forgetWindowSystem()
{
    if (windowSystemChosen)
        qunsetenv("QT_QPA_PLATFORM");
}

ServerAddress parseServer(const QString &text)
{
    ServerAddress address;
    // An IPv6 address carries colons of its own: in brackets, the port follows the "]".
    const qsizetype bracket = text.startsWith(QLatin1Char('[')) ? text.indexOf(QLatin1Char(']')) : -1;
    const qsizetype colon = bracket < 0 ? text.lastIndexOf(QLatin1Char(':'))
                            : text.mid(bracket + 1, 1) == QLatin1String(":") ? bracket + 1 : -1;
    const QString host = bracket >= 0 ? text.left(bracket + 1) : colon < 0 ? text : text.left(colon);
    address.hostHeader = host;
    address.host = bracket >= 0 ? host.mid(1, bracket - 1) : host;
    bool ok = false;
    const uint port = colon < 0 ? 0 : text.mid(colon + 1).toUInt(&ok);
    if (ok && port > 0 && port < 65536)
        address.port = quint16(port);
    return address;
}

namespace {
ServerAddress serverFrom(const char *variable)
{
    const QString set = qEnvironmentVariable(variable);
    ServerAddress address = parseServer(set.isEmpty() ? QString::fromLatin1(DefaultServer) : set);
    address.builtIn = set.isEmpty();
    return address;
}
} // namespace

ServerAddress quoteServer()
{
    return serverFrom("QUOTARO_QUOTE_SERVER");
}

ServerAddress futuresServer()
{
    return serverFrom("QUOTARO_FUTURES_SERVER");
}

std::optional<uint> foreignListenerIn(const QByteArray &table, quint16 port, uint self)
{
    // "sl local_address rem_address st ... uid ...": a listening entry (state 0A) on
    // the port, whatever local address it took.
    const QByteArray suffix = ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &line : table.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 8 || fields[3] != "0A" || !fields[1].endsWith(suffix))
            continue;
        bool ok = false;
        const uint uid = fields[7].toUInt(&ok);
        if (ok && uid != self && uid != 0)
            return uid;
    }
    return std::nullopt;
}

std::optional<uint> foreignListener(quint16 port)
{
    for (const char *name : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile table(QString::fromLatin1(name));
        if (!table.open(QIODevice::ReadOnly))
            continue;
        if (const std::optional<uint> uid = foreignListenerIn(table.readAll(), port, ::getuid()))
            return uid;
    }
    return std::nullopt;
}

QString localServerProgram()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/quotaro-server");
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStandardPaths::findExecutable(QStringLiteral("quotaro-server"));
}

QString browserProgram()
{
    return envOr("QUOTARO_BROWSER", QStringLiteral("xdg-open"));
}

QString editorProgram()
{
    return envOr("QUOTARO_EDITOR", QStringLiteral("xdg-open"));
}

QString selfExecutable()
{
    return QCoreApplication::applicationFilePath();
}

QDateTime now()
{
    const QDateTime fixed = QDateTime::fromString(qEnvironmentVariable("QUOTARO_NOW"), Qt::ISODate);
    return fixed.isValid() ? fixed : QDateTime::currentDateTime();
}

int pollIntervalOverride()
{
    bool ok = false;
    const int value = qEnvironmentVariable("QUOTARO_POLL_INTERVAL_MS").trimmed().toInt(&ok);
    return ok && value > 0 ? value : 0;
}

} // namespace platform
