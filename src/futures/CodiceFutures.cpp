#include "futures/CodiceFutures.h"

QString EstraiCodice(const QString &risposta)
{
    // Everything after the first empty line; without one, from the fourth character on.
    const qsizetype Q = risposta.indexOf(QStringLiteral("\r\n\r\n"));
    QString Codice = risposta.mid(Q < 0 ? 3 : Q + 4);
    // A published file that ends in a line break must match the code stored in fut.txt.
    qsizetype Fine = Codice.size();
    while (Fine > 0 && (Codice.at(Fine - 1) == QLatin1Char('\r') || Codice.at(Fine - 1) == QLatin1Char('\n')))
        --Fine;
    Codice.truncate(Fine);
    return Codice;
}

bool CodiceNuovo(const QString &codice, const QString &simbolo)
{
    return codice.startsWith(QLatin1Char('C')) && codice != simbolo;
}

QByteArray ContenutoFut(const QString &codice)
{
    return codice.toUtf8() + QByteArrayLiteral("\r\n");
}
