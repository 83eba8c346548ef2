// quotaro-demo-server: a loopback stand-in for the quote site and for the
// futures-code server, so that Quotaro runs on a machine without network.
//
//   GET /qc/stocks/quotes.aspx?symbols=SYMBOL  -> quote page (random walk)
//   GET /browser/fut.txt                       -> the futures code, CR LF
//
// Every answer is HTTP/1.1 with "Connection: close"; the connection is closed
// once the answer has been written, which is how Quotaro knows the page ended.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimeZone>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

#include "quote/PaginaQuotazione.h"

namespace {

constexpr qsizetype MaxHeaderBytes = 64 * 1024;
constexpr int IdleTimeoutMs = 10000;

struct Quote {
    QString time;   // 4:00pm
    QString last;   // 16234.56 or 9,551.12
    QString change; // +0.52%
    QString close;  // 16150.10
};

// 16234.56 at 10,000 and more (an 8-character window has no room for a
// separator), 9,551.12 below.
QString FormatPrice(qint64 cents)
{
    QString whole = QString::number(cents / 100);
    if (cents < 1000000 && whole.size() > 3)
        whole.insert(whole.size() - 3, u',');
    return whole + u'.' + QString::number(cents % 100).rightJustified(2, u'0');
}

QString FormatTime(const QTime &t)
{
    const int hour = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    return QString::number(hour) + u':' + QString::number(t.minute()).rightJustified(2, u'0')
        + (t.hour() < 12 ? u"am"_qs : u"pm"_qs);
}

QTime EasternTimeNow()
{
    QTimeZone eastern("America/New_York");
    if (!eastern.isValid())
        eastern = QTimeZone(-5 * 3600);
    return QDateTime::currentDateTime().toTimeZone(eastern).time();
}

quint32 SymbolHash(const QString &symbol)
{
    quint32 h = 2166136261u; // FNV-1a: the same level for a symbol in every run
    for (QChar c : symbol) {
        h ^= c.unicode();
        h *= 16777619u;
    }
    return h;
}

double Level(const QString &symbol)
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
    return 2000 + SymbolHash(s) % 6000;
}

class Market {
public:
    explicit Market(std::optional<quint32> seed)
        : random(seed ? QRandomGenerator(*seed) : QRandomGenerator::securelySeeded()) {}

    // One step of the walk for this symbol; the previous close stays put.
    Quote Next(const QString &symbol, const QTime &now)
    {
        auto it = symbols.find(symbol);
        if (it == symbols.end()) {
            const qint64 close = qRound64(Level(symbol) * (1 + Uniform(0.01)) * 100);
            const qint64 last = close + qRound64(close * Uniform(0.005));
            it = symbols.insert(symbol, {close, last});
        }
        State &st = *it;
        st.last += qRound64(st.close * Uniform(0.0008));
        const qint64 limit = st.close * 3 / 100; // stay within 3% of the close
        st.last = qBound(st.close - limit, st.last, st.close + limit);

        const bool rising = st.last >= st.close;
        const double change = double(st.last - st.close) / double(st.close) * 100;
        return {FormatTime(now), FormatPrice(st.last),
                (rising ? u"+"_qs : u"-"_qs) + QString::number(qAbs(change), 'f', 2) + u'%',
                FormatPrice(st.close)};
    }

private:
    struct State {
        qint64 close; // cents
        qint64 last;  // cents
    };
    double Uniform(double amplitude) { return (random.generateDouble() * 2 - 1) * amplitude; }

    QRandomGenerator random;
    QHash<QString, State> symbols;
};

struct Answer {
    int status;
    QByteArray reason;
    QByteArray contentType;
    QByteArray body;
};

Answer NotFound(const QByteArray &why)
{
    return {404, "Not Found", "text/html", "<html><body><h1>404 Not Found</h1><p>" + why + "</p></body></html>\n"};
}

struct Server {
    Market market;
    QByteArray futuresCode;
    std::optional<QTime> fixedTime;

    Answer Respond(const QByteArray &requestLine)
    {
        // METHOD TARGET VERSION; a target with blanks in it is still read whole.
        const qsizetype first = requestLine.indexOf(' ');
        const qsizetype last = requestLine.lastIndexOf(' ');
        if (first <= 0 || last <= first)
            return {400, "Bad Request", "text/html", "<html><body><h1>400 Bad Request</h1></body></html>\n"};
        const QByteArray method = requestLine.left(first);
        const QByteArray target = requestLine.mid(first + 1, last - first - 1);
        if (method != "GET")
            return {405, "Method Not Allowed", "text/html",
                    "<html><body><h1>405 Method Not Allowed</h1></body></html>\n"};

        const qsizetype question = target.indexOf('?');
        const QByteArray path = question < 0 ? target : target.left(question);
        const QByteArray query = question < 0 ? QByteArray() : target.mid(question + 1);

        if (path == "/browser/fut.txt")
            return {200, "OK", "text/plain", futuresCode + "\r\n"};
        if (path == "/qc/stocks/quotes.aspx") {
            for (const QByteArray &item : query.split('&')) {
                if (!item.startsWith("symbols="))
                    continue;
                const QString symbol = QString::fromUtf8(QByteArray::fromPercentEncoding(item.mid(8)));
                const Quote q = market.Next(symbol, fixedTime.value_or(EasternTimeNow()));
                return {200, "OK", "text/html; charset=ISO-8859-1", ScriviPagina(q.time, q.last, q.change, q.close)};
            }
            return NotFound("No symbol given.");
        }
        return NotFound("No such page.");
    }
};

QByteArray Printable(QByteArray text)
{
    for (char &c : text)
        if (uchar(c) < 32 || uchar(c) > 126)
            c = '?';
    return text.left(300);
}

void Log(QTcpSocket *socket, const QByteArray &what)
{
    const QByteArray line = QDateTime::currentDateTime().toString(u"HH:mm:ss"_qs).toLatin1() + ' '
        + socket->peerAddress().toString().toLatin1() + ':' + QByteArray::number(socket->peerPort()) + ' '
        + what + '\n';
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
}

void Serve(Server &server, QTcpSocket *socket)
{
    auto buffer = std::make_shared<QByteArray>();
    auto answered = std::make_shared<bool>(false);
    auto *idle = new QTimer(socket);
    idle->setSingleShot(true);
    idle->start(IdleTimeoutMs);

    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(idle, &QTimer::timeout, socket, [socket, answered] {
        Log(socket, *answered ? "closed: client did not take the answer in time" : "dropped: idle");
        socket->abort();
    });
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [&server, socket, buffer, answered, idle] {
        if (*answered) { // anything after the request is not ours to read
            socket->readAll();
            return;
        }
        buffer->append(socket->readAll());
        const qsizetype end = buffer->indexOf("\r\n\r\n");
        if ((end < 0 && buffer->size() > MaxHeaderBytes) || end > MaxHeaderBytes) {
            Log(socket, "dropped: header larger than 64 KiB");
            socket->abort();
            return;
        }
        idle->start(IdleTimeoutMs);
        if (end < 0)
            return;

        *answered = true;
        const QByteArray requestLine = buffer->left(buffer->indexOf("\r\n"));
        const Answer a = server.Respond(requestLine);
        QByteArray out = "HTTP/1.1 " + QByteArray::number(a.status) + ' ' + a.reason + "\r\n"
            + "Content-Type: " + a.contentType + "\r\n"
            + "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n"
            + "Connection: close\r\n\r\n" + a.body;
        Log(socket, '"' + Printable(requestLine) + "\" " + QByteArray::number(a.status) + ' '
                + QByteArray::number(a.body.size()));
        socket->write(out);
        socket->disconnectFromHost(); // closes once everything is written
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"quotaro-demo-server"_qs);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Local quote and futures-code server for Quotaro (listens on 127.0.0.1)."_qs);
    parser.addHelpOption();
    const QCommandLineOption portOption(u"port"_qs, u"Port to listen on; 0 takes any free port."_qs, u"N"_qs, u"0"_qs);
    const QCommandLineOption codeOption(u"futures-code"_qs, u"Code published as /browser/fut.txt."_qs,
                                        u"CODE"_qs, u"CZ26"_qs);
    const QCommandLineOption seedOption(u"seed"_qs, u"Seed of the random walk, for repeatable values."_qs, u"N"_qs);
    const QCommandLineOption timeOption(u"time"_qs, u"Fixed US Eastern time shown on the pages (24-hour HH:MM)."_qs,
                                        u"HH:MM"_qs);
    parser.addOptions({portOption, codeOption, seedOption, timeOption});
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        std::fputs("quotaro-demo-server: --port needs a number from 0 to 65535\n", stderr);
        return 2;
    }
    std::optional<quint32> seed;
    if (parser.isSet(seedOption)) {
        seed = parser.value(seedOption).toUInt(&ok);
        if (!ok) {
            std::fputs("quotaro-demo-server: --seed needs a whole number\n", stderr);
            return 2;
        }
    }
    std::optional<QTime> fixedTime;
    if (parser.isSet(timeOption)) {
        fixedTime = QTime::fromString(parser.value(timeOption), u"H:mm"_qs);
        if (!fixedTime->isValid()) {
            std::fputs("quotaro-demo-server: --time needs HH:MM (24-hour)\n", stderr);
            return 2;
        }
    }
    Server server{Market(seed), parser.value(codeOption).toLatin1(), fixedTime};
    QTcpServer listener;
    if (!listener.listen(QHostAddress::LocalHost, quint16(port))) {
        std::fprintf(stderr, "quotaro-demo-server: cannot listen on 127.0.0.1:%u: %s\n", port,
                     qPrintable(listener.errorString()));
        return 1;
    }
    QObject::connect(&listener, &QTcpServer::newConnection, &listener, [&] {
        while (QTcpSocket *socket = listener.nextPendingConnection())
            Serve(server, socket);
    });
    std::printf("listening on 127.0.0.1:%u\n", unsigned(listener.serverPort()));
    std::fflush(stdout);
    return app.exec();
}
