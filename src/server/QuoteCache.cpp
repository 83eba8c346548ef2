#include "server/QuoteCache.h"

namespace server {

QuoteCache::QuoteCache(const QuoteSource &source, Options options, Clock clock, QObject *parent)
    : QObject(parent), source_(source), options_(options), clock_(std::move(clock))
{
    started_.start();
    if (!clock_)
        clock_ = [this] { return started_.elapsed(); };
}

Answer QuoteCache::current(const Entry &e)
{
    if (!e.page.isEmpty())
        return pageAnswer(e.page);
    return e.unknown ? notFound("The source does not know this symbol.") : unavailable();
}

void QuoteCache::page(const QString &asked, const std::function<void(const Answer &)> &reply)
{
    const QString symbol = asked.toUpper(); // the source's symbols know no case
    const qint64 now = clock_();
    if (!entries_.contains(symbol))
        makeRoom();
    Entry &e = entries_[symbol];
    e.askedAt = now;
    Pace &p = pace(symbol, now);
    const bool firstAsk = p.asks == 0;
    p.asks = qMin(p.asks + 1, 2);
    if (!e.busy && now >= p.dueAt && budgetAllows(firstAsk, now))
        fetch(symbol, firstAsk, now); // answers later, never from within this call
    // Nothing to show yet: wait for the source's answer rather than turn the ticker away.
    if (e.busy && e.page.isEmpty() && !e.unknown && e.waiting.size() < MaxWaiting)
        e.waiting.append(reply);
    else
        reply(current(e));
}

QuoteCache::Pace &QuoteCache::pace(const QString &symbol, qint64 now)
{
    // Full: symbols asked once whose wait is over leave first, then any whose wait is over.
    for (int pass = 0; pass < 2 && paces_.size() >= MaxPaced && !paces_.contains(symbol); ++pass)
        paces_.removeIf([=](const auto &it) { return it.value().dueAt <= now && (pass || it.value().asks < 2); });
    if (paces_.size() >= MaxPaced && !paces_.contains(symbol))
        paces_.erase(paces_.begin());
    return paces_[symbol];
}

bool QuoteCache::budgetAllows(bool firstAsk, qint64 now)
{
    for (auto *sent : {&sent_, &sentFirst_})
        while (!sent->empty() && sent->front() <= now - 60000)
            sent->pop_front();
    return inFlight_ < InFlight && sent_.size() < PerMinute && (!firstAsk || sentFirst_.size() < FirstAsksPerMinute);
}

void QuoteCache::makeRoom()
{
    if (entries_.size() < MaxSymbols)
        return;
    // The symbol asked for least recently goes, one asked once before a followed one,
    // unless the source is answering about it.
    auto oldest = entries_.end();
    const auto once = [this](const auto &it) { return paces_.value(it.key()).asks < 2; };
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (!it->busy && (oldest == entries_.end() || std::pair(!once(it), it->askedAt) <
                                                          std::pair(!once(oldest), oldest->askedAt)))
            oldest = it;
    if (oldest != entries_.end())
        entries_.erase(oldest);
}

void QuoteCache::fetch(const QString &symbol, bool firstAsk, qint64 now)
{
    entries_[symbol].busy = true;
    ++inFlight_;
    sent_.push_back(now);
    if (firstAsk)
        sentFirst_.push_back(now);
    Pace &p = paces_[symbol];
    const bool second = second_ && p.failingSince >= 0 && now - p.failingSince >= options_.failoverMs
        && now - p.firstAskedAt < options_.failoverMs && !second_->sourceSymbol(symbol).isEmpty();
    if (!second)
        p.firstAskedAt = now;
    const QuoteSource &source = second ? *second_ : source_;
    fetchOnce(network_, source, symbol, options_.timeoutMs,
              [this, symbol, &source](const Outcome &outcome) { done(symbol, outcome, source); });
}

void QuoteCache::done(const QString &symbol, const Outcome &outcome, const QuoteSource &source)
{
    --inFlight_;
    Entry &e = entries_[symbol];
    const qint64 now = clock_();
    Pace &p = pace(symbol, now);
    e.busy = false;
    // An answer, even "unknown symbol", is no failure of the source.
    if (&source == &source_)
        p.failingSince = outcome.reading || outcome.unknown ? -1 : p.failingSince < 0 ? now : p.failingSince;
    int waitMs = options_.intervalMs;
    if (outcome.reading) {
        e.page = outcome.page;
        e.unknown = false;
        p.backoffMs = 0;
    } else {
        // A symbol once known keeps its last page; one never known is told apart.
        e.unknown = outcome.unknown && e.page.isEmpty();
        p.backoffMs = qBound(options_.firstBackoffMs, p.backoffMs * 2, options_.maxBackoffMs);
        waitMs = qMax(p.backoffMs, qMin(outcome.retryAfterSeconds, 3600) * 1000);
    }
    p.dueAt = now + waitMs;
    emit fetched(symbol, source.name() + ": " + (outcome.reading ? QStringLiteral("ok") : outcome.error));
    const auto waiting = std::exchange(e.waiting, {});
    const Answer answer = current(e);
    for (const auto &reply : waiting)
        reply(answer);
}

} // namespace server
