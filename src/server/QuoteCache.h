#pragma once
// The live readings shared by every ticker that polls this server: at most one upstream
// request per symbol per interval whatever the number of tickers, slower after the
// source refused or failed, and the last good page kept for when it fails.
#include <QElapsedTimer>
#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <functional>

#include "server/QuoteSource.h"

namespace server {

class QuoteCache : public QObject {
    Q_OBJECT
public:
    struct Options {
        int intervalMs = 15000;     // between two upstream requests for one symbol
        int timeoutMs = 10000;      // for one upstream request
        int firstBackoffMs = 30000; // after the first failure; doubled after each next one
        int maxBackoffMs = 600000;
    };
    using Clock = std::function<qint64()>; // milliseconds, never going back
    QuoteCache(const QuoteSource &source, Options options, Clock clock = {}, QObject *parent = nullptr);

    // The page to serve for a source symbol: the freshest good one (asking the source
    // again when it is due), else 503 before any good reading, 404 for a symbol the
    // source does not know. A symbol's first request waits for the source's answer.
    void page(const QString &symbol, const std::function<void(const Answer &)> &reply);

signals:
    void fetched(const QString &symbol, const QString &outcome); // for the log

private:
    struct Entry {
        QByteArray page;     // last good page
        bool unknown = false;
        bool busy = false;   // an upstream request is under way
        qint64 dueAt = 0;    // no upstream request before this
        qint64 askedAt = 0;  // last time a ticker asked
        int backoffMs = 0;
        QList<std::function<void(const Answer &)>> waiting;
    };
    static constexpr qsizetype MaxSymbols = 256;
    static constexpr qsizetype MaxWaiting = 64;
    void makeRoom();
    void fetch(const QString &symbol);
    void done(const QString &symbol, const Outcome &outcome);
    static Answer current(const Entry &e);

    const QuoteSource &source_;
    Options options_;
    Clock clock_;
    QElapsedTimer started_;
    QNetworkAccessManager network_;
    QHash<QString, Entry> entries_;
};

} // namespace server
