#pragma once
// The layout of the quote page, defined once for the parser, the quote server, the tests
// and the benchmarks. Each value stands in a window of fixed width at a fixed distance
// from the first character of a marker; the distances fit the quote site's page.
#include <QByteArray>
#include <QLatin1String>
#include <QString>

struct FinestraPagina {
    QLatin1String Marcatore; // searched from the page's start, case-sensitive
    int Distanza;            // from the marker's first character to the window's (negative: before)
    int Larghezza;           // characters in the window
};

// Time: 8 characters beginning 36 before the marker.
inline constexpr FinestraPagina FinestraOra{QLatin1String("ET</abbr><br /></span>"), -36, 8};
// Last price: 8 characters beginning 18 after the marker's first character.
inline constexpr FinestraPagina FinestraValore{QLatin1String("Last price:"), 18, 8};
// Change: 9 characters beginning 46 before the marker.
inline constexpr FinestraPagina FinestraVariazione{QLatin1String("Shows primary price"), -46, 9};
// Previous close: 18 characters beginning 40 after the marker's first character.
inline constexpr FinestraPagina FinestraChiusura{QLatin1String("Previous Close:"), 40, 18};

// A quote page as the quote site writes it: each text right-justified in its window
// (cut to the window's width), one character per byte, amid markup without digits.
QByteArray ScriviPagina(const QString &ora12, const QString &valore, const QString &variazione,
                        const QString &chiusura);
