#pragma once
// Where the program's files live and which servers and programs it talks to.
// The only place that reads the environment.
#include <QDateTime>
#include <QString>
#include <optional>

namespace platform {

// The two settings files of the application folder.
inline const QString SettingsFileName = QStringLiteral("DatiIndex.cfg");
inline const QString FuturesFileName = QStringLiteral("fut.txt");

struct ServerAddress {
    QString host;       // what to connect to: a name, or an address (IPv6 without brackets)
    QString hostHeader; // the request's Host line: the name alone, an IPv6 address in brackets
    quint16 port = 80;
    // The local quote server the program falls back on, not an address the user set: it
    // is trusted only when its port is held by this user (or root), and started when
    // nothing listens there.
    bool builtIn = false;
    // "host:port", as the user reads it.
    QString text() const { return hostHeader + QLatin1Char(':') + QString::number(port); }
};

// Folder of DatiIndex.cfg, fut.txt and the history files: $QUOTARO_HOME, else the
// executable's folder (an installed copy: $XDG_DATA_HOME/quotaro). No side effects.
QString appHome();
// Start-up step of an installed copy: creates its data folder and copies the shipped
// DatiIndex.cfg and fut.txt there on first start.
void prepareAppHome();
// Full path of a file in the application folder.
QString appFile(const QString &name);

ServerAddress quoteServer();   // $QUOTARO_QUOTE_SERVER, else the local quote server
ServerAddress futuresServer(); // $QUOTARO_FUTURES_SERVER, else the local quote server

// The user id of a process other than this user and root that listens on this TCP port
// of the machine (from the kernel's socket tables); nothing when none does.
std::optional<uint> foreignListener(quint16 port);
// The same, from the text of one table (/proc/net/tcp or /proc/net/tcp6) and the ids
// to trust.
std::optional<uint> foreignListenerIn(const QByteArray &table, quint16 port, uint self);

// The local quote server's program: quotaro-server beside this executable, else from
// PATH; empty when there is none.
QString localServerProgram();

QString browserProgram(); // $QUOTARO_BROWSER, else xdg-open
QString editorProgram();  // $QUOTARO_EDITOR, else xdg-open
QString selfExecutable(); // this program, to start further instances

// The time now; $QUOTARO_NOW (an ISO 8601 date and time with its offset, a testing aid
// for the market hours) stops the clock at that instant.
QDateTime now();

// $QUOTARO_POLL_INTERVAL_MS, a testing aid: the poll interval in milliseconds that
// replaces both speeds of the speed menu; 0 when unset or not a positive number.
int pollIntervalOverride();

// The Qt platform to ask for before the application starts: in a Wayland session with
// an X server at hand (XWayland) and no platform chosen by the user, "xcb", because
// under Wayland a window can neither place itself (the strips) nor stay on top. Empty:
// leave Qt's own choice.
QByteArray windowSystem(const QByteArray &chosen, const QByteArray &waylandDisplay, const QByteArray &xDisplay);
// Applies it to this process's environment, and takes it away again once the application
// has started, so the programs it starts (browser, editor) make their own choice.
void chooseWindowSystem();
void forgetWindowSystem();

// "host", "host:port", "[IPv6 address]" or "[IPv6 address]:port"; a missing or bad
// port gives 80.
ServerAddress parseServer(const QString &text);

} // namespace platform
