#pragma once
// The exchange calendar the ticker and the server share: New York time, the regular
// NYSE holidays, the hours of the index market and of the futures market, and whether
// the reading on show is fresh, stale or from a closed market.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

namespace market {

// The exchange's wall-clock time (America/New_York, daylight saving included) of an instant.
QDateTime OraNewYork(const QDateTime &istante);

// The New York date of an instant (the date the futures request is repeated on).
QDate DataNewYork(const QDateTime &istante);

// Regular NYSE full-day holidays, computed from the rules (no list to update): New Year's
// Day, Martin Luther King Jr. Day, Washington's Birthday, Good Friday (from Easter),
// Memorial Day, Juneteenth (from 2022), Independence Day, Labor Day, Thanksgiving,
// Christmas; Sunday -> following Monday, Saturday -> preceding Friday, except New Year's
// Day on a Saturday (no holiday on the Friday before, Dec 31).
bool FestivoBorsa(const QDate &giorno);

// The New York time the index market closes on a day: 13:00 on the day after
// Thanksgiving, on Dec 24 and on Jul 3, 16:00 on the other days. Null on a day without
// trading (weekend, holiday).
QTime ChiusuraIndice(const QDate &giorno);

// Index market open: Monday to Friday 9:30 (included) to the close (excluded) New York
// time, holidays excepted.
bool IndiceAperto(const QDateTime &istante);

// Futures market open: Sunday 18:00 to Friday 17:00 New York time, except the daily pause
// 17:00-18:00 (Monday to Thursday).
bool FuturesAperto(const QDateTime &istante);

enum class Mercato { Indice, Futures };
enum class StatoDati { Freschi, Fermi, MercatoChiuso };

// The state of the shown reading:
//  - Fermi when pollFalliti >= 3 (the polls have failed for three intervals in a row),
//    whether or not the market is open;
//  - else MercatoChiuso when the followed market is closed at `adesso`;
//  - else Fermi when the shown quote time has not changed for 15 minutes (900 s) by the
//    ticker's own clock while the market was open: ultimoCambio valid,
//    ultimoCambio.secsTo(adesso) >= 900 and the market already open 900 s ago;
//  - else Freschi. An invalid ultimoCambio (no reading yet) never makes it Fermi.
StatoDati ValutaDati(const QDateTime &adesso, Mercato mercato, const QDateTime &ultimoCambio, int pollFalliti);

} // namespace market
