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

void QuoteCache::page(const QString &symbol, const std::function<void(const Answer &)> &reply)
{
    if (!entries_.contains(symbol))
        makeRoom();
    Entry &e = entries_[symbol];
    e.askedAt = clock_();
    if (!e.busy && e.askedAt >= e.dueAt)
        fetch(symbol); // answers later, never from within this call
    // Nothing to show yet: wait for the source's answer rather than turn the ticker away.
    if (e.busy && e.page.isEmpty() && !e.unknown && e.waiting.size() < MaxWaiting)
        e.waiting.append(reply);
    else
        reply(current(e));
}

void QuoteCache::makeRoom()
{
    if (entries_.size() < MaxSymbols)
        return;
    // The symbol asked for least recently goes, unless the source is answering about it.
    auto oldest = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (!it->busy && (oldest == entries_.end() || it->askedAt < oldest->askedAt))
            oldest = it;
    if (oldest != entries_.end())
        entries_.erase(oldest);
}

void QuoteCache::fetch(const QString &symbol)
{
    entries_[symbol].busy = true;
    fetchOnce(network_, source_, symbol, options_.timeoutMs,
              [this, symbol](const Outcome &outcome) { done(symbol, outcome); });
}

void QuoteCache::done(const QString &symbol, const Outcome &outcome)
{
    Entry &e = entries_[symbol];
    e.busy = false;
    int waitMs = options_.intervalMs;
    if (outcome.reading) {
        e.page = outcome.page;
        e.unknown = false;
        e.backoffMs = 0;
    } else {
        // A symbol once known keeps its last page; one never known is told apart.
        e.unknown = outcome.unknown && e.page.isEmpty();
        e.backoffMs = qBound(options_.firstBackoffMs, e.backoffMs * 2, options_.maxBackoffMs);
        waitMs = qMax(e.backoffMs, qMin(outcome.retryAfterSeconds, 3600) * 1000);
    }
    e.dueAt = clock_() + waitMs;
    emit fetched(symbol, outcome.reading ? QStringLiteral("ok") : outcome.error);
    const auto waiting = std::exchange(e.waiting, {});
    const Answer answer = current(e);
    for (const auto &reply : waiting)
        reply(answer);
}

} // namespace server
