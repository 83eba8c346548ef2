#include "server/QuoteServer.h"

#include <QCoreApplication>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <cstdio>
#include <unistd.h>

#include "server/FuturesCalendar.h"

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
    const auto contract = parseFuturesCode(symbol);
    return contract ? contractSymbol(*contract, futuresRoot) : symbol;
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
    idle_.setSingleShot(true);
    connect(&idle_, &QTimer::timeout, qApp, &QCoreApplication::quit);
    connect(&listener_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = listener_.nextPendingConnection())
            serve(socket);
    });
}

bool QuoteServer::listen(quint16 port, QString *error)
{
    // Started by systemd for its socket: the listening socket is already open.
    if (qgetenv("LISTEN_PID").toLongLong() == ::getpid() && qgetenv("LISTEN_FDS").toInt() >= 1) {
        qunsetenv("LISTEN_PID");
        qunsetenv("LISTEN_FDS");
        qunsetenv("LISTEN_FDNAMES");
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
    auto buffer = std::make_shared<QByteArray>();
    auto answered = std::make_shared<bool>(false);
    auto *timeout = new QTimer(socket);
    timeout->setSingleShot(true);
    timeout->start(IdleTimeoutMs);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(timeout, &QTimer::timeout, socket, [socket] {
        log(socket, "dropped: no whole request or answer in time");
        socket->abort();
    });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer, answered, timeout] {
        if (*answered) { // anything after the request is not ours to read
            socket->readAll();
            return;
        }
        buffer->append(socket->readAll());
        const qsizetype end = buffer->indexOf("\r\n\r\n");
        if ((end < 0 && buffer->size() > MaxHeaderBytes) || end > MaxHeaderBytes) {
            log(socket, "dropped: header larger than 64 KiB");
            socket->abort();
            return;
        }
        if (end < 0)
            return;
        const QByteArray requestLine = buffer->left(buffer->indexOf("\r\n"));
        *answered = true;
        timeout->start(2 * IdleTimeoutMs); // room for the source's answer, which may take 10 s
        respond(requestLine, [socket = QPointer<QTcpSocket>(socket), line = printable(requestLine)](const Answer &a) {
            if (!socket || socket->state() != QAbstractSocket::ConnectedState)
                return; // the ticker gave up first
            log(socket, '"' + line + "\" " + QByteArray::number(a.status) + ' '
                    + QByteArray::number(a.body.size()));
            socket->write("HTTP/1.1 " + QByteArray::number(a.status) + ' ' + a.reason + "\r\n"
                          + "Content-Type: " + a.contentType + "\r\n"
                          + "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n"
                          + "Connection: close\r\n\r\n" + a.body);
            socket->disconnectFromHost(); // closes once everything is written
        });
    });
}

} // namespace server
