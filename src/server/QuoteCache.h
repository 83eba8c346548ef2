#pragma once
// The live readings shared by every ticker that polls this server: at most one upstream
// request per symbol per interval whatever the number of tickers, slower after the
// source refused or failed, a budget of requests per minute for the whole server, and
// the last good page kept for when the source fails.
#include <QElapsedTimer>
#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <deque>
#include <functional>

#include "server/QuoteSource.h"

namespace server {

class QuoteCache : public QObject {
    Q_OBJECT
public:
    struct Options {
        int intervalMs = 15000;     // between two upstream requests for one symbol
        int timeoutMs = 10000;      // for one upstream request, from when it is sent
        int firstBackoffMs = 30000; // after the first failure; doubled after each next one
        int maxBackoffMs = 600000;
        // A symbol whose source has failed this long is asked of the second source, and the
        // first source asked again this long after it last was.
        int failoverMs = 300000;
    };
    using Clock = std::function<qint64()>; // milliseconds, never going back
    QuoteCache(const QuoteSource &source, Options options, Clock clock = {}, QObject *parent = nullptr);

    // The page to serve for a source symbol (any case): the freshest good one (asking the
    // source again when it is due and the budget allows), else 503 before any good
    // reading, 404 for a symbol the source does not know. A symbol's first request waits
    // for the source's answer when one was sent.
    void page(const QString &symbol, const std::function<void(const Answer &)> &reply);
    void setSecondSource(const QuoteSource *second) { second_ = second; }
    qsizetype symbols() const { return entries_.size(); }

    // The whole server's budget. Users of the source report refusals after a few hundred
    // to a couple of thousand requests an hour from one address: 24 a minute (1,440 an
    // hour) leaves room for the shipped four symbols every 15 s (16 a minute); symbols
    // asked for the first time get 6 of them, so a flood of one-off symbols never starves
    // the followed ones.
    static constexpr int PerMinute = 24;
    static constexpr int FirstAsksPerMinute = 6;
    // Upstream requests under way at once: no more than Qt opens to one host, so none
    // waits inside Qt while its deadline runs.
    static constexpr int InFlight = 6;

signals:
    void fetched(const QString &symbol, const QString &outcome); // "SOURCE: ok" or "SOURCE: why", for the log

private:
    struct Entry {
        QByteArray page;     // last good page
        bool unknown = false;
        bool busy = false;   // an upstream request is under way
        qint64 askedAt = 0;  // last time a ticker asked
        QList<std::function<void(const Answer &)>> waiting;
    };
    // Kept apart from the pages, and longer: an evicted symbol asked again keeps its pace.
    struct Pace {
        qint64 dueAt = 0;    // no upstream request before this
        int backoffMs = 0;
        int asks = 0;        // up to 2: asked more than once, a followed symbol
        qint64 failingSince = -1; // the first source's first failure since its last answer
        qint64 firstAskedAt = 0;
    };
    static constexpr qsizetype MaxSymbols = 256;
    static constexpr qsizetype MaxWaiting = 64;
    // At 24 requests a minute, longer than the longest wait (1 hour) holds every symbol
    // still waiting out a back-off.
    static constexpr qsizetype MaxPaced = 4096;
    void makeRoom();
    Pace &pace(const QString &symbol, qint64 now);
    bool budgetAllows(bool firstAsk, qint64 now);
    void fetch(const QString &symbol, bool firstAsk, qint64 now);
    void done(const QString &symbol, const Outcome &outcome, const QuoteSource &source);
    static Answer current(const Entry &e);

    const QuoteSource &source_;
    const QuoteSource *second_ = nullptr;
    Options options_;
    Clock clock_;
    QElapsedTimer started_;
    QNetworkAccessManager network_;
    QHash<QString, Entry> entries_;
    QHash<QString, Pace> paces_;
    std::deque<qint64> sent_, sentFirst_; // send times within the last minute
    int inFlight_ = 0;
};

} // namespace server
