#include "server/QuoteSource.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimeZone>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace server {
namespace {

// Without a browser-like agent the source answers 429 to most requests.
const QByteArray Agent = "Mozilla/5.0 (X11; Linux x86_64; rv:128.0) Gecko/20100101 Firefox/128.0";

std::optional<double> positive(const QJsonValue &v)
{
    const double d = v.toDouble(-1);
    return v.isDouble() && std::isfinite(d) && d > 0 ? std::optional(d) : std::nullopt;
}

Outcome failed(const QString &why)
{
    Outcome o;
    o.error = why;
    return o;
}

constexpr qint64 MaxAnswerBytes = 1 << 20;

// Retry-After as seconds or as an HTTP date ("Wed, 21 Oct 2026 07:28:00 GMT").
int retryAfter(const QByteArray &value, qint64 nowSeconds)
{
    bool seconds = false;
    const qint64 wait = value.trimmed().toLongLong(&seconds);
    if (seconds)
        return int(std::clamp<qint64>(wait, 0, 86400));
    QString date = QString::fromLatin1(value.trimmed());
    if (date.endsWith(u" GMT")) // HTTP's zone, which Qt's RFC 2822 reading does not take
        date = date.chopped(3) + QStringLiteral("+0000");
    const QDateTime at = QDateTime::fromString(date, Qt::RFC2822Date);
    return at.isValid() ? int(std::clamp<qint64>(at.toSecsSinceEpoch() - nowSeconds, 0, 86400)) : 0;
}

// PATH under the base's own path, written as it is.
QUrl below(QUrl base, const QString &path)
{
    QString prefix = base.path(QUrl::FullyEncoded);
    while (prefix.endsWith(u'/'))
        prefix.chop(1);
    base.setPath(prefix + path, QUrl::TolerantMode);
    return base;
}

QNetworkRequest browserLike(const QUrl &url)
{
    QNetworkRequest r(url);
    r.setHeader(QNetworkRequest::UserAgentHeader, Agent);
    r.setRawHeader("Accept", "application/json");
    // A redirect would take the request elsewhere than the source: it counts as a failure.
    r.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    return r;
}

// One answer as read, or why there is none (status 0).
struct Got {
    int status = 0;
    QByteArray body, retryAfter;
    QString error;
};

// One request, within what is left of the deadline; done runs exactly once.
void get(QNetworkAccessManager &network, const QNetworkRequest &request, const QDeadlineTimer &deadline,
         const std::function<void(const Got &)> &done)
{
    QNetworkReply *reply = network.get(request);
    // A deadline for the whole answer: a source that trickles bytes must not hold it open.
    QTimer::singleShot(qMax<qint64>(0, deadline.remainingTime()), reply, &QNetworkReply::abort);
    // An answer is a few kilobytes; one beyond 1 MiB is not read.
    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, tooLarge](qint64 got, qint64 total) {
        if ((*tooLarge = got > MaxAnswerBytes || total > MaxAnswerBytes))
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, done, tooLarge] {
        reply->deleteLater();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        Got g;
        if (*tooLarge)
            g.error = QStringLiteral("answer larger than 1 MiB");
        else if (!status.isValid())
            g.error = reply->error() == QNetworkReply::OperationCanceledError ? QStringLiteral("no answer in time")
                                                                               : reply->errorString();
        else if (reply->error() != QNetworkReply::NoError && status.toInt() == 200)
            g.error = QStringLiteral("answer cut short: ") + reply->errorString();
        else
            g = {status.toInt(), reply->readAll(), reply->rawHeader("Retry-After"), {}};
        done(g);
    });
}

// The session's requests in turn, the last one's answer taken as its token.
void makeSession(QNetworkAccessManager &network, const QuoteSource &source, QList<QNetworkRequest> steps,
                 const QDeadlineTimer &deadline, const std::function<void(const QString &)> &done)
{
    const QNetworkRequest step = steps.takeFirst();
    get(network, step, deadline, [&network, &source, steps, deadline, done](const Got &g) {
        if (!g.error.isEmpty())
            return done(g.error);
        if (!steps.isEmpty())
            return makeSession(network, source, steps, deadline, done);
        done(source.takeToken(g.status, g.body));
    });
}

} // namespace

YahooChart::YahooChart(const QUrl &base, const QUrl &consent)
    : base_(base),
      consent_(!consent.isEmpty() ? consent
                   : base == QUrl(QString::fromLatin1(DefaultBase)) ? QUrl(QString::fromLatin1(DefaultConsent))
                                                                   : base)
{
}

qint64 QuoteSource::wallSeconds() const
{
    return wallClock_ ? wallClock_() : QDateTime::currentSecsSinceEpoch();
}

bool QuoteSource::plausible(double time) const
{
    // A quote time outside a week back to a day ahead is no reading of this session.
    const qint64 now = wallSeconds();
    return time >= double(now - 7 * 86400) && time <= double(now + 86400);
}

QNetworkRequest YahooChart::request(const QString &symbol) const
{
    // The symbol's %XX are kept as they are.
    QUrl url = below(base_, "/v8/finance/chart/" + QString::fromLatin1(QUrl::toPercentEncoding(symbol)));
    url.setQuery(QStringLiteral("range=1d&interval=5m")
                 + (crumb_.isEmpty() ? QString() : "&crumb=" + QString::fromLatin1(QUrl::toPercentEncoding(crumb_))));
    return browserLike(url);
}

// 401, 429 without Retry-After (with it, the source only asks for patience), or the
// answer about a missing or stale crumb.
bool YahooChart::refused(int status, const QByteArray &body, bool retryAfter) const
{
    return status == 401 || (status == 429 && !retryAfter)
        || (status != 200 && (body.contains("Invalid Crumb") || body.contains("Unauthorized")));
}

QList<QNetworkRequest> YahooChart::sessionRequests() const
{
    return {browserLike(consent_), browserLike(below(base_, QStringLiteral("/v1/test/getcrumb")))};
}

QString YahooChart::takeToken(int status, const QByteArray &body) const
{
    // A crumb is a short token ("Ab1.cD/e"); the end point's 429 "Too Many Requests" is none.
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9./_-]{1,64}$"));
    const QByteArray crumb = body.trimmed();
    const bool ok = status == 200 && form.match(QString::fromLatin1(crumb)).hasMatch();
    crumb_ = ok ? crumb : QByteArray();
    return ok ? QString() : QStringLiteral("no crumb: HTTP %1").arg(status);
}

Outcome YahooChart::parse(int status, const QByteArray &body, const QString &symbol) const
{
    QJsonParseError error;
    const QJsonObject chart = QJsonDocument::fromJson(body, &error).object().value(u"chart").toObject();
    const QJsonObject problem = chart.value(u"error").toObject();
    if (status == 404 && problem.value(u"code").toString() == u"Not Found") {
        Outcome o = failed(QStringLiteral("unknown symbol: ") + problem.value(u"description").toString());
        o.unknown = true;
        return o;
    }
    if (status != 200)
        return failed(QStringLiteral("HTTP %1").arg(status));
    if (error.error != QJsonParseError::NoError)
        return failed(QStringLiteral("malformed answer: ") + error.errorString());
    if (!problem.isEmpty())
        return failed(QStringLiteral("source error: ") + problem.value(u"description").toString());

    const QJsonObject meta = chart.value(u"result").toArray().at(0).toObject().value(u"meta").toObject();
    if (meta.value(u"symbol").toString().compare(symbol, Qt::CaseInsensitive) != 0)
        return failed(QStringLiteral("answer about \"%1\", not \"%2\"").arg(meta.value(u"symbol").toString(), symbol));
    const auto last = positive(meta.value(u"regularMarketPrice"));
    const auto time = positive(meta.value(u"regularMarketTime"));
    if (time && !plausible(*time))
        return failed(QStringLiteral("implausible quote time %1").arg(*time, 0, 'g', 17));
    // chartPreviousClose is the close before the chart's range: the previous session's
    // only for a one-day range.
    auto close = positive(meta.value(u"previousClose"));
    if (!close && meta.value(u"range").toString() == u"1d")
        close = positive(meta.value(u"chartPreviousClose"));
    if (!last || !time || !close)
        return failed(QStringLiteral("answer without price, close or time"));

    Reading r;
    r.last = *last;
    r.previousClose = *close;
    r.time = easternTime(QDateTime::fromSecsSinceEpoch(qint64(*time), Qt::UTC));
    r.decimals = qBound(0, meta.value(u"priceHint").toInt(2), 4);
    Outcome o;
    o.reading = r;
    return o;
}

QString CnbcQuote::sourceSymbol(const QString &symbol) const
{
    static const QHash<QString, QString> indices = {
        {QStringLiteral("^IXIC"), QStringLiteral(".IXIC")}, {QStringLiteral("^DJI"), QStringLiteral(".DJI")},
        {QStringLiteral("^GSPC"), QStringLiteral(".SPX")}};
    // A futures contract (NQZ26.CME) has no fixed contract there, only the root's front
    // month (@NQ.1), which around the roll is another contract than the one asked for:
    // never asked there, so no history file mixes two contracts.
    static const QRegularExpression contract(QStringLiteral("^([A-Z0-9]+)[FGHJKMNQUVXZ][0-9]{2}\\.[A-Z]+$"));
    return contract.match(symbol).hasMatch() ? QString() : indices.value(symbol, symbol);
}

QNetworkRequest CnbcQuote::request(const QString &symbol) const
{
    QUrl url = below(base_, QStringLiteral("/quote-html-webservice/restQuote/symbolType/symbol"));
    url.setQuery("symbols=" + QString::fromLatin1(QUrl::toPercentEncoding(sourceSymbol(symbol)))
                 + QStringLiteral("&requestMethod=itv&noform=1&partnerId=2&fund=1&exthrs=1&output=json"));
    return browserLike(url);
}

Outcome CnbcQuote::parse(int status, const QByteArray &body, const QString &symbol) const
{
    if (status != 200)
        return failed(QStringLiteral("HTTP %1").arg(status));
    QJsonParseError error;
    const QJsonObject quote = QJsonDocument::fromJson(body, &error).object().value(u"FormattedQuoteResult")
                                  .toObject().value(u"FormattedQuote").toArray().at(0).toObject();
    if (error.error != QJsonParseError::NoError)
        return failed(QStringLiteral("malformed answer: ") + error.errorString());
    const QString own = sourceSymbol(symbol), about = quote.value(u"symbol").toString();
    if (about.compare(own, Qt::CaseInsensitive) != 0)
        return failed(QStringLiteral("answer about \"%1\", not \"%2\"").arg(about, own));
    // Prices come as text with thousands separators ("23,592.11").
    const auto number = [&quote](const char16_t *key) {
        const QJsonValue v = quote.value(key);
        bool ok = v.isDouble();
        const double d = v.isString() ? v.toString().remove(u',').toDouble(&ok) : v.toDouble(-1);
        return ok && std::isfinite(d) && d > 0 ? std::optional(d) : std::nullopt;
    };
    const auto last = number(u"last"), close = number(u"previous_day_closing");
    const QDateTime at = QDateTime::fromString(quote.value(u"last_time").toString(), Qt::ISODateWithMs);
    if (at.isValid() && !plausible(double(at.toSecsSinceEpoch())))
        return failed(QStringLiteral("implausible quote time %1").arg(at.toSecsSinceEpoch()));
    if (!last || !close || !at.isValid())
        return failed(QStringLiteral("answer without price, close or time"));
    const QString text = quote.value(u"last").toString();
    Reading r;
    r.last = *last;
    r.previousClose = *close;
    r.time = easternTime(at);
    // The decimals as written ("23,592.11": 2), 2 for a plain number.
    r.decimals = text.isEmpty() ? 2 : text.contains(u'.') ? qBound(0, int(text.size() - text.indexOf(u'.') - 1), 4) : 0;
    Outcome o;
    o.reading = r;
    return o;
}

void fetchOnce(QNetworkAccessManager &network, const QuoteSource &source, const QString &symbol, int timeoutMs,
               const std::function<void(const Outcome &)> &done)
{
    const QDeadlineTimer deadline(timeoutMs); // for the whole exchange, a session included
    const auto finish = [&source, symbol, done](const Got &g) {
        Outcome o = g.error.isEmpty() ? source.parse(g.status, g.body, symbol) : failed(g.error);
        o.retryAfterSeconds = retryAfter(g.retryAfter, source.wallSeconds());
        QString why;
        if (o.reading && (o.page = renderPage(*o.reading, &why)).isEmpty())
            o = failed(why);
        done(o);
    };
    get(network, source.request(symbol), deadline, [=, &network, &source](const Got &g) {
        if (!g.error.isEmpty() || !source.refused(g.status, g.body, !g.retryAfter.isEmpty()))
            return finish(g);
        // Refused for want of a session: a new one, then this request once again.
        makeSession(network, source, source.sessionRequests(), deadline, [=, &network, &source](const QString &e) {
            if (!e.isEmpty())
                return finish(Got{0, {}, {}, e});
            get(network, source.request(symbol), deadline, finish);
        });
    });
}

} // namespace server
