#include "platform/Ambiente.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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

ServerAddress quoteServer()
{
    return parseServer(envOr("QUOTARO_QUOTE_SERVER", QString::fromLatin1(DefaultServer)));
}

ServerAddress futuresServer()
{
    return parseServer(envOr("QUOTARO_FUTURES_SERVER", QString::fromLatin1(DefaultServer)));
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

int pollIntervalOverride()
{
    bool ok = false;
    const int value = qEnvironmentVariable("QUOTARO_POLL_INTERVAL_MS").trimmed().toInt(&ok);
    return ok && value > 0 ? value : 0;
}

} // namespace platform
