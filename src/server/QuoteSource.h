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
    virtual QNetworkRequest request(const QString &symbol) const = 0;
    // A reading only from a whole, well-formed answer about this very symbol.
    virtual Outcome parse(int status, const QByteArray &body, const QString &symbol) const = 0;
private:
    WallClock wallClock_;
};

// The chart endpoint of Yahoo Finance: no account, no key, no cookie.
class YahooChart : public QuoteSource {
public:
    static constexpr const char *DefaultBase = "https://query1.finance.yahoo.com";
    explicit YahooChart(const QUrl &base = QUrl(QString::fromLatin1(DefaultBase))) : base_(base) {}
    QNetworkRequest request(const QString &symbol) const override;
    Outcome parse(int status, const QByteArray &body, const QString &symbol) const override;
private:
    QUrl base_;
};

// One upstream request, ended within the timeout; the callback runs exactly once.
void fetchOnce(QNetworkAccessManager &network, const QuoteSource &source, const QString &symbol, int timeoutMs,
               const std::function<void(const Outcome &)> &done);

} // namespace server
