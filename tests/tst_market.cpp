// The exchange calendar: the front futures contract and its code.
#include <QtTest>

#include "market/Futures.h"

using namespace market;

class TestMarket : public QObject {
    Q_OBJECT
private slots:
    // Every day of 2026-2030: the contract of a quarter month is the front one until the
    // Thursday eight days before its third Friday, found here by counting Fridays.
    void roll()
    {
        for (QDate day(2026, 1, 1); day.year() <= 2030; day = day.addDays(1)) {
            int month = (day.month() + 2) / 3 * 3, year = day.year();
            QDate expiry(year, month, 1);
            for (int fridays = 0; (fridays += expiry.dayOfWeek() == Qt::Friday) < 3;)
                expiry = expiry.addDays(1);
            if (day >= expiry.addDays(-8) && (month += 3) > 12)
                month = 3, ++year;
            const Contract front = frontContract(day);
            QVERIFY2(front.month == month && front.year == year, qPrintable(day.toString(Qt::ISODate)));
        }
    }
    void codes()
    {
        const char *rows[][2] = {{"2026-12-09", "CZ26"}, {"2026-12-10", "CH27"}, {"2028-09-07", "CZ28"},
            {"2028-12-07", "CH29"}, {"2029-06-07", "CU29"}, {"2099-12-31", "CH00"}};
        for (const auto &r : rows)
            QCOMPARE(futuresCode(frontContract(QDate::fromString(r[0], Qt::ISODate))), r[1]);
        const auto parsed = parseFuturesCode("CU28");
        QVERIFY(parsed && parsed->month == 9 && parsed->year == 2028);
        for (const char *text : {"CX26", "CZ2", "cz26", "CZ260"})
            QVERIFY(!parseFuturesCode(text));
        QCOMPARE(contractSymbol({12, 2026}, "NQ.CME"), "NQZ26.CME");
        QCOMPARE(contractSymbol({12, 2026}, "NQ"), QString());
    }
};

QTEST_GUILESS_MAIN(TestMarket)
#include "tst_market.moc"
