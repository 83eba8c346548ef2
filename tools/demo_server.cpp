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
#include <string_view>

namespace {

constexpr qsizetype MaxHeaderBytes = 64 * 1024;
constexpr int IdleTimeoutMs = 10000;

// Markers and windows as Quotaro reads them: a window of Width characters
// that starts Offset characters from the first character of the marker.
struct Window {
    std::string_view marker;
    int offset;
    int width;
};
constexpr Window TimeWindow{"ET</abbr><br /></span>", -36, 8};
constexpr Window LastWindow{"Last price:", 18, 8};
constexpr Window ChangeWindow{"Shows primary price", -46, 9};
constexpr Window CloseWindow{"Previous Close:", 40, 18};

// The markup between each window and its marker is fixed; its length is what
// puts the value where Quotaro looks for it. Nothing inside a window but the
// value and blanks: Quotaro keeps digits (and ':', 'a', 'p', 'm' or '.') from
// everything that falls in a window.
constexpr std::string_view TimeGap = "</em> <abbr title=\"Eastern\">";       // window, gap, marker
constexpr std::string_view LastGap = " <span>";                             // marker, gap, window
constexpr std::string_view ChangeGap = "</span> <img src=\"/i/chg.gif\" title=\""; // window, gap, marker
constexpr std::string_view CloseGap = "</td> <td class=\"val\"><b>";         // marker, gap, window
static_assert(TimeWindow.width + TimeGap.size() == -TimeWindow.offset);
static_assert(LastWindow.marker.size() + LastGap.size() == LastWindow.offset);
static_assert(ChangeWindow.width + ChangeGap.size() == -ChangeWindow.offset);
static_assert(CloseWindow.marker.size() + CloseGap.size() == CloseWindow.offset);

struct Quote {
    QString time;   // 4:00pm
    QString last;   // 16234.56 or 9,551.12
    QString change; // +0.52%
    QString close;  // 16150.10
};

QString Ascii(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

// Right-aligned in a window of the given width, padded with blanks.
QString Fit(const QString &value, int width) { return value.rightJustified(width, u' ', true); }

QByteArray BuildQuotePage(const QString &symbol, const Quote &q, bool rising)
{
    QString shown = symbol;
    shown.removeIf([](QChar c) {
        return !(c.isLetterOrNumber() || QStringLiteral("^.=_-").contains(c));
    });
    shown = shown.left(20);
    const QString page =
        u"<!DOCTYPE html>\n<html><head><title>Quote "_qs + shown
        + u"</title></head>\n<body>\n<div id=\"quote\">\n<h1>"_qs + shown + u"</h1>\n"_qs
        + u"<span class=\"qtime\">As of <em>"_qs + Fit(q.time, TimeWindow.width) + Ascii(TimeGap)
        + Ascii(TimeWindow.marker) + u"\n<table>\n<tr><td>"_qs
        + Ascii(LastWindow.marker) + Ascii(LastGap) + Fit(q.last, LastWindow.width)
        + u"</span></td>\n<td><span class=\"chg "_qs + (rising ? u"up"_qs : u"down"_qs) + u"\">"_qs
        + Fit(q.change, ChangeWindow.width) + Ascii(ChangeGap) + Ascii(ChangeWindow.marker)
        + u"\" alt=\"\" /></td></tr>\n<tr><td>"_qs
        + Ascii(CloseWindow.marker) + Ascii(CloseGap) + Fit(q.close, CloseWindow.width)
        + u"</b></td></tr>\n</table>\n</div>\n<p class=\"note\">Quotaro demo server: "
          "simulated values.</p>\n</body></html>\n"_qs;
    return page.toLatin1();
}

QString ReadWindow(const QString &page, const Window &w)
{
    const qsizetype at = page.indexOf(Ascii(w.marker));
    if (at < 0 || at + w.offset < 0)
        return {};
    return page.mid(at + w.offset, w.width);
}

// Builds pages with values of every shape the server produces and reads them
// back as Quotaro does; a layout mistake stops the server at start-up.
bool CheckPageLayout()
{
    const Quote samples[] = {
        {u"4:00pm"_qs, u"16234.56"_qs, u"+0.52%"_qs, u"16150.10"_qs},
        {u"10:35am"_qs, u"9,551.12"_qs, u"-10.25%"_qs, u"9,600.00"_qs},
        {u"12:05am"_qs, u"987.12"_qs, u"+0.00%"_qs, u"36999.99"_qs},
    };
    for (const Quote &q : samples) {
        const QString page = QString::fromLatin1(BuildQuotePage(u"^TEST"_qs, q, true));
        const std::pair<const Window &, const QString &> checks[] = {
            {TimeWindow, q.time}, {LastWindow, q.last}, {ChangeWindow, q.change}, {CloseWindow, q.close}};
        for (const auto &[w, value] : checks) {
            const QString got = ReadWindow(page, w);
            if (got.size() != w.width || got.trimmed() != value)
                return false;
        }
    }
    return true;
}

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
    std::pair<Quote, bool> Next(const QString &symbol, const QTime &now)
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
        Quote q{FormatTime(now), FormatPrice(st.last),
                (rising ? u"+"_qs : u"-"_qs) + QString::number(qAbs(change), 'f', 2) + u'%',
                FormatPrice(st.close)};
        return {q, rising};
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
        // METHOD TARGET VERSION; the target may hold blanks, as Quotaro sends
        // the symbol unescaped.
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
                const auto [quote, rising] = market.Next(symbol, fixedTime.value_or(EasternTimeNow()));
                return {200, "OK", "text/html; charset=ISO-8859-1", BuildQuotePage(symbol, quote, rising)};
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
    if (!CheckPageLayout()) {
        std::fputs("quotaro-demo-server: the quote page does not put the values in Quotaro's windows\n", stderr);
        return 3;
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
