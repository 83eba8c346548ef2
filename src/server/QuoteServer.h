#pragma once
// The server the ticker polls: the quote page of a symbol at
// /qc/stocks/quotes.aspx?symbols=SYMBOL and the current futures code at /browser/fut.txt,
// each answer HTTP/1.1 with "Connection: close", the connection closed once it is written.
#include <QHash>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "server/QuoteCache.h"

namespace server {

// Where the pages' readings come from.
class Feed {
public:
    virtual ~Feed() = default;
    virtual void page(const QString &symbol, const std::function<void(const Answer &)> &reply) = 0;
};

// A random walk around a plausible level for each symbol, for a machine without network.
class DemoFeed : public Feed {
public:
    DemoFeed(std::optional<quint32> seed, std::optional<QTime> fixedTime);
    void page(const QString &symbol, const std::function<void(const Answer &)> &reply) override;
private:
    struct State {
        qint64 close; // cents
        qint64 last;  // cents
    };
    double uniform(double amplitude) { return (random_.generateDouble() * 2 - 1) * amplitude; }
    QRandomGenerator random_;
    std::optional<QTime> fixedTime_;
    QHash<QString, State> symbols_;
};

// Live readings from the source, shared through the cache; a futures code ("CZ26") is
// the quote of that contract of the configured index future.
class LiveFeed : public Feed {
public:
    LiveFeed(const QuoteSource &source, QuoteCache::Options options, const QString &futuresRoot);
    void page(const QString &symbol, const std::function<void(const Answer &)> &reply) override;
    QuoteCache &cache() { return cache_; }
    // The source's symbol for a ticker's symbol.
    static QString sourceSymbol(const QString &symbol, const QString &futuresRoot);
private:
    QuoteCache cache_;
    QString futuresRoot_;
};

class QuoteServer : public QObject {
    Q_OBJECT
public:
    // futuresCode gives the code to publish at each request.
    QuoteServer(Feed &feed, std::function<QString()> futuresCode, QObject *parent = nullptr);
    ~QuoteServer() override;
    // Listens on 127.0.0.1:port, or on the socket systemd passed (socket activation).
    bool listen(quint16 port, QString *error);
    quint16 port() const { return listener_.serverPort(); }
    // Quits the application after this long without a request (0: never).
    void quitWhenIdle(int seconds);

    qsizetype connections() const { return connections_.size(); }
    // Connections open at once, fewer when the descriptor limit leaves less than 64 spare
    // above them; beyond it the oldest without a whole request is dropped.
    static constexpr int MaxConnections = 256;

private:
    void accept();
    void serve(QTcpSocket *socket);
    void respond(const QByteArray &requestLine, const std::function<void(const Answer &)> &reply);

    Feed &feed_;
    std::function<QString()> futuresCode_;
    QTcpServer listener_;
    QTimer idle_;
    QList<QTcpSocket *> connections_; // oldest first
    int waiting_ = 0;                 // requests read and not answered yet
    int maxConnections_;
};

} // namespace server
