#pragma once
// Where live readings come from: one public market-data source behind a small interface,
// so that another can stand in without touching the page or the cache.
#include <QNetworkRequest>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

#include "server/QuotePage.h"

class QNetworkAccessManager;

namespace server {

// What one upstream answer gave: a reading, or why not.
struct Outcome {
    std::optional<Reading> reading;
    QByteArray page;          // the reading's page, once every value fitted its window
    QString error;            // for the log and --check; empty with a reading
    bool unknown = false;     // the source does not know the symbol
    int retryAfterSeconds = 0;
};

class QuoteSource {
public:
    using WallClock = std::function<qint64()>; // seconds since the epoch
    virtual ~QuoteSource() = default;
    // What a quote time is held against: this machine's clock unless set.
    void setWallClock(WallClock clock) { wallClock_ = std::move(clock); }
    qint64 wallSeconds() const;
    bool plausible(double quoteTime) const; // from a week back to a day ahead of the wall clock
    virtual QString name() const = 0; // for the log and --check
    // The source's own symbol for the server's (which is the first source's).
    virtual QString sourceSymbol(const QString &symbol) const { return symbol; }
    virtual QNetworkRequest request(const QString &symbol) const = 0;
    // A reading only from a whole, well-formed answer about this very symbol.
    virtual Outcome parse(int status, const QByteArray &body, const QString &symbol) const = 0;
    // A source that refuses requests without a browser's session: whether this answer is
    // such a refusal, the requests that make a session (their cookies kept by the network
    // manager), and the last one's answer taken as the session's token (an error, or empty).
    virtual bool refused(int, const QByteArray &, bool /*retryAfter*/) const { return false; }
    virtual QList<QNetworkRequest> sessionRequests() const { return {}; }
    virtual QString takeToken(int, const QByteArray &) const { return QStringLiteral("no session"); }
private:
    WallClock wallClock_;
};

// The chart endpoint of Yahoo Finance: no account, no key. Refused, it is asked again
// with a browser's session: a cookie from the consent host, then the "crumb" that goes
// with it, kept until a request with it is refused in turn.
class YahooChart : public QuoteSource {
public:
    static constexpr const char *DefaultBase = "https://query1.finance.yahoo.com";
    static constexpr const char *DefaultConsent = "https://fc.yahoo.com";
    // The cookie comes from the consent host for the source's own address, from the base otherwise.
    explicit YahooChart(const QUrl &base = QUrl(QString::fromLatin1(DefaultBase)), const QUrl &consent = {});
    QString name() const override { return QStringLiteral("Yahoo Finance"); }
    QNetworkRequest request(const QString &symbol) const override;
    Outcome parse(int status, const QByteArray &body, const QString &symbol) const override;
    bool refused(int status, const QByteArray &body, bool retryAfter) const override;
    QList<QNetworkRequest> sessionRequests() const override;
    QString takeToken(int status, const QByteArray &body) const override;
private:
    QUrl base_, consent_;
    mutable QByteArray crumb_; // empty: plain requests
};

// CNBC's quote web service, the second source: no account, no key, its own symbols.
class CnbcQuote : public QuoteSource {
public:
    static constexpr const char *DefaultBase = "https://quote.cnbc.com";
    explicit CnbcQuote(const QUrl &base = QUrl(QString::fromLatin1(DefaultBase))) : base_(base) {}
    QString name() const override { return QStringLiteral("CNBC"); }
    // Empty: a symbol this source does not serve (a futures contract).
    QString sourceSymbol(const QString &symbol) const override;
    QNetworkRequest request(const QString &symbol) const override;
    Outcome parse(int status, const QByteArray &body, const QString &symbol) const override;
private:
    QUrl base_;
};

// One upstream request, ended within the timeout; the callback runs exactly once.
void fetchOnce(QNetworkAccessManager &network, const QuoteSource &source, const QString &symbol, int timeoutMs,
               const std::function<void(const Outcome &)> &done);

} // namespace server
