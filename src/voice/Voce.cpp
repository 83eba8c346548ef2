#include "voice/Voce.h"

QString FraseVoce(const QString &testoOra, const QString &nomeIndice, const QString &testoVariazione)
{
    // "meno" goes before the whole change text, its own "-" included; a "+" is left to the engine.
    const QString Meno = testoVariazione.startsWith(QLatin1Char('-')) ? QStringLiteral("meno") : QString();
    return QStringLiteral("ore ") + testoOra + QStringLiteral(", ") + nomeIndice
           + QStringLiteral(", ") + Meno + testoVariazione;
}
