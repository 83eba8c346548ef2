#pragma once
// Design constants of the windows (sizes in twips, intervals in ms).
#include <QString>

inline const QString Credito = QStringLiteral("Redazione Quotaro - www.quotaro.example");
inline const QString IndirizzoHomePage = QStringLiteral("http://www.quotaro.example");
inline const QString PercorsoRicerca = QStringLiteral("/cgi-bin/ricerca/meta.pl?query=");
inline const QString CodaRicerca = QStringLiteral("&modlist=web");

inline constexpr double LarghezzaForm1 = 6330;
inline constexpr double AltezzaForm1 = 3420;
inline constexpr double MargineDestroGrafico = 150;
inline constexpr double MargineBassoGrafico = 50;

inline constexpr int IntervalloLento = 20000;
inline constexpr int IntervalloVeloce = 5000;
inline constexpr int IntervalloVoce = 60000;

// Compact window: design width, the step that widens or narrows it.
inline constexpr double LarghezzaLarga = 6555;
inline constexpr double AltezzaRidotta = 390;
inline constexpr double PassoLarghezza = 1900;

// Colours of a rise and a fall.
#include <QColor>
inline const QColor ColoreRialzo(128, 255, 128);
inline const QColor ColoreRibasso(255, 128, 128);

// Where a strip asked for at a place goes on its screen (pixels): there when it fits
// whole, else moved left to the last place where it does (never left of the screen).
#include <QRect>
#include <algorithm>
inline QPoint PostoCheEntra(const QRect &finestra, const QRect &schermo)
{
    if (finestra.right() <= schermo.right())
        return finestra.topLeft();
    return {std::max(schermo.left(), schermo.right() + 1 - finestra.width()), finestra.top()};
}
