// Futures-code download of the main window.
#include <QListWidget>

#include "futures/CodiceFutures.h"
#include "market/Calendario.h"
#include "platform/Ambiente.h"
#include "platform/Desktop.h"
#include "quote/TrasferimentoHttp.h"
#include "shell/Impostazioni.h"
#include "ui/Form1.h"
#include "ui/Form3.h"

void Form1::Command2_Click()
{
    FuturesRichiesti = true;
    InizioRichiestaFutures = platform::now();
    const platform::ServerAddress server = platform::futuresServer();
    if (const QString rifiuto = ServerNonFidato(server); !rifiuto.isEmpty())
        return Winsock1_Fallita(rifiuto);
    Winsock1->Avvia(server, PercorsoFutures);
}

void Form1::Winsock1_Fallita(const QString &motivo)
{
    // Asked again after a good poll: at once after the start-up request, then every ten
    // minutes at most, so a missing code never costs a request per poll.
    if (GiornoCodiceFutures.isValid() || ProssimaRichiestaFutures.isValid())
        ProssimaRichiestaFutures = platform::now().addSecs(600);
    else
        ProssimaRichiestaFutures = platform::now();
    AvviaServerLocale(platform::futuresServer(), motivo);
}

void Form1::RichiediFuturesSeServe()
{
    const QDateTime adesso = platform::now();
    // A request still unanswered after a minute is dropped by the next one.
    const bool inAttesa = Winsock1->InCorso() && InizioRichiestaFutures.secsTo(adesso) < 60;
    if (!FuturesRichiesti || inAttesa || GiornoCodiceFutures == market::DataNewYork(adesso)
        || (ProssimaRichiestaFutures.isValid() && adesso < ProssimaRichiestaFutures))
        return;
    Command2_Click();
}

void Form1::Winsock1_Close(const QString &corpo)
{
    const QString codice = EstraiCodice(corpo);
    if (codice.isEmpty())
        return Winsock1_Fallita(QStringLiteral("codice non valido"));
    GiornoCodiceFutures = market::DataNewYork(platform::now());
    ProssimaRichiestaFutures = {};
    // Compared with the futures entry's own code, whichever index is followed now.
    if (!CodiceNuovo(codice, CodiceFutures))
        return;
    FinestraFutures().Proponi(CodiceFutures, codice);
}

void Form1::Form3_CodiceSalvato(const QString &codice)
{
    if (CaricaImpostazioni())
        return;
    // fut.txt holds the new code although the index list cannot be read again: follow
    // the code, keep the list as it was, and say so.
    CodiceFutures = codice;
    SelezionaIndice(NomeFutures, codice);
    // fut.txt exists now, so the list's first entry is the futures entry, with this code.
    if (List1->count() > 0 && List2->count() > 0 && List1->item(0)->text() == NomeFutures) {
        List2->item(0)->setText(codice);
    } else {
        List1->insertItem(0, NomeFutures);
        List2->insertItem(0, codice);
    }
    desktop_.showError(this, QStringLiteral("Aggiornamento codice Futures"),
                       QStringLiteral("Il codice \"%1\" è stato salvato, ma il file delle impostazioni "
                                      "\"%2\" non si può leggere: l'elenco degli indici non è stato riletto "
                                      "e si segue il nuovo codice.")
                           .arg(codice, platform::appFile(platform::SettingsFileName)));
}
