#include "market/Calendario.h"

#include <QTimeZone>

namespace market {
namespace {

constexpr int PollFallitiFermi = 3;
constexpr qint64 SecondiFermi = 15 * 60;

// The n-th given weekday of a month (n = -1: the last one).
QDate NesimoGiorno(int anno, int mese, int giornoSettimana, int n)
{
    if (n < 0) {
        const QDate ultimo = QDate(anno, mese, 1).addMonths(1).addDays(-1);
        return ultimo.addDays(-((ultimo.dayOfWeek() - giornoSettimana + 7) % 7));
    }
    const QDate primo(anno, mese, 1);
    return primo.addDays((giornoSettimana - primo.dayOfWeek() + 7) % 7 + 7 * (n - 1));
}

// Easter Sunday of the Gregorian calendar (the anonymous algorithm).
QDate Pasqua(int anno)
{
    const int a = anno % 19, b = anno / 100, c = anno % 100, d = b / 4, e = b % 4;
    const int f = (b + 8) / 25, g = (b - f + 1) / 3, h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451, mese = (h + l - 7 * m + 114) / 31;
    return QDate(anno, mese, (h + l - 7 * m + 114) % 31 + 1);
}

// A fixed-date holiday falling on a weekend is kept on the nearest weekday.
QDate Osservato(const QDate &giorno)
{
    switch (giorno.dayOfWeek()) {
    case Qt::Saturday: return giorno.addDays(-1);
    case Qt::Sunday: return giorno.addDays(1);
    default: return giorno;
    }
}

bool GiornoFeriale(const QDate &giorno)
{
    return giorno.dayOfWeek() <= Qt::Friday;
}

} // namespace

QDateTime OraNewYork(const QDateTime &istante)
{
    // Without the zone data (package tzdata) Eastern Standard Time is the nearest guess.
    static const QTimeZone NewYork("America/New_York");
    return istante.toTimeZone(NewYork.isValid() ? NewYork : QTimeZone(-5 * 3600));
}

QDate DataNewYork(const QDateTime &istante)
{
    return OraNewYork(istante).date();
}

bool FestivoBorsa(const QDate &giorno)
{
    if (!giorno.isValid())
        return false;
    const int anno = giorno.year();
    QList<QDate> feste = {
        NesimoGiorno(anno, 1, Qt::Monday, 3),   // Martin Luther King Jr. Day
        NesimoGiorno(anno, 2, Qt::Monday, 3),   // Washington's Birthday
        Pasqua(anno).addDays(-2),               // Good Friday
        NesimoGiorno(anno, 5, Qt::Monday, -1),  // Memorial Day
        Osservato(QDate(anno, 7, 4)),           // Independence Day
        NesimoGiorno(anno, 9, Qt::Monday, 1),   // Labor Day
        NesimoGiorno(anno, 11, Qt::Thursday, 4), // Thanksgiving
        Osservato(QDate(anno, 12, 25)),         // Christmas
    };
    // New Year's Day on a Saturday would move back into the old year: only the day's own
    // year is looked at, so Dec 31 is never a holiday.
    feste.append(Osservato(QDate(anno, 1, 1)));
    if (anno >= 2022)
        feste.append(Osservato(QDate(anno, 6, 19))); // Juneteenth
    return feste.contains(giorno);
}

QTime ChiusuraIndice(const QDate &giorno)
{
    if (!giorno.isValid() || !GiornoFeriale(giorno) || FestivoBorsa(giorno))
        return {};
    const bool ridotta = giorno == NesimoGiorno(giorno.year(), 11, Qt::Thursday, 4).addDays(1)
        || giorno == QDate(giorno.year(), 12, 24) || giorno == QDate(giorno.year(), 7, 3);
    return ridotta ? QTime(13, 0) : QTime(16, 0);
}

bool IndiceAperto(const QDateTime &istante)
{
    const QDateTime ora = OraNewYork(istante);
    const QTime chiusura = ChiusuraIndice(ora.date());
    return chiusura.isValid() && ora.time() >= QTime(9, 30) && ora.time() < chiusura;
}

bool FuturesAperto(const QDateTime &istante)
{
    const QDateTime ora = OraNewYork(istante);
    const QTime t = ora.time();
    switch (ora.date().dayOfWeek()) {
    case Qt::Saturday: return false;
    case Qt::Sunday: return t >= QTime(18, 0);
    case Qt::Friday: return t < QTime(17, 0);
    default: return t < QTime(17, 0) || t >= QTime(18, 0);
    }
}

StatoDati ValutaDati(const QDateTime &adesso, Mercato mercato, const QDateTime &ultimoCambio, int pollFalliti)
{
    if (pollFalliti >= PollFallitiFermi)
        return StatoDati::Fermi;
    const auto aperto = [mercato](const QDateTime &t) {
        return mercato == Mercato::Indice ? IndiceAperto(t) : FuturesAperto(t);
    };
    if (!aperto(adesso))
        return StatoDati::MercatoChiuso;
    // The quarter of an hour counts from the opening: a reading from before it (yesterday's
    // close, a delayed feed's first minutes) is not stale until the market has been open
    // that long.
    if (ultimoCambio.isValid() && ultimoCambio.secsTo(adesso) >= SecondiFermi && aperto(adesso.addSecs(-SecondiFermi)))
        return StatoDati::Fermi;
    return StatoDati::Freschi;
}

} // namespace market
