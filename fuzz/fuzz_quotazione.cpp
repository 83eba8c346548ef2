// The answer rule, the quote page parser and the price reading.
// Input: the bytes received from the quote server.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "Proprieta.h"
#include "quote/MessaggiHttp.h"
#include "quote/PaginaQuotazione.h"
#include "quote/Quotazione.h"

namespace {

bool OnlyDigitsAndCommas(const QString &text)
{
    for (QChar c : text)
        if (!((c >= u'0' && c <= u'9') || c == u','))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray answer(reinterpret_cast<const char *>(data), qsizetype(size));

    // A body is never longer than the answer it came from (a chunked one only shrinks).
    const std::optional<QByteArray> body = CorpoRisposta(answer);
    REQUIRE(!body || body->size() <= answer.size());

    // Any page: each value is digits and commas from its window, the change never empty.
    const Quotazione q = EstraiQuotazione(QString::fromLatin1(answer));
    REQUIRE(!q.Variazione.isEmpty());
    REQUIRE(OnlyDigitsAndCommas(q.Valore) && q.Valore.size() <= 8);
    REQUIRE(OnlyDigitsAndCommas(q.Variazione) && q.Variazione.size() <= 9);
    REQUIRE(OnlyDigitsAndCommas(q.Chiusura) && q.Chiusura.size() <= 18);
    REQUIRE(q.Ora.size() <= 8);

    // A price reads as a finite number or as no number; the fall test follows it.
    const QString shown = QStringLiteral(" ") + q.Valore;
    const std::optional<double> price = LeggiPrezzo(shown), close = LeggiPrezzo(q.Chiusura);
    REQUIRE(!price || std::isfinite(*price));
    const std::optional<bool> fall = InRibasso(q.Chiusura, shown);
    REQUIRE(fall.has_value() == (price && close));
    REQUIRE(!fall || *fall == (*close > *price));

    // A well-formed page time, in any letter case, becomes the 24-hour quote time.
    if (size >= 3) {
        const int hour12 = data[0] % 12 + 1;
        const int minute = data[1] % 60;
        const bool pm = data[2] & 1;
        QString suffix = pm ? QStringLiteral("pm") : QStringLiteral("am");
        if (data[2] & 2)
            suffix = suffix.toUpper();
        const QString time = QStringLiteral("%1:%2%3").arg(hour12).arg(minute, 2, 10, QLatin1Char('0')).arg(suffix);
        const QString page = QString::fromLatin1(ScriviPagina(time, QString(), QString(), QString()));
        const int hour24 = hour12 % 12 + (pm ? 12 : 0);
        REQUIRE(EstraiQuotazione(page).Ora == QStringLiteral("%1:%2").arg(hour24).arg(minute, 2, 10, QLatin1Char('0')));
    }
    return 0;
}
