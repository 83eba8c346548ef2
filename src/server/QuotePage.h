#pragma once
// One reading of a symbol as the server keeps it, and the quote page the ticker reads
// from it (the page layout itself is the ticker's own, shared with its parser).
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <optional>

namespace server {

struct Reading {
    double last = 0;          // last price
    double previousClose = 0; // the previous session's close
    QTime time;               // time of the last price, US Eastern
    int decimals = 2;         // decimals the source shows for this symbol
};

// An instant as US Eastern wall-clock time, daylight saving time included.
QTime easternTime(const QDateTime &instant);
// Today's date on the exchange (US Eastern).
QDate easternDate(const QDateTime &instant);

// A price in a page window of `width` characters: 9,551.12 below 10,000 and 16234.56 from
// there, with the source's decimals when they fit; otherwise without the separator, then
// with fewer decimals, rounded half away from zero as the decimal text reads (100.005 ->
// 100.01). Nothing when the integer part alone does not fit or the value is not finite.
std::optional<QString> fitPrice(double value, int decimals, int width);
// 4:00pm, 10:35am, 12:05am.
QString formatTime(const QTime &time);

// The page of a reading; empty, saying why, when a value does not fit its window (a
// number cut short would be a wrong number).
QByteArray renderPage(const Reading &reading, QString *why = nullptr);


// An HTTP answer of the server, before it is written out.
struct Answer {
    int status = 200;
    QByteArray reason = "OK";
    QByteArray contentType = "text/html; charset=ISO-8859-1";
    QByteArray body;
};

Answer pageAnswer(const QByteArray &page);
// No good reading yet: the ticker keeps what it shows.
Answer unavailable();
// A page without values, saying why in the page.
Answer notFound(const QByteArray &why);

} // namespace server
