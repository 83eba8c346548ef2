// Futures-code download of the main window.
#include <QListWidget>

#include "futures/CodiceFutures.h"
#include "platform/Ambiente.h"
#include "platform/Desktop.h"
#include "quote/TrasferimentoHttp.h"
#include "shell/Impostazioni.h"
#include "ui/Form1.h"
#include "ui/Form3.h"

void Form1::Command2_Click()
{
    Winsock1->Avvia(platform::futuresServer(), PercorsoFutures);
}

void Form1::Winsock1_Close(const QString &corpo)
{
    const QString codice = EstraiCodice(corpo);
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
                                      "\"%2\" non si può leggere: l'elenco degli indici resta com'era "
                                      "e si segue il nuovo codice.")
                           .arg(codice, platform::appFile(platform::SettingsFileName)));
}
