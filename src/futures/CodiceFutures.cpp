#include "futures/CodiceFutures.h"

#include <algorithm>

QString EstraiCodice(const QString &corpo)
{
    // A published file that ends in a line break must match the code stored in fut.txt.
    qsizetype Fine = corpo.size();
    while (Fine > 0 && (corpo.at(Fine - 1) == u'\r' || corpo.at(Fine - 1) == u'\n'))
        --Fine;
    const QString Codice = corpo.left(Fine);
    const bool Stampabile = std::all_of(Codice.begin(), Codice.end(), [](QChar c) {
        return c >= u' ' && c <= u'~' && c != u',' && c != u'"';
    });
    if (!Stampabile || Codice.isEmpty() || Codice.size() > 32 || Codice.front() == u' '
        || Codice.back() == u' ')
        return QString();
    return Codice;
}

bool CodiceNuovo(const QString &codice, const QString &codiceInUso)
{
    return codice.startsWith(u'C') && codice != codiceInUso;
}

QByteArray ContenutoFut(const QString &codice)
{
    return codice.toUtf8() + QByteArrayLiteral("\r\n");
}
