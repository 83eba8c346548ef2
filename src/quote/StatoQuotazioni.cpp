#include "quote/StatoQuotazioni.h"

#include <QStringList>

namespace {
QString Ora(const QDateTime &istante)
{
    return istante.toLocalTime().toString(QStringLiteral("HH:mm"));
}
} // namespace

bool StatoQuotazioni::Fallita(const QDateTime &adesso, const QString &motivo)
{
    Motivo = motivo;
    if (Fallimenti++ > 0)
        return false;
    InErroreDal = adesso;
    return true;
}

void StatoQuotazioni::Riuscita(const QDateTime &adesso, const QString &ora)
{
    Fallimenti = 0;
    Motivo.clear();
    InErroreDal = {};
    UltimaRisposta = adesso;
    if (ora != UltimaOra || !UltimoCambio.isValid())
        UltimoCambio = adesso;
    UltimaOra = ora;
}

QString AvvisoNessunaQuotazione(const QString &server, const QString &motivo)
{
    return QStringLiteral("Nessuna quotazione da %1: %2").arg(server, motivo);
}

QString SuggerimentoQuotazioni(const StatoQuotazioni &stato, bool fermi, bool chiuso, const QString &server)
{
    QStringList righe;
    if (stato.Fallimenti > 0)
        righe << AvvisoNessunaQuotazione(server, stato.Motivo) + QStringLiteral(" (dalle %1)").arg(Ora(stato.InErroreDal));
    if (fermi && stato.UltimoCambio.isValid())
        righe << QStringLiteral("Dati fermi dalle %1").arg(Ora(stato.UltimoCambio));
    else if (chiuso && !fermi)
        righe << (stato.UltimaRisposta.isValid()
                      ? QStringLiteral("Mercato chiuso (ultima risposta alle %1)").arg(Ora(stato.UltimaRisposta))
                      : QStringLiteral("Mercato chiuso"));
    return righe.join(u'\n');
}
