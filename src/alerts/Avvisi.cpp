#include "alerts/Avvisi.h"

#include <QRegularExpression>
#include <QStringList>
#include <cmath>

#include "shell/Impostazioni.h"

namespace {

// A level's margin for re-arming: 0,1 % of the level.
constexpr double FrazioneMargine = 0.001;

// The integer part of a number text with a point between groups of three digits.
QString RaggruppaCifre(const QString &testo)
{
    const QString t = testo.trimmed();
    qsizetype inizio = (t.startsWith(u'-') || t.startsWith(u'+')) ? 1 : 0;
    qsizetype fine = inizio;
    while (fine < t.size() && t[fine].isDigit())
        ++fine;
    QString cifre = t.mid(inizio, fine - inizio);
    for (qsizetype i = cifre.size() - 3; i > 0; i -= 3)
        cifre.insert(i, u'.');
    return t.left(inizio) + cifre + t.mid(fine);
}

// Applies the rule to one level; the change level compares the change's size.
void Passo(const std::optional<double> &livello, double x, bool sopra, bool &armato, bool &scatta)
{
    if (!livello) {
        armato = true;
        return;
    }
    const double l = *livello;
    const double margine = std::fabs(l) * FrazioneMargine;
    const bool oltre = sopra ? x > l : x < l;
    const bool rientrato = sopra ? x <= l - margine : x >= l + margine;
    if (oltre && armato) {
        scatta = true;
        armato = false;
    } else if (rientrato) {
        armato = true;
    }
}

QString Campo(const std::optional<double> &livello)
{
    return QStringLiteral("\"%1\"").arg(livello ? NumeroDaDire(*livello) : QString());
}

QString NumeroC(double x) { return QString::number(x, 'g', 17); }

std::optional<double> LeggiC(const QString &testo)
{
    bool ok = false;
    const double x = testo.toDouble(&ok);
    return ok && std::isfinite(x) ? std::optional<double>(x) : std::nullopt;
}

} // namespace

std::optional<double> LeggiNumeroItaliano(const QString &testo)
{
    static const QRegularExpression forma(
        QStringLiteral(R"(^([+-]?)(\d{1,3}(?:\.\d{3})+|\d+)(?:,(\d+))?$)"));
    const QRegularExpressionMatch m = forma.match(testo.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    QString c = m.captured(1) + m.captured(2).remove(u'.');
    if (m.hasCaptured(3))
        c += u'.' + m.captured(3);
    return LeggiC(c);
}

QString NumeroDaDire(double numero)
{
    QString t = QString::number(numero, 'f', 6);
    while (t.endsWith(u'0'))
        t.chop(1);
    if (t.endsWith(u'.'))
        t.chop(1);
    if (t == u"-0")
        t = QStringLiteral("0");
    return t.replace(u'.', u',');
}

QString NumeroConPunti(double numero)
{
    return RaggruppaCifre(NumeroDaDire(numero));
}

std::optional<LetturaAvvisi> LetturaDaTesti(const QString &testoValore, const QString &testoVariazione,
                                            const QDate &giorno)
{
    static const QRegularExpression forma(QStringLiteral(R"(^([+-]) (\S+) %$)"));
    const QRegularExpressionMatch m = forma.match(testoVariazione.trimmed());
    const std::optional<double> valore = LeggiNumeroItaliano(testoValore);
    const std::optional<double> variazione = m.hasMatch() ? LeggiNumeroItaliano(m.captured(2)) : std::nullopt;
    if (!valore || !variazione)
        return std::nullopt;
    return LetturaAvvisi{*valore, m.captured(1) == u"-" ? -*variazione : *variazione, giorno};
}

EsitoAvvisi ValutaAvvisi(const LivelliAvviso &livelli, const std::optional<LetturaAvvisi> &precedente,
                         const std::optional<LetturaAvvisi> &nuova, ArmatiAvvisi armati)
{
    EsitoAvvisi esito;
    esito.Armati = armati;
    if (!nuova)
        return esito;
    // The first reading of a day is measured against the levels afresh.
    if (!precedente || precedente->Giorno != nuova->Giorno)
        esito.Armati = ArmatiAvvisi{};
    Passo(livelli.Sopra, nuova->Valore, true, esito.Armati.Sopra, esito.Sopra);
    Passo(livelli.Sotto, nuova->Valore, false, esito.Armati.Sotto, esito.Sotto);
    Passo(livelli.Variazione, std::fabs(nuova->Variazione), true, esito.Armati.Variazione, esito.Variazione);
    return esito;
}

QString DescriviOltrepassati(const QString &nome, const LivelliAvviso &livelli,
                             const std::optional<LetturaAvvisi> &lettura)
{
    if (!lettura)
        return QString();
    QStringList righe;
    if (livelli.Sopra && lettura->Valore > *livelli.Sopra)
        righe << QStringLiteral("Avviso: %1 sopra %2").arg(nome, NumeroConPunti(*livelli.Sopra));
    if (livelli.Sotto && lettura->Valore < *livelli.Sotto)
        righe << QStringLiteral("Avviso: %1 sotto %2").arg(nome, NumeroConPunti(*livelli.Sotto));
    if (livelli.Variazione && std::fabs(lettura->Variazione) > *livelli.Variazione)
        righe << QStringLiteral("Avviso: %1 variazione oltre %2 %").arg(nome, NumeroDaDire(*livelli.Variazione));
    return righe.join(u'\n');
}

QList<MessaggioAvviso> MessaggiAvvisi(const QString &nome, const LivelliAvviso &livelli, const EsitoAvvisi &esito,
                                      const QString &testoValore, const QString &testoVariazione,
                                      const QString &testoOra)
{
    const QString lettura = QStringLiteral(": %1, %2, ore %3")
                                .arg(RaggruppaCifre(testoValore), testoVariazione.trimmed(), testoOra.trimmed());
    QList<MessaggioAvviso> messaggi;
    auto aggiungi = [&](bool scattato, const std::optional<double> &livello, const QString &parola,
                        const QString &unitaScritta, const QString &unitaDetta) {
        if (!scattato || !livello)
            return;
        const QString testa = nome + u' ' + parola + u' ';
        messaggi.append({testa + (unitaScritta.isEmpty() ? NumeroConPunti(*livello)
                                                         : NumeroDaDire(*livello) + unitaScritta)
                             + lettura,
                         testa + NumeroDaDire(*livello) + unitaDetta});
    };
    aggiungi(esito.Sopra, livelli.Sopra, QStringLiteral("sopra"), QString(), QString());
    aggiungi(esito.Sotto, livelli.Sotto, QStringLiteral("sotto"), QString(), QString());
    aggiungi(esito.Variazione, livelli.Variazione, QStringLiteral("variazione oltre"), QStringLiteral(" %"),
             QStringLiteral(" per cento"));
    return messaggi;
}

QList<RigaAvvisi> FileAvvisi::Illeggibili() const
{
    QList<RigaAvvisi> illeggibili;
    for (const RigaAvvisi &riga : Righe)
        if (riga.Nome.isEmpty())
            illeggibili << riga;
    return illeggibili;
}

LivelliAvviso FileAvvisi::Livelli(const QString &nome) const
{
    for (const RigaAvvisi &riga : Righe)
        if (!nome.isEmpty() && riga.Nome == nome)
            return riga.Livelli;
    return {};
}

void FileAvvisi::Imposta(const QString &nome, const LivelliAvviso &livelli)
{
    RigaAvvisi nuova{QStringLiteral("\"%1\",%2,%3,%4")
                         .arg(nome, Campo(livelli.Sopra), Campo(livelli.Sotto), Campo(livelli.Variazione)),
                     nome, livelli, 0};
    qsizetype posto = Righe.size();
    for (qsizetype i = Righe.size() - 1; i >= 0; --i)
        if (Righe[i].Nome == nome) {
            posto = i;
            Righe.removeAt(i);
        }
    if (!livelli.Vuoti())
        Righe.insert(posto, nuova);
}

FileAvvisi LeggiAvvisi(const QString &testo)
{
    static const QRegularExpression fineRiga(QStringLiteral("\r\n|\r|\n"));
    FileAvvisi file;
    const QStringList righe = testo.split(fineRiga);
    for (qsizetype n = 0; n < righe.size(); ++n) {
        RigaAvvisi riga{righe[n], QString(), {}, int(n + 1)};
        if (riga.Testo.trimmed().isEmpty())
            continue;
        LettoreCampi lettore(riga.Testo);
        QStringList campi;
        while (!lettore.Fine() && campi.size() <= 4)
            campi << lettore.LeggiCampo().trimmed();
        bool leggibile = campi.size() <= 4 && !campi.value(0).isEmpty();
        std::optional<double> *livelli[] = {&riga.Livelli.Sopra, &riga.Livelli.Sotto, &riga.Livelli.Variazione};
        for (int i = 0; leggibile && i < 3; ++i) {
            const QString campo = campi.value(i + 1);
            if (campo.isEmpty())
                continue;
            *livelli[i] = LeggiNumeroItaliano(campo);
            leggibile = livelli[i]->has_value();
        }
        if (riga.Livelli.Variazione)
            riga.Livelli.Variazione = std::fabs(*riga.Livelli.Variazione);
        if (leggibile)
            riga.Nome = campi[0];
        else
            riga.Livelli = {};
        file.Righe << riga;
    }
    return file;
}

QByteArray ScriviAvvisi(const FileAvvisi &file)
{
    QByteArray testo;
    for (const RigaAvvisi &riga : file.Righe)
        testo += riga.Testo.toUtf8() + "\r\n";
    return testo;
}

StatoAvvisi LeggiStatoAvvisi(const QByteArray &testo)
{
    // giorno;valore;variazione;armati;sopra;sotto;variazione
    const QStringList campi = QString::fromLatin1(testo.trimmed()).split(u';');
    StatoAvvisi stato;
    if (campi.size() != 7)
        return stato;
    const QDate giorno = QDate::fromString(campi[0], QStringLiteral("dd/MM/yyyy"));
    const std::optional<double> valore = LeggiC(campi[1]), variazione = LeggiC(campi[2]);
    if (!giorno.isValid() || !valore || !variazione || campi[3].size() != 3)
        return stato;
    stato.Precedente = LetturaAvvisi{*valore, *variazione, giorno};
    stato.Armati = {campi[3][0] == u'1', campi[3][1] == u'1', campi[3][2] == u'1'};
    stato.Livelli = {LeggiC(campi[4]), LeggiC(campi[5]), LeggiC(campi[6])};
    return stato;
}

QByteArray ScriviStatoAvvisi(const StatoAvvisi &stato)
{
    if (!stato.Precedente)
        return QByteArray();
    auto livello = [](const std::optional<double> &l) { return l ? NumeroC(*l) : QString(); };
    auto bit = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
    return QStringList{stato.Precedente->Giorno.toString(QStringLiteral("dd/MM/yyyy")),
                       NumeroC(stato.Precedente->Valore), NumeroC(stato.Precedente->Variazione),
                       bit(stato.Armati.Sopra) + bit(stato.Armati.Sotto) + bit(stato.Armati.Variazione),
                       livello(stato.Livelli.Sopra), livello(stato.Livelli.Sotto), livello(stato.Livelli.Variazione)}
               .join(u';')
               .toLatin1()
           + "\n";
}

EsitoAvvisi AggiornaStatoAvvisi(StatoAvvisi &stato, const LivelliAvviso &livelli,
                                const std::optional<LetturaAvvisi> &nuova)
{
    if (!nuova)
        return {};
    if (stato.Livelli != livelli) {
        stato.Livelli = livelli;
        stato.Armati = ArmatiAvvisi{};
    }
    const EsitoAvvisi esito = ValutaAvvisi(livelli, stato.Precedente, nuova, stato.Armati);
    stato.Armati = esito.Armati;
    stato.Precedente = nuova;
    return esito;
}
