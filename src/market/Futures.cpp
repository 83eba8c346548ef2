#include "market/Futures.h"

#include <QRegularExpression>

namespace market {
namespace {

const QString MonthLetters = QStringLiteral("HMUZ"); // March, June, September, December

// The Thursday eight days before the third-Friday expiry: the second Thursday of the
// month, or the first when the month begins on a Friday.
QDate rollDay(int year, int month)
{
    const QDate first(year, month, 1);
    const QDate thirdFriday = first.addDays((Qt::Friday - first.dayOfWeek() + 7) % 7 + 14);
    return thirdFriday.addDays(-8);
}

} // namespace

Contract frontContract(const QDate &day)
{
    for (int month = 3; month <= 12; month += 3)
        if (day < rollDay(day.year(), month))
            return {month, day.year()};
    return {3, day.year() + 1};
}

QString futuresCode(const Contract &contract)
{
    return u'C' + MonthLetters.at(contract.month / 3 - 1)
        + QString::number(contract.year % 100).rightJustified(2, u'0');
}

std::optional<Contract> parseFuturesCode(const QString &code)
{
    static const QRegularExpression form(QStringLiteral("^C([HMUZ])(\\d\\d)$"));
    const auto m = form.match(code);
    if (!m.hasMatch())
        return std::nullopt;
    return Contract{int(MonthLetters.indexOf(m.captured(1)) + 1) * 3, 2000 + m.captured(2).toInt()};
}

QString contractSymbol(const Contract &contract, const QString &rootAndExchange)
{
    static const QRegularExpression form(QStringLiteral("^([A-Z0-9]+)\\.([A-Z]+)$"));
    const auto m = form.match(rootAndExchange);
    if (!m.hasMatch())
        return {};
    return m.captured(1) + futuresCode(contract).mid(1) + u'.' + m.captured(2);
}

} // namespace market
