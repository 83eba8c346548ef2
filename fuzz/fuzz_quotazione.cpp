// Quote page parser and time conversion.
// Input: the bytes received from the quote server, as the program buffers them.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "Proprieta.h"
#include "quote/Quotazione.h"

namespace {

bool OnlyDigitsAndCommas(const QString &text)
{
    for (QChar c : text)
        if (!((c >= u'0' && c <= u'9') || c == u','))
            return false;
    return true;
}

bool OnlyTimeCharacters(const QString &text)
{
    for (QChar c : text)
        if (!((c >= u'0' && c <= u'9') || c == u':' || c == u'a' || c == u'p' || c == u'm'))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // One character per byte, as the receive step stores the answer.
    const QString answer = QString::fromLatin1(reinterpret_cast<const char *>(data),
                                               qsizetype(size));

    QString buffer = answer;
    const Quotazione q = EstraiQuotazione(buffer);
    REQUIRE(buffer == CorpoRisposta(answer));
    REQUIRE(buffer.size() <= answer.size());
    REQUIRE(!q.Variazione.isEmpty());
    REQUIRE(OnlyDigitsAndCommas(q.Valore) && q.Valore.size() <= 8);
    REQUIRE(OnlyDigitsAndCommas(q.Variazione) && q.Variazione.size() <= 9);
    REQUIRE(OnlyDigitsAndCommas(q.Chiusura) && q.Chiusura.size() <= 18);
    // The time comes from an 8-character window: converted, it never grows past 5.
    REQUIRE(q.Ora.size() <= 8);

    // The filters on any window, and the conversion on any filtered text.
    const QString window = answer.left(12);
    const QString time = FiltroOra(window);
    REQUIRE(OnlyTimeCharacters(time) && time.size() <= window.size());
    const QString converted = ConvertiOra(time);
    REQUIRE(converted.size() <= time.size() + 1);
    REQUIRE(OnlyDigitsAndCommas(FiltroNumero(answer)));
    ConvertiOra(window);

    // Reading a shown price never yields a non-number, and the fall test follows it.
    const double price = LeggiPrezzo(answer.left(40));
    REQUIRE(std::isfinite(price));
    const QString shown = QStringLiteral(" ") + q.Valore;
    REQUIRE(std::isfinite(LeggiPrezzo(shown)));
    REQUIRE(InRibasso(q.Chiusura, shown) == (LeggiPrezzo(q.Chiusura) > LeggiPrezzo(shown)));
    REQUIRE(!InRibasso(shown, shown));

    // A well-formed page time, in any letter case, becomes the 24-hour quote time.
    if (size >= 3) {
        const int hour12 = data[0] % 12 + 1;
        const int minute = data[1] % 60;
        const bool pm = data[2] & 1;
        QString suffix = pm ? QStringLiteral("pm") : QStringLiteral("am");
        if (data[2] & 2)
            suffix = suffix.toUpper();
        const QString page = QStringLiteral("%1:%2%3").arg(hour12).arg(minute, 2, 10, QLatin1Char('0')).arg(suffix);
        const int hour24 = hour12 % 12 + (pm ? 12 : 0);
        const QString expected = QStringLiteral("%1:%2").arg(hour24).arg(minute, 2, 10, QLatin1Char('0'));
        REQUIRE(ConvertiOra(FiltroOra(page)) == expected);
    }
    return 0;
}
