// quotaro-server: the quote and futures-code server Quotaro polls, on a loopback port.
//
//   GET /qc/stocks/quotes.aspx?symbols=SYMBOL  -> quote page (demo random walk or live)
//   GET /browser/fut.txt                       -> the current futures code, CR LF
//
// --print-futures-code DATE and --check SYMBOL answer once and exit.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QNetworkAccessManager>
#include <QTimeZone>
#include <cstdio>
#include <memory>

#include "quote/Quotazione.h"
#include "market/Calendario.h"
#include "market/Futures.h"
#include "server/QuoteServer.h"

namespace {

constexpr quint16 DefaultPort = 41780; // the ticker's built-in quote and futures server
const char *const DefaultContract = "NQ.CME"; // Nasdaq-100 E-mini

int fail(const QByteArray &message, int status = 2)
{
    std::fputs("quotaro-server: " + message + '\n', stderr);
    return status;
}

// What the ticker would show for SYMBOL, from one request to the source, and to the
// second source when the first fails; each line names the source.
int check(const QString &symbol, const QString &futuresRoot, const server::QuoteSource &first,
          const server::QuoteSource &second)
{
    const QString serverSymbol = server::LiveFeed::sourceSymbol(symbol, futuresRoot);
    QNetworkAccessManager network;
    int status = 1;
    for (const server::QuoteSource *source : {&first, &second}) {
        if (source->sourceSymbol(serverSymbol).isEmpty())
            break; // not served there (a futures contract at the second source)
        const QString at = source->sourceSymbol(serverSymbol) + " at " + source->name();
        server::fetchOnce(network, *source, serverSymbol, 10000, [&](const server::Outcome &o) {
            if (o.reading) {
                const Quotazione q = EstraiQuotazione(QString::fromLatin1(o.page));
                std::printf("%s (%s): time %s, last %s, change %s%%, previous close %s\n", qPrintable(symbol),
                            qPrintable(at), qPrintable(q.Ora), qPrintable(q.Valore), qPrintable(q.Variazione),
                            qPrintable(q.Chiusura));
                status = 0;
            } else {
                std::printf("%s (%s): %s\n", qPrintable(symbol), qPrintable(at), qPrintable(o.error));
            }
            QCoreApplication::quit();
        });
        QCoreApplication::exec();
        if (status == 0)
            break;
    }
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"quotaro-server"_qs);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Quote and futures-code server for Quotaro, on 127.0.0.1."_qs);
    parser.addHelpOption();
    const QCommandLineOption feed(u"feed"_qs, u"Where quotes come from: demo (a random walk) or live."_qs,
                                  u"demo|live"_qs, u"demo"_qs);
    const QCommandLineOption port(u"port"_qs, u"Port to listen on; 0 takes any free port."_qs, u"N"_qs,
                                  QString::number(DefaultPort));
    const QCommandLineOption code(u"futures-code"_qs, u"Code published as /browser/fut.txt (default: the front "
                                                      "quarterly contract of today)."_qs, u"CODE"_qs);
    const QCommandLineOption contract(u"futures-contract"_qs, u"Index future quoted for a futures code, as "
                                                              "ROOT.EXCHANGE at the source."_qs,
                                      u"ROOT.EXCHANGE"_qs, QString::fromLatin1(DefaultContract));
    const QCommandLineOption upstream(u"upstream"_qs, u"Address of the live source."_qs, u"URL"_qs,
                                      QString::fromLatin1(server::YahooChart::DefaultBase));
    const QCommandLineOption second(u"second-upstream"_qs, u"Address of the second live source, used for a "
                                                           "symbol the first has failed for 5 minutes."_qs,
                                    u"URL"_qs, QString::fromLatin1(server::CnbcQuote::DefaultBase));
    const QCommandLineOption idle(u"idle-exit"_qs, u"Exit after this many seconds without a request (0: never)."_qs,
                                  u"SECONDS"_qs, u"0"_qs);
    const QCommandLineOption seed(u"seed"_qs, u"Seed of the demo walk, for repeatable values."_qs, u"N"_qs);
    const QCommandLineOption time(u"time"_qs, u"Fixed US Eastern time on the demo pages (24-hour HH:MM)."_qs,
                                  u"HH:MM"_qs);
    const QCommandLineOption print(u"print-futures-code"_qs, u"Print the futures code of a day and exit."_qs,
                                   u"YYYY-MM-DD"_qs);
    const QCommandLineOption checkOption(u"check"_qs, u"Ask the live source once and print what the ticker "
                                                      "would show, or the source's error."_qs, u"SYMBOL"_qs);
    parser.addOptions({feed, port, code, contract, upstream, second, idle, seed, time, print, checkOption});
    parser.process(app);

    const QString futuresRoot = parser.value(contract);
    const QUrl upstreamUrl(parser.value(upstream)), secondUrl(parser.value(second));
    if (parser.isSet(print)) {
        const QDate day = QDate::fromString(parser.value(print), Qt::ISODate);
        if (!day.isValid())
            return fail("--print-futures-code needs a date as YYYY-MM-DD");
        std::printf("%s\n", qPrintable(market::futuresCode(market::frontContract(day))));
        return 0;
    }
    if (market::contractSymbol({3, 2000}, futuresRoot).isEmpty())
        return fail("--futures-contract needs ROOT.EXCHANGE, such as NQ.CME");
    const auto address = [](const QUrl &url) { return url.isValid() && !url.scheme().isEmpty(); };
    if (!address(upstreamUrl) || !address(secondUrl))
        return fail("--upstream and --second-upstream need an address such as https://host");
    if (parser.isSet(checkOption))
        return check(parser.value(checkOption).trimmed(), futuresRoot, server::YahooChart(upstreamUrl),
                     server::CnbcQuote(secondUrl));

    bool ok = false;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535)
        return fail("--port needs a number from 0 to 65535");
    const int idleSeconds = parser.value(idle).toInt(&ok);
    if (!ok || idleSeconds < 0 || idleSeconds > 86400)
        return fail("--idle-exit needs a whole number of seconds up to 86400");

    // The sources outlive the feed, whose cache asks them.
    std::unique_ptr<server::YahooChart> source;
    std::unique_ptr<server::CnbcQuote> secondSource;
    std::unique_ptr<server::Feed> quotes;
    if (parser.value(feed) == u"live") {
        // Without the zone the quote times would be an hour off half the year.
        if (!QTimeZone("America/New_York").isValid())
            return fail("the time zone America/New_York is missing (Debian package tzdata)", 1);
        source = std::make_unique<server::YahooChart>(upstreamUrl);
        secondSource = std::make_unique<server::CnbcQuote>(secondUrl);
        auto live = std::make_unique<server::LiveFeed>(*source, server::QuoteCache::Options{}, futuresRoot);
        live->cache().setSecondSource(secondSource.get());
        QObject::connect(&live->cache(), &server::QuoteCache::fetched, [](const QString &symbol, const QString &how) {
            std::fprintf(stderr, "%s %s from %s\n", qPrintable(QTime::currentTime().toString(u"HH:mm:ss")),
                         qPrintable(symbol), qPrintable(how));
        });
        quotes = std::move(live);
    } else if (parser.value(feed) == u"demo") {
        std::optional<quint32> walkSeed;
        if (parser.isSet(seed)) {
            walkSeed = parser.value(seed).toUInt(&ok);
            if (!ok)
                return fail("--seed needs a whole number");
        }
        std::optional<QTime> fixedTime;
        if (parser.isSet(time)) {
            fixedTime = QTime::fromString(parser.value(time), u"H:mm"_qs);
            if (!fixedTime->isValid())
                return fail("--time needs HH:MM (24-hour)");
        }
        quotes = std::make_unique<server::DemoFeed>(walkSeed, fixedTime);
    } else {
        return fail("--feed needs demo or live");
    }

    const QString fixedCode = parser.value(code);
    server::QuoteServer http(*quotes, [fixedCode] {
        return fixedCode.isEmpty()
            ? market::futuresCode(market::frontContract(market::DataNewYork(QDateTime::currentDateTimeUtc())))
            : fixedCode;
    });
    QString error;
    if (!http.listen(quint16(portNumber), &error))
        return fail(QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(portNumber).arg(error).toLocal8Bit(), 1);
    http.quitWhenIdle(idleSeconds);
    std::printf("listening on 127.0.0.1:%u\n", unsigned(http.port()));
    std::fflush(stdout);
    return app.exec();
}
