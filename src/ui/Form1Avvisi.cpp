// Alerts of the main window: the alert window, the levels file, the check of each
// reading and the value boxes' tooltips.
#include <QCheckBox>
#include <QDate>
#include <QLineEdit>

#include "platform/Ambiente.h"
#include "platform/Desktop.h"
#include "platform/FileSistema.h"
#include "platform/OsservatoreFile.h"
#include "history/Storico.h"
#include "shell/Impostazioni.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Form4.h"

namespace {
const QString FileAvvisiNome = QStringLiteral("Avvisi.cfg");
const QString TitoloAvvisi = QStringLiteral("Quotaro: avviso");
} // namespace

void Form1::ApriAvvisi()
{
    // Levels belong to an index: none is followed before the first choice.
    if (NomeIndice == u"Indice")
        return;
    if (!form4_) {
        form4_ = new Form4;
        connect(form4_, &Form4::LivelliScelti, this, &Form1::Form4_LivelliScelti);
    }
    form4_->Proponi(NomeIndice, Avvisi().Livelli(NomeIndice));
}

void Form1::Form4_LivelliScelti(const QString &nome, const LivelliAvviso &livelli)
{
    // Read again just before writing, so that what another instance stored meanwhile stays.
    const QString percorso = platform::appFile(FileAvvisiNome);
    QByteArray testo;
    // A file there that cannot be read is never replaced by this one line: the other
    // indexes' levels would be lost.
    if (!platform::readFile(percorso, &testo) && platform::exists(percorso)) {
        form4_->MostraEsito(QStringLiteral("Impossibile leggere il file \"%1\": nulla è stato salvato.").arg(percorso));
        return;
    }
    FileAvvisi file = LeggiAvvisi(DecodificaImpostazioni(testo));
    file.Imposta(nome, livelli);
    QString errore;
    if (!platform::replaceFile(percorso, ScriviAvvisi(file), &errore)) {
        form4_->MostraEsito(QStringLiteral("Impossibile salvare il file \"%1\": %2").arg(percorso, errore));
        return;
    }
    form4_->MostraEsito(QString());
    CaricaAvvisi();
}

const FileAvvisi &Form1::Avvisi()
{
    if (!OsservaAvvisi) {
        OsservaAvvisi = new platform::FileWatcher(platform::appFile(FileAvvisiNome), this);
        connect(OsservaAvvisi, &platform::FileWatcher::changed, this, &Form1::CaricaAvvisi);
        CaricaAvvisi();
    }
    return FileLivelli;
}

void Form1::CaricaAvvisi()
{
    const QString percorso = platform::appFile(FileAvvisiNome);
    QByteArray testo;
    platform::readFile(percorso, &testo);
    FileLivelli = LeggiAvvisi(DecodificaImpostazioni(testo));
    // A line that cannot be read is ignored and kept; the user hears of it once, and of a
    // file damaged all over in one notice, not one per line.
    QList<RigaAvvisi> nuove;
    for (const RigaAvvisi &riga : FileLivelli.Illeggibili())
        if (!RigheSegnalate.contains(riga.Testo))
            RigheSegnalate.insert(riga.Testo), nuove.append(riga);
    if (nuove.size() == 1)
        desktop_.notify(TitoloAvvisi, QStringLiteral("Riga %1 del file \"%2\" illeggibile, ignorata: %3")
                                          .arg(nuove[0].Numero)
                                          .arg(percorso, nuove[0].Testo));
    else if (nuove.size() > 1)
        desktop_.notify(TitoloAvvisi, QStringLiteral("%1 righe del file \"%2\" illeggibili, ignorate, dalla riga %3: %4")
                                          .arg(nuove.size())
                                          .arg(percorso)
                                          .arg(nuove[0].Numero)
                                          .arg(nuove[0].Testo));
    // Levels changed here or by another instance show in the tooltip at once.
    if (NomeUltimaLettura == NomeIndice) {
        SuggerimentoAvvisi = DescriviOltrepassati(NomeIndice, FileLivelli.Livelli(NomeIndice), UltimaLettura);
        AggiornaSuggerimenti();
    }
}

void Form1::ControllaAvvisi()
{
    const LivelliAvviso livelli = Avvisi().Livelli(NomeIndice);
    // Only fresh values fire an alert: not stale ones, nor a closed market's last reading
    // polled again (at midnight in New York it would be a new day's first). The day is New York's.
    const std::optional<LetturaAvvisi> lettura =
        StatoAttuale() != market::StatoDati::Freschi
            ? std::nullopt
            : LetturaDaTesti(Text2->text(), Text3->text(), market::DataNewYork(platform::now()));
    EsitoAvvisi esito;
    // The instances following the index share the last reading and the armed levels
    // beside its history file; the one whose reading crosses a level tells the user.
    // Where that file cannot be written (a read-only folder) the instance keeps its own:
    // better told by each instance than by none.
    if (lettura && !livelli.Vuoti()
        && !platform::changeUnderLock(FileStorico() + QStringLiteral(".avvisi"),
                                      [&](const QByteArray &vecchio) {
                                          StatoAvvisi stato = LeggiStatoAvvisi(vecchio);
                                          esito = AggiornaStatoAvvisi(stato, livelli, lettura);
                                          StatoProprio = stato; // in step, should the file fail later
                                          return ScriviStatoAvvisi(stato);
                                      },
                                      nullptr))
        esito = AggiornaStatoAvvisi(StatoProprio, livelli, lettura);
    for (const MessaggioAvviso &messaggio :
         MessaggiAvvisi(NomeIndice, livelli, esito, Text2->text(), Text3->text(), Text1->text())) {
        desktop_.notify(TitoloAvvisi, messaggio.Notifica);
        if (Check3->isChecked())
            desktop_.speak(messaggio.Voce);
    }
    UltimaLettura = lettura;
    NomeUltimaLettura = NomeIndice;
    SuggerimentoAvvisi = DescriviOltrepassati(NomeIndice, livelli, lettura);
    AggiornaSuggerimenti();
}


