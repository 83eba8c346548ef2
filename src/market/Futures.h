#pragma once
// The exchange calendar of the quarterly index futures: which contract is the front one
// on a day, its code as the ticker stores it ("CZ26"), and its symbol at the source.
#include <QDate>
#include <QString>
#include <optional>

namespace market {

struct Contract {
    int month; // 3, 6, 9 or 12
    int year;  // four digits
};

// The front quarterly contract on a day (the exchange's own date): it rolls to the next
// one on the Thursday eight days before its third-Friday expiry (the second Thursday of
// the month, the first when the month begins on a Friday).
Contract frontContract(const QDate &day);

// "C", the month letter (H, M, U, Z) and the two-digit year: CZ26.
QString futuresCode(const Contract &contract);

// The contract a code names; nothing for any other text.
std::optional<Contract> parseFuturesCode(const QString &code);

// The contract at the source: ROOT.EXCHANGE ("NQ.CME") becomes NQZ26.CME; an empty
// text when the root is not of that form.
QString contractSymbol(const Contract &contract, const QString &rootAndExchange);

} // namespace market
