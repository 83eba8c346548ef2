#include "server/QuotePage.h"

#include <QLocale>
#include <QTimeZone>
#include <cmath>

#include "quote/PaginaQuotazione.h"

namespace server {
namespace {

QDateTime inEastern(const QDateTime &instant)
{
    static const QTimeZone eastern("America/New_York");
    return instant.toTimeZone(eastern.isValid() ? eastern : QTimeZone(-5 * 3600));
}

// |value| with `decimals` decimals, rounded half away from zero on the shortest decimal
// text that reads back as the same double (the digits the source wrote).
QString roundedText(double value, int decimals)
{
    QString text = QString::number(qAbs(value), 'f', QLocale::FloatingPointShortest);
    if (!text.contains(u'.'))
        text += u'.';
    const qsizetype point = text.indexOf(u'.');
    text += QString(decimals + 1, u'0');
    const bool up = text[point + decimals + 1] >= u'5';
    text.truncate(decimals > 0 ? point + decimals + 1 : point);
    for (qsizetype i = text.size() - 1; up; --i) {
        if (i < 0) {
            text.prepend(u'1');
            break;
        }
        if (text[i] == u'.')
            continue;
        const bool carry = text[i] == u'9';
        text[i] = carry ? u'0' : QChar(text[i].unicode() + 1);
        if (!carry)
            break;
    }
    return text;
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

std::optional<QString> fitPrice(double value, int decimals, int width)
{
    if (!std::isfinite(value))
        return std::nullopt;
    for (int d = decimals; d >= 0; --d) {
        const QString plain = roundedText(value, d);
        const qsizetype point = plain.indexOf(u'.');
        const qsizetype whole = point < 0 ? plain.size() : point;
        if (qAbs(value) < 10000 && whole > 3 && plain.size() < width)
            return QString(plain).insert(whole - 3, u',');
        if (plain.size() <= width)
            return plain;
    }
    return std::nullopt;
}

QString formatTime(const QTime &time)
{
    const int hour = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QString::number(hour) + u':' + QString::number(time.minute()).rightJustified(2, u'0')
        + QLatin1String(time.hour() < 12 ? "am" : "pm");
}

QByteArray renderPage(const Reading &r, QString *why)
{
    const auto last = fitPrice(r.last, r.decimals, FinestraValore.Larghezza);
    const auto close = fitPrice(r.previousClose, r.decimals, FinestraChiusura.Larghezza);
    // Sign, digits and "%" share the change window.
    const auto change = fitPrice(qAbs((r.last - r.previousClose) / r.previousClose * 100), 2,
                                 FinestraVariazione.Larghezza - 2);
    const char *wrong = !last ? "last price" : !close ? "previous close" : !change ? "change" : nullptr;
    if (wrong) {
        if (why)
            *why = QStringLiteral("%1 does not fit the page (last %2, previous close %3)")
                       .arg(QLatin1String(wrong)).arg(r.last, 0, 'g', 17).arg(r.previousClose, 0, 'g', 17);
        return {};
    }
    const QString sign = r.last >= r.previousClose ? QStringLiteral("+") : QStringLiteral("-");
    return ScriviPagina(formatTime(r.time), *last, sign + QString(*change).remove(u',') + u'%', *close);
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
