#include "platform/Ambiente.h"

#include <QCoreApplication>
#include <QDir>

namespace platform {

namespace {
const char *const DefaultQuoteHost = "quote.finanzausa.example";
const char *const DefaultFuturesHost = "www.quotaro.example";

QString envOr(const char *name, const QString &fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}
} // namespace

QString appHome()
{
    return envOr("QUOTARO_HOME", QCoreApplication::applicationDirPath());
}

QString appFile(const QString &name)
{
    return QDir(appHome()).filePath(name);
}

ServerAddress parseServer(const QString &text)
{
    ServerAddress address;
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0) {
        address.host = text;
        return address;
    }
    address.host = text.left(colon);
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (ok && port > 0 && port < 65536)
        address.port = quint16(port);
    return address;
}

ServerAddress quoteServer()
{
    return parseServer(envOr("QUOTARO_QUOTE_SERVER", QString::fromLatin1(DefaultQuoteHost)));
}

ServerAddress futuresServer()
{
    return parseServer(envOr("QUOTARO_FUTURES_SERVER", QString::fromLatin1(DefaultFuturesHost)));
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

} // namespace platform
