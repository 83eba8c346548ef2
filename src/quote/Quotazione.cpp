#include "quote/Quotazione.h"

#include <QByteArray>
#include <cmath>

namespace {

const QString MarcatoreOra = QStringLiteral("ET</abbr><br /></span>");
const QString MarcatoreValore = QStringLiteral("Last price:");
const QString MarcatoreVariazione = QStringLiteral("Shows primary price");
const QString MarcatoreChiusura = QStringLiteral("Previous Close:");

// Position (from 1) of the first occurrence of the marker, 0 when the page lacks it.
qsizetype PosizioneMarcatore(const QString &pagina, const QString &marcatore)
{
    return pagina.indexOf(marcatore, 0, Qt::CaseSensitive) + 1;
}

// The run of `larghezza` characters from position `inizio` (from 1); shorter at the
// page's end, empty when it starts before the page or after its end.
QString Finestra(const QString &pagina, qsizetype inizio, qsizetype larghezza)
{
    if (inizio < 1 || inizio > pagina.size())
        return QString();
    return pagina.mid(inizio - 1, larghezza);
}

// Window at a fixed distance from a marker; empty when the page lacks the marker,
// so a missing marker never picks up digits from the head of the page.
QString FinestraDopo(const QString &pagina, const QString &marcatore,
                     qsizetype distanza, qsizetype larghezza)
{
    const qsizetype p = PosizioneMarcatore(pagina, marcatore);
    if (p == 0)
        return QString();
    return Finestra(pagina, p + distanza, larghezza);
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

} // namespace

QString PercorsoQuotazione(const QString &simbolo)
{
    return QStringLiteral("/qc/stocks/quotes.aspx?symbols=") + simbolo.trimmed();
}

QByteArray TestoRichiesta(const QString &percorso, const QString &host)
{
    const QString testo = QStringLiteral("GET ") + percorso + QStringLiteral(" HTTP/1.1\r\n")
        + QStringLiteral("Host: ") + host + QStringLiteral("\r\n")
        + QStringLiteral("Connection: close\r\n")
        + QStringLiteral("Accept: */*\r\n")
        + QStringLiteral("\r\n");
    return testo.toLatin1();
}

QString CorpoRisposta(const QString &risposta)
{
    const qsizetype q = risposta.indexOf(QStringLiteral("\r\n\r\n"));
    if (q < 0)
        return risposta.mid(3); // no blank line: the first 3 characters are dropped
    return risposta.mid(q + 4);
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

Quotazione EstraiQuotazione(QString &bufferRisposta)
{
    bufferRisposta = CorpoRisposta(bufferRisposta);
    const QString &pagina = bufferRisposta;

    Quotazione q;
    q.Ora = ConvertiOra(FiltroOra(FinestraDopo(pagina, MarcatoreOra, -36, 8)));
    q.Valore = FiltroNumero(FinestraDopo(pagina, MarcatoreValore, 18, 8));
    q.Variazione = FiltroNumero(FinestraDopo(pagina, MarcatoreVariazione, -46, 9));
    if (q.Variazione.isEmpty())
        q.Variazione = QStringLiteral("0,0");
    q.Chiusura = FiltroNumero(FinestraDopo(pagina, MarcatoreChiusura, 40, 18));
    return q;
}

double LeggiPrezzo(const QString &testo)
{
    const QString t = testo.trimmed();
    // The shown texts use a comma; a point is not ours and makes the text unreadable.
    if (t.isEmpty() || t.contains(u'.'))
        return 0.0;
    bool ok = false;
    const double valore = QString(t).replace(u',', u'.').toDouble(&ok);
    if (!ok || !std::isfinite(valore))
        return 0.0;
    return valore;
}

bool InRibasso(const QString &testoChiusura, const QString &testoValore)
{
    return LeggiPrezzo(testoChiusura) > LeggiPrezzo(testoValore);
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
