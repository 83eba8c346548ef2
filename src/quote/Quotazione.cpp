#include "quote/Quotazione.h"

#include <QByteArray>
#include <cmath>

#include "quote/PaginaQuotazione.h"

namespace {

// The window of a layout entry; empty when the page lacks the marker, so a missing
// marker never picks up digits from the head of the page, and empty or cut where the
// window starts before the page or runs past its end.
QString Finestra(const QString &pagina, const FinestraPagina &f)
{
    const qsizetype marcatore = pagina.indexOf(f.Marcatore, 0, Qt::CaseSensitive);
    const qsizetype inizio = marcatore + f.Distanza;
    if (marcatore < 0 || inizio < 0)
        return QString();
    return pagina.mid(inizio, f.Larghezza);
}

// Strict whole-number reading of an hour part: digits only.
bool LeggiOra(const QString &testo, int &ora)
{
    if (testo.isEmpty())
        return false;
    for (QChar c : testo)
        if (c < u'0' || c > u'9')
            return false;
    bool ok = false;
    ora = testo.toInt(&ok);
    return ok;
}

QString FiltroOra(const QString &finestra)
{
    QString risultato;
    for (QChar c : finestra) {
        if ((c >= u'0' && c <= u'9') || c == u':' || c == u'p' || c == u'a' || c == u'm')
            risultato += c;
        else if (c == u'P' || c == u'A' || c == u'M')
            risultato += c.toLower(); // pages may write "PM": read it like "pm"
    }
    return risultato;
}

QString FiltroNumero(const QString &finestra)
{
    QString risultato;
    for (QChar c : finestra) {
        if (c >= u'0' && c <= u'9')
            risultato += c;
        else if (c == u'.')
            risultato += u',';
    }
    return risultato;
}

QString ConvertiOra(const QString &t)
{
    const bool pm = t.endsWith(QStringLiteral("pm"), Qt::CaseInsensitive);
    const bool am = t.endsWith(QStringLiteral("am"), Qt::CaseInsensitive);
    const bool ora12 = t.startsWith(QStringLiteral("12"));

    if (pm && !ora12) {
        // One-digit hour in "4:00pm", two digits otherwise.
        const qsizetype cifre = (t.size() == 6) ? 1 : 2;
        int ora = 0;
        if (!LeggiOra(t.left(cifre), ora))
            return t;
        return QString::number(ora + 12) + t.mid(cifre, 3);
    }
    const QString tagliata = t.left(t.size() == 6 ? 4 : 5);
    if (am && ora12)
        return QStringLiteral("0") + tagliata.mid(2); // the hour after midnight: 12:05am is 0:05
    return tagliata;
}

} // namespace

QString PercorsoQuotazione(const QString &simbolo)
{
    // Every printable ASCII character but blank, '%' and '#' beside the unreserved ones,
    // which the encoding keeps anyway.
    static const QByteArray Tenuti = "!\"$&'()*+,/:;<=>?@[\\]^`{|}";
    // Blanks alone are trimmed; any other white space is part of the symbol.
    qsizetype inizio = 0;
    qsizetype fine = simbolo.size();
    while (inizio < fine && simbolo[inizio] == u' ')
        ++inizio;
    while (fine > inizio && simbolo[fine - 1] == u' ')
        --fine;
    return QStringLiteral("/qc/stocks/quotes.aspx?symbols=")
           + QString::fromLatin1(simbolo.sliced(inizio, fine - inizio).toUtf8().toPercentEncoding(Tenuti));
}

Quotazione EstraiQuotazione(const QString &pagina)
{
    Quotazione q;
    q.Ora = ConvertiOra(FiltroOra(Finestra(pagina, FinestraOra)));
    q.Valore = FiltroNumero(Finestra(pagina, FinestraValore));
    q.Variazione = FiltroNumero(Finestra(pagina, FinestraVariazione));
    if (q.Variazione.isEmpty())
        q.Variazione = QStringLiteral("0,0");
    q.Chiusura = FiltroNumero(Finestra(pagina, FinestraChiusura));
    return q;
}

std::optional<double> LeggiPrezzo(const QString &testo)
{
    const QString t = testo.trimmed();
    if (t.isEmpty())
        return 0.0;
    // The shown texts use a comma; a point is not ours and makes the text unreadable.
    if (t.contains(u'.'))
        return std::nullopt;
    bool ok = false;
    const double valore = QString(t).replace(u',', u'.').toDouble(&ok);
    if (!ok || !std::isfinite(valore))
        return std::nullopt;
    return valore;
}

std::optional<bool> InRibasso(const QString &testoChiusura, const QString &testoValore)
{
    const std::optional<double> chiusura = LeggiPrezzo(testoChiusura);
    const std::optional<double> valore = LeggiPrezzo(testoValore);
    if (!chiusura || !valore)
        return std::nullopt;
    return *chiusura > *valore;
}

PosizioniBarre PassoBarre(double barra1, double barra2)
{
    PosizioniBarre p{barra1 + 200, barra2 + 200};
    if (p.Barra1 > 4480) {
        p.Barra1 = 45;
        p.Barra2 = 510;
    }
    return p;
}
