#include "history/Storico.h"

#include "platform/Ambiente.h"

#include <charconv>
#include <cstring>
#include <string>

namespace {

// Blanks only: a record holds no other white space worth removing.
QString TogliSpazi(const QString &testo)
{
    qsizetype inizio = 0;
    qsizetype fine = testo.size();
    while (inizio < fine && testo.at(inizio) == u' ')
        ++inizio;
    while (fine > inizio && testo.at(fine - 1) == u' ')
        --fine;
    return testo.mid(inizio, fine - inizio);
}

QByteArrayView TogliSpazi(QByteArrayView testo)
{
    qsizetype inizio = 0;
    qsizetype fine = testo.size();
    while (inizio < fine && testo[inizio] == ' ')
        ++inizio;
    while (fine > inizio && testo[fine - 1] == ' ')
        --fine;
    return testo.sliced(inizio, fine - inizio);
}

// The whole close and value fields of a record decide the colour, read as numbers, as
// on the display: an empty field counts as 0, and a field that is no number leaves the
// colour as it was (0).
int ColoreRecord(QByteArrayView riga)
{
    double chiusura = 0;
    double valore = 0;
    const QByteArrayView campoChiusura = Finestra(riga, ZonaChiusura);
    const QByteArrayView campoValore = Finestra(riga, ZonaValore);
    if ((!campoChiusura.isEmpty() && !LeggiNumero(campoChiusura, &chiusura))
        || (!campoValore.isEmpty() && !LeggiNumero(campoValore, &valore)))
        return 0;
    return valore < chiusura ? 1 : 2;
}

} // namespace

QString NomeFileStorico(const QString &nomeIndice)
{
    QString nome = nomeIndice;
    nome.replace(u'/', u'_').replace(QChar(u'\0'), u'_');
    nome += QStringLiteral(".txt");
    if (nome == platform::SettingsFileName || nome == platform::FuturesFileName)
        nome.insert(nome.size() - 4, u'_');
    return nome;
}

QByteArrayView Finestra(QByteArrayView riga, Colonne colonne)
{
    const qsizetype inizio = colonne.Prima - 1;
    if (riga.size() <= inizio)
        return {};
    const qsizetype fine = qMin(riga.size(), colonne.Ultima);
    return TogliSpazi(riga.sliced(inizio, fine - inizio));
}

bool LeggiNumero(QByteArrayView testo, double *numero)
{
    testo = TogliSpazi(testo);
    bool negativo = false;
    if (!testo.isEmpty() && (testo[0] == '+' || testo[0] == '-')) {
        negativo = testo[0] == '-';
        testo = TogliSpazi(testo.sliced(1));
    }
    if (testo.isEmpty() || testo.size() > 400)
        return false;
    char cifre[401];
    int quanteCifre = 0;
    bool virgola = false;
    for (qsizetype i = 0; i < testo.size(); ++i) {
        const char c = testo[i];
        if (c >= '0' && c <= '9') {
            ++quanteCifre;
            cifre[i] = c;
        } else if (c == ',' && !virgola) {
            virgola = true;
            cifre[i] = '.';
        } else {
            return false;
        }
    }
    if (quanteCifre == 0)
        return false;
    double valore = 0;
    const char *fine = cifre + testo.size();
    const auto esito = std::from_chars(cifre, fine, valore, std::chars_format::fixed);
    if (esito.ec != std::errc() || esito.ptr != fine)
        return false;
    *numero = negativo ? -valore : valore;
    return true;
}

QByteArray ScriviRecord(const QString &ora, const QString &chiusura,
                        const QString &variazione, const QString &valore,
                        const QString &data)
{
    QByteArray riga;
    riga.reserve(80);
    for (const QString *campo : {&ora, &chiusura, &variazione, &valore}) {
        riga += TogliSpazi(*campo).toLatin1();
        const qsizetype p = riga.size();
        riga.append((p / LarghezzaZona + 1) * LarghezzaZona - p, ' ');
    }
    riga += data.toLatin1();
    riga += "\r\n";
    return riga;
}

QString TestoData(const QDate &giorno)
{
    return giorno.toString(QStringLiteral("dd/MM/yyyy"));
}

PuntiGrafico CalcolaPunti(const QByteArray &contenuto, const QString &oggi)
{
    PuntiGrafico punti;
    const QString oggiPulito = TogliSpazi(oggi);
    const QByteArray oggiByte = oggiPulito.toLatin1();
    // A line is Latin-1, so a date with other characters never matches.
    if (QString::fromLatin1(oggiByte) != oggiPulito)
        return punti;

    const char *dati = contenuto.constData();
    const char *const fineDati = dati + contenuto.size();
    const char *prossimoCR = nullptr;  // next CR at or after the line start, or fineDati
    const char *inizio = dati;
    while (inizio < fineDati) {
        // Each memchr runs once over the bytes it passes: the CR found is kept until
        // the line start moves beyond it, the LF is looked for only before that CR.
        if (!prossimoCR || prossimoCR < inizio) {
            prossimoCR = static_cast<const char *>(std::memchr(inizio, '\r', fineDati - inizio));
            if (!prossimoCR)
                prossimoCR = fineDati;
        }
        const char *fine = static_cast<const char *>(std::memchr(inizio, '\n', prossimoCR - inizio));
        const char *seguente;
        if (fine) {
            seguente = fine + 1;
        } else {
            fine = prossimoCR;
            seguente = fine == fineDati ? fine : fine + 1;
            if (seguente < fineDati && *seguente == '\n')
                ++seguente;
        }
        const QByteArrayView riga(inizio, fine - inizio);
        inizio = seguente;
        if (riga.size() > MassimaRiga)
            continue;

        // Most lines belong to other days: look at the date bytes before anything else.
        const QByteArrayView data = Finestra(riga, ColonneData);
        if (data.size() != oggiByte.size()
            || (!data.isEmpty() && std::memcmp(data.data(), oggiByte.constData(), data.size()) != 0))
            continue;
        if (const int colore = ColoreRecord(riga))
            punti.Colore = colore;
        const QByteArrayView variazione = Finestra(riga, ColonneVariazione);
        if (variazione.isEmpty() || punti.Righe.size() >= MassimoPunti)
            continue;
        double valore = 0;
        if (!LeggiNumero(variazione.chopped(1), &valore))
            valore = 0;
        punti.Righe.append(QString::fromLatin1(riga.data(), riga.size()));
        punti.Valori.append(valore);
    }
    return punti;
}
