// The exchange calendar: the front futures contract and its code, index and futures hours
// with the US exchange holidays, and the state of the shown reading.
#include <QtTest>

#include "market/Calendario.h"
#include "market/Futures.h"

using namespace market;

class TestMarket : public QObject {
    Q_OBJECT
private slots:
    // Every day of 2026-2030: the contract of a quarter month is the front one until the
    // Thursday eight days before its third Friday, found here by counting Fridays.
    void roll() {
        for (QDate day(2026, 1, 1); day.year() <= 2030; day = day.addDays(1)) {
            int month = (day.month() + 2) / 3 * 3, year = day.year(), fridays = 0;
            QDate expiry(year, month, 1);
            while ((fridays += expiry.dayOfWeek() == Qt::Friday) < 3)
                expiry = expiry.addDays(1);
            if (day >= expiry.addDays(-8) && (month += 3) > 12)
                month = 3, ++year;
            const Contract front = frontContract(day);
            QVERIFY2(front.month == month && front.year == year, qPrintable(day.toString(Qt::ISODate)));
        }
        // The codes, and the New York date they are published on.
        for (const auto &[day, code] : {std::pair{"2026-12-10", "CH27"}, {"2028-09-07", "CZ28"},
                 {"2027-03-11", "CM27"}, {"2029-06-07", "CU29"}, {"2099-12-31", "CH00"}})
            QCOMPARE(futuresCode(frontContract(QDate::fromString(day, Qt::ISODate))), code);
        QCOMPARE(DataNewYork(QDateTime::fromString("2026-12-08T04:59Z", Qt::ISODate)), QDate(2026, 12, 7));
    }

    // An instant (with the New York offset of its day, UTC across the clock changes where the
    // wrong offset lands on the other side, or a date alone for its noon in New York), then
    // "I" / "F" for the index / futures market open, "-" for closed.
    void hours_data() {
        QTest::addColumn<QString>("instant"); QTest::addColumn<QString>("open");
        const char *rows[] = {
            // A Monday's edges; Friday's and Sunday's; the clock changes; the short days.
            "2026-12-07T09:29-05:00 -F", "2026-12-07T09:30-05:00 IF", "2026-12-07T15:59-05:00 IF",
            "2026-12-07T16:00-05:00 -F", "2026-12-07T16:59-05:00 -F", "2026-12-07T17:00-05:00 --",
            "2026-12-07T17:59-05:00 --", "2026-12-07T18:00-05:00 -F", "2026-12-11T16:59-05:00 -F",
            "2026-12-11T17:00-05:00 --", "2026-12-11T18:00-05:00 --", "2026-12-13T17:59-05:00 --",
            "2026-12-13T18:00-05:00 -F", "2026-03-09T13:30Z IF", "2026-11-02T14:29Z -F", "2026-11-27T12:59-05:00 IF",
            "2026-11-27T13:00-05:00 -F", "2026-12-24T13:00-05:00 -F", "2025-07-03T13:00-04:00 -F",
            // A Saturday; MLK, Washington, Good Friday, Memorial (and on a fifth Monday), Juneteenth (not
            // before 2022), July 4 on a Saturday and on a Sunday, Labor, Thanksgiving, Christmas (and on a
            // Saturday), January 1 on a Sunday, and on a Saturday: Dec 31 stays open.
            "2026-12-12 --", "2026-01-19 -F", "2026-02-16 -F", "2026-04-03 -F", "2026-05-25 -F", "2027-05-31 -F",
            "2026-06-19 -F", "2021-06-18 IF", "2026-07-03 -F", "2027-07-05 -F", "2026-09-07 -F", "2026-11-26 -F",
            "2026-12-25 -F", "2021-12-24 -F", "2023-01-02 -F", "2027-12-31 IF",
            "2027-03-26 -F", "2029-03-30 -F", "2032-03-26 -F"}; // Good Fridays: Easter on April 1 in 2029
        for (const QString row : rows)
            QTest::newRow(qPrintable(row.section(' ', 0, 0))) << row.section(' ', 0, 0) << row.section(' ', 1);
    }
    void hours() {
        QFETCH(QString, instant); QFETCH(QString, open);
        const QDateTime at = instant.size() > 10 ? QDateTime::fromString(instant, Qt::ISODate)
            : QDateTime(QDate::fromString(instant, Qt::ISODate), QTime(12, 0), QTimeZone("America/New_York"));
        QCOMPARE(QString(IndiceAperto(at) ? "I" : "-") + (FuturesAperto(at) ? "F" : "-"), open);
    }

    // Name, New York time of a Monday, futures (else index), seconds since the last change
    // (-1: no reading yet), failed polls, state.
    void state_data() {
        for (const char *column : {"now", "futures", "since", "failures", "state"})
            QTest::addColumn<int>(column);
        const struct { const char *name; int now, futures, since, failures; StatoDati state; } rows[] = { // now: HHMM
            {"2 failures", 1200, 0, 0, 2, StatoDati::Freschi}, {"3 failures", 1200, 0, 0, 3, StatoDati::Fermi},
            {"3 failures, closed", 2000, 0, 0, 3, StatoDati::Fermi}, {"899 s", 1200, 0, 899, 0, StatoDati::Freschi},
            {"900 s", 1200, 0, 900, 0, StatoDati::Fermi}, {"900 s, closed", 2000, 0, 900, 0, StatoDati::MercatoChiuso},
            {"900 s, futures", 2000, 1, 900, 0, StatoDati::Fermi}, {"no reading", 1200, 0, -1, 2, StatoDati::Freschi},
            {"overnight, 9:44", 944, 0, 60000, 0, StatoDati::Freschi},
            {"overnight, 9:45", 945, 0, 60000, 0, StatoDati::Fermi},
            {"futures reopen, 18:14", 1814, 1, 4000, 0, StatoDati::Freschi}};
        for (const auto &r : rows)
            QTest::newRow(r.name) << r.now << r.futures << r.since << r.failures << int(r.state);
    }
    void state() {
        QFETCH(int, now); QFETCH(int, futures); QFETCH(int, since); QFETCH(int, failures); QFETCH(int, state);
        const QDateTime at(QDate(2026, 12, 7), QTime(now / 100, now % 100), QTimeZone("America/New_York"));
        const QDateTime changed = since < 0 ? QDateTime() : at.addSecs(-since);
        QCOMPARE(int(ValutaDati(at, futures ? Mercato::Futures : Mercato::Indice, changed, failures)), state);
    }
};

QTEST_GUILESS_MAIN(TestMarket)
#include "tst_market.moc"
