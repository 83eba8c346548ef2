#include "server/QuotePage.h"

#include <QTimeZone>

#include "quote/PaginaQuotazione.h"

namespace server {
namespace {

QDateTime inEastern(const QDateTime &instant)
{
    static const QTimeZone eastern("America/New_York");
    return instant.toTimeZone(eastern.isValid() ? eastern : QTimeZone(-5 * 3600));
}

} // namespace

QTime easternTime(const QDateTime &instant)
{
    return inEastern(instant).time();
}

QDate easternDate(const QDateTime &instant)
{
    return inEastern(instant).date();
}

QString formatPrice(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    const qsizetype point = text.indexOf(u'.');
    const qsizetype whole = point < 0 ? text.size() : point;
    if (value < 10000 && whole > 3)
        text.insert(whole - 3, u',');
    return text;
}

QString formatTime(const QTime &time)
{
    const int hour = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QString::number(hour) + u':' + QString::number(time.minute()).rightJustified(2, u'0')
        + QLatin1String(time.hour() < 12 ? "am" : "pm");
}

QByteArray renderPage(const Reading &r)
{
    const double change = (r.last - r.previousClose) / r.previousClose * 100;
    const QString changeText =
        QChar(r.last >= r.previousClose ? u'+' : u'-') + QString::number(qAbs(change), 'f', 2) + u'%';
    return ScriviPagina(formatTime(r.time), formatPrice(r.last, r.decimals), changeText,
                        formatPrice(r.previousClose, r.decimals));
}


Answer pageAnswer(const QByteArray &page)
{
    return {200, "OK", "text/html; charset=ISO-8859-1", page};
}

Answer unavailable()
{
    return {503, "Service Unavailable", "text/html", {}};
}

Answer notFound(const QByteArray &why)
{
    return {404, "Not Found", "text/html", "<html><body><h1>404 Not Found</h1><p>" + why + "</p></body></html>\n"};
}

} // namespace server
