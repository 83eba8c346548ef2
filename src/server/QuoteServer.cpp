#include "server/QuoteServer.h"

#include <QCoreApplication>
#include <QHostInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <cstdio>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include "market/Futures.h"

namespace server {
namespace {

constexpr qsizetype MaxHeaderBytes = 64 * 1024;
constexpr int IdleTimeoutMs = 10000;
constexpr int SystemdFirstSocket = 3; // SD_LISTEN_FDS_START

quint32 symbolHash(const QString &symbol)
{
    quint32 h = 2166136261u; // FNV-1a: the same level for a symbol in every run
    for (QChar c : symbol) {
        h ^= c.unicode();
        h *= 16777619u;
    }
    return h;
}

double level(const QString &symbol)
{
    const QString s = symbol.toUpper();
    if (s.contains(u"IXIC") || s.contains(u"COMP") || s.contains(u"NDX"))
        return 16000;
    if (s.contains(u"DJI") || s.contains(u"INDU"))
        return 36000;
    if (s.contains(u"GSPC") || s.contains(u"SPX"))
        return 4700;
    if (s.startsWith(u'C') || s.startsWith(u"NQ"))
        return 16500;
    return 2000 + symbolHash(s) % 6000;
}

QByteArray printable(QByteArray text)
{
    for (char &c : text)
        if (uchar(c) < 32 || uchar(c) > 126)
            c = '?';
    return text.left(300);
}

void log(QTcpSocket *socket, const QByteArray &what)
{
    const QByteArray line = QTime::currentTime().toString(u"HH:mm:ss").toLatin1() + ' '
        + socket->peerAddress().toString().toLatin1() + ':' + QByteArray::number(socket->peerPort()) + ' ' + what
        + '\n';
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
}

// What systemd passes for quotaro-server.socket: anything else would accept nothing.
bool listeningTcp(int fd)
{
    int type = 0, listening = 0;
    socklen_t size = sizeof(int);
    sockaddr_storage address{};
    socklen_t addressSize = sizeof address;
    return ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) == 0 && type == SOCK_STREAM
        && ::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 && listening
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &addressSize) == 0
        && (address.ss_family == AF_INET || address.ss_family == AF_INET6);
}

// "127.0.0.1:41780", "[::1]", "localhost", this machine's name: what a Host header names
// when the request comes from this machine. Anything else is a page in a browser reaching
// the port through a name that resolves to loopback.
bool localHost(QByteArray host)
{
    if (host.startsWith('['))
        host = host.mid(1, host.indexOf(']') - 1);
    else if (host.count(':') == 1)
        host.truncate(host.indexOf(':'));
    QHostAddress address;
    if (address.setAddress(QString::fromLatin1(host)))
        return address.isLoopback();
    return host == "localhost" || host == QHostInfo::localHostName().toLower().toLatin1();
}

// The ticker sends none of these; a browser does, whatever page made it ask.
bool fromBrowser(const QByteArray &head)
{
    const QList<QByteArray> lines = head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        const QByteArray name = lines[i].left(colon).trimmed().toLower();
        if (name == "origin" || name == "referer" || name.startsWith("sec-fetch-")
            || (name == "host" && !localHost(lines[i].mid(colon + 1).trimmed().toLower())))
            return true;
    }
    return false;
}

} // namespace

DemoFeed::DemoFeed(std::optional<quint32> seed, std::optional<QTime> fixedTime)
    : random_(seed ? QRandomGenerator(*seed) : QRandomGenerator::securelySeeded()), fixedTime_(fixedTime)
{
}

void DemoFeed::page(const QString &symbol, const std::function<void(const Answer &)> &reply)
{
    auto it = symbols_.find(symbol);
    if (it == symbols_.end()) {
        if (symbols_.size() >= 256)
            symbols_.clear(); // a walk starts again rather than memory growing
        const qint64 close = qRound64(level(symbol) * (1 + uniform(0.01)) * 100);
        it = symbols_.insert(symbol, {close, close + qRound64(close * uniform(0.005))});
    }
    State &st = *it;
    st.last += qRound64(st.close * uniform(0.0008));
    const qint64 limit = st.close * 3 / 100; // stay within 3% of the close
    st.last = qBound(st.close - limit, st.last, st.close + limit);
    const QTime now = fixedTime_.value_or(easternTime(QDateTime::currentDateTimeUtc()));
    reply(pageAnswer(renderPage({st.last / 100.0, st.close / 100.0, now, 2})));
}

LiveFeed::LiveFeed(const QuoteSource &source, QuoteCache::Options options, const QString &futuresRoot)
    : cache_(source, options), futuresRoot_(futuresRoot)
{
}

QString LiveFeed::sourceSymbol(const QString &symbol, const QString &futuresRoot)
{
    const auto contract = market::parseFuturesCode(symbol);
    return contract ? market::contractSymbol(*contract, futuresRoot) : symbol;
}

void LiveFeed::page(const QString &symbol, const std::function<void(const Answer &)> &reply)
{
    const QString source = sourceSymbol(symbol, futuresRoot_);
    if (source.isEmpty())
        return reply(notFound("No such symbol."));
    cache_.page(source, reply);
}

QuoteServer::QuoteServer(Feed &feed, std::function<QString()> futuresCode, QObject *parent)
    : QObject(parent), feed_(feed), futuresCode_(std::move(futuresCode))
{
    // Qt retries a failed accept at once, so the server must never be out of descriptors
    // for its connections: the 64 spare ones are the upstream requests', Qt's own and its
    // queue of accepted connections'.
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    maxConnections_ = int(qBound<rlim_t>(1, files.rlim_cur > 64 ? files.rlim_cur - 64 : 1, MaxConnections));
    idle_.setSingleShot(true);
    // A request still waiting on the source is answered first.
    connect(&idle_, &QTimer::timeout, this, [this] { waiting_ > 0 ? idle_.start() : QCoreApplication::quit(); });
    connect(&listener_, &QTcpServer::newConnection, this, &QuoteServer::accept);
    // Out of descriptors all the same (Qt reports it for some failures): a closing
    // connection, or a second later when none is open, lets it try again.
    connect(&listener_, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError) {
        std::fputs("cannot accept a connection (out of descriptors?); waiting for one to close\n", stderr);
        listener_.pauseAccepting();
        QTimer::singleShot(1000, this, [this] { listener_.resumeAccepting(); });
    });
}

QuoteServer::~QuoteServer()
{
    // The open connections go first, while what their ending touches still exists; one
    // dropped for room and not yet deleted goes with the listener, cut off from us too.
    for (QTcpSocket *socket : listener_.findChildren<QTcpSocket *>())
        socket->disconnect(this);
    for (QTcpSocket *socket : std::exchange(connections_, {}))
        delete socket;
}

void QuoteServer::accept()
{
    while (listener_.hasPendingConnections()) {
        if (connections_.size() >= maxConnections_) {
            const auto idle = std::find_if(connections_.begin(), connections_.end(),
                                           [](QTcpSocket *s) { return !s->property("request").toBool(); });
            if (idle == connections_.end()) { // every one waits on the source: until one closes
                listener_.pauseAccepting();
                return;
            }
            QTcpSocket *oldest = *idle;
            connections_.erase(idle); // counted out now, deleted once the event loop runs
            log(oldest, "dropped: too many connections, and this one the oldest without a request");
            oldest->abort();
        }
        QTcpSocket *socket = listener_.nextPendingConnection();
        connections_.append(socket);
        connect(socket, &QObject::destroyed, this, [this, socket] {
            connections_.removeOne(socket);
            listener_.resumeAccepting();
            QMetaObject::invokeMethod(this, &QuoteServer::accept, Qt::QueuedConnection);
        });
        serve(socket);
    }
}

bool QuoteServer::listen(quint16 port, QString *error)
{
    // Started by systemd for its socket: the listening socket is already open.
    if (qgetenv("LISTEN_PID").toLongLong() == ::getpid() && qgetenv("LISTEN_FDS").toInt() >= 1) {
        qunsetenv("LISTEN_PID");
        qunsetenv("LISTEN_FDS");
        qunsetenv("LISTEN_FDNAMES");
        if (!listeningTcp(SystemdFirstSocket)) {
            *error = QStringLiteral("the socket passed by systemd (descriptor 3) is not a listening TCP socket");
            return false;
        }
        if (listener_.setSocketDescriptor(SystemdFirstSocket))
            return true;
    } else if (listener_.listen(QHostAddress::LocalHost, port)) {
        return true;
    }
    *error = listener_.errorString();
    return false;
}

void QuoteServer::quitWhenIdle(int seconds)
{
    idle_.setInterval(seconds * 1000);
    if (seconds > 0)
        idle_.start();
}

void QuoteServer::respond(const QByteArray &requestLine, const std::function<void(const Answer &)> &reply)
{
    // METHOD TARGET VERSION; a target with blanks in it is still read whole.
    const qsizetype first = requestLine.indexOf(' ');
    const qsizetype last = requestLine.lastIndexOf(' ');
    if (first <= 0 || last <= first)
        return reply({400, "Bad Request", "text/html", "<html><body><h1>400 Bad Request</h1></body></html>\n"});
    if (requestLine.left(first) != "GET")
        return reply({405, "Method Not Allowed", "text/html",
                      "<html><body><h1>405 Method Not Allowed</h1></body></html>\n"});
    const QByteArray target = requestLine.mid(first + 1, last - first - 1);
    const qsizetype question = target.indexOf('?');
    const QByteArray path = question < 0 ? target : target.left(question);
    const QByteArray query = question < 0 ? QByteArray() : target.mid(question + 1);

    if (path == "/browser/fut.txt")
        return reply({200, "OK", "text/plain", futuresCode_().toLatin1() + "\r\n"});
    if (path != "/qc/stocks/quotes.aspx")
        return reply(notFound("No such page."));
    // The ticker sends the symbol unencoded, so everything after "symbols=" is the symbol
    // ("M&M.NS" included).
    const qsizetype at = query.startsWith("symbols=") ? 0 : query.indexOf("&symbols=");
    if (at < 0)
        return reply(notFound("No symbol given."));
    const QString symbol =
        QString::fromUtf8(QByteArray::fromPercentEncoding(query.mid(query.indexOf("symbols=", at) + 8)));
    // Anything else is no market symbol; it never reaches the source or the cache. Dots
    // alone would be a path step ("..") on the way to the source.
    static const QRegularExpression symbolForm(QStringLiteral("^[A-Za-z0-9^.=_&-]{1,32}$"));
    if (!symbolForm.match(symbol).hasMatch() || symbol.count(u'.') == symbol.size())
        return reply(notFound("No such symbol."));
    feed_.page(symbol, reply);
}

void QuoteServer::serve(QTcpSocket *socket)
{
    if (idle_.interval() > 0)
        idle_.start();
    auto *timeout = new QTimer(socket);
    timeout->setSingleShot(true);
    timeout->start(IdleTimeoutMs);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(timeout, &QTimer::timeout, socket, [socket] {
        log(socket, "dropped: no whole request or answer in time");
        socket->abort();
    });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, timeout] {
        if (socket->property("request").toBool())
            return;
        // The request stays in the socket's buffer: read out, a client's half-close after
        // it would close the connection before the answer is written.
        const QByteArray buffer = socket->peek(socket->bytesAvailable());
        qsizetype end = buffer.indexOf("\r\n\r\n");
        const qsizetype bareEnd = buffer.indexOf("\n\n"); // a request of bare line feeds
        if (bareEnd >= 0 && (end < 0 || bareEnd < end))
            end = bareEnd;
        if ((end < 0 && buffer.size() > MaxHeaderBytes) || end > MaxHeaderBytes) {
            log(socket, "dropped: header larger than 64 KiB");
            socket->abort();
            return;
        }
        if (end < 0)
            return;
        socket->setReadBufferSize(qMax<qint64>(1, buffer.size())); // full: Qt reads no further
        socket->setProperty("request", true);
        const QByteArray head = buffer.left(end);
        QByteArray requestLine = head.left(head.indexOf('\n'));
        if (requestLine.endsWith('\r'))
            requestLine.chop(1);
        timeout->start(2 * IdleTimeoutMs); // room for the source's answer, which may take 10 s
        ++waiting_;
        const auto reply = [this, socket = QPointer<QTcpSocket>(socket), line = printable(requestLine)](
                               const Answer &a) {
            --waiting_;
            if (!socket || socket->state() != QAbstractSocket::ConnectedState)
                return; // the ticker gave up first
            log(socket, '"' + line + "\" " + QByteArray::number(a.status) + ' '
                    + QByteArray::number(a.body.size()));
            socket->write("HTTP/1.1 " + QByteArray::number(a.status) + ' ' + a.reason + "\r\n"
                          + "Content-Type: " + a.contentType + "\r\n"
                          + "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n"
                          + "Connection: close\r\n\r\n" + a.body);
            socket->disconnectFromHost(); // closes once everything is written
        };
        if (fromBrowser(head))
            return reply({403, "Forbidden", "text/html", "<html><body><h1>403 Forbidden</h1></body></html>\n"});
        respond(requestLine, reply);
    });
}

} // namespace server
