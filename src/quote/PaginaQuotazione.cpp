#include "quote/PaginaQuotazione.h"

namespace {

// One line of the page: the value in its window, at its distance from the marker, the
// window set off by <b> tags and blanks that count in that distance.
QString Riga(const FinestraPagina &f, const QString &valore)
{
    const QString finestra = QStringLiteral("<b>") + valore.rightJustified(f.Larghezza, u' ', true)
                             + QStringLiteral("</b>");
    if (f.Distanza < 0) // window, "</b>", blanks, marker
        return finestra + QString(-f.Distanza - f.Larghezza - 4, u' ') + f.Marcatore + u'\n';
    return f.Marcatore + QString(f.Distanza - f.Marcatore.size() - 3, u' ') + finestra + u'\n';
}

} // namespace

QByteArray ScriviPagina(const QString &ora12, const QString &valore, const QString &variazione,
                        const QString &chiusura)
{
    const QString pagina = QStringLiteral("<!DOCTYPE html>\n<html><head><title>Quote</title></head>\n<body>\n")
        + Riga(FinestraOra, ora12) + Riga(FinestraValore, valore)
        + Riga(FinestraVariazione, variazione) + Riga(FinestraChiusura, chiusura)
        + QStringLiteral("</body></html>\n");
    return pagina.toLatin1();
}
