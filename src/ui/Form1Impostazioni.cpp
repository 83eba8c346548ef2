// Start-up, the index list, index choice and the polling switch of the main window.
#include <QAction>
#include <QListWidget>
#include <QTimer>

#include "platform/Ambiente.h"
#include "platform/Desktop.h"
#include "platform/FileSistema.h"
#include "platform/Finestre.h"
#include "quote/TrasferimentoHttp.h"
#include "shell/Impostazioni.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Layout.h"

namespace {
const QString CaptionStop = QStringLiteral(" Stop ");
} // namespace

bool Form1::Form_Load()
{
    for (const char *nome : {"Futures.txt", "Nasdaq.txt", "D.Jones.txt"})
        platform::createIfMissing(platform::appFile(QString::fromLatin1(nome)));
    if (!CaricaImpostazioni()) {
        // The window is not shown yet: the box goes to the centre of the screen.
        desktop_.showError(nullptr, QStringLiteral("Quotaro"),
                           QStringLiteral("Impossibile leggere il file delle impostazioni \"%1\": "
                                          "file non trovato o illeggibile.")
                               .arg(platform::appFile(platform::SettingsFileName)));
        return false;
    }
    // An instance that went straight to its compact strip keeps the main window hidden.
    if (!(form2_ && form2_->isVisible()))
        show();
    return true;
}

bool Form1::CaricaImpostazioni()
{
    QByteArray dati;
    if (!platform::readFile(platform::appFile(platform::SettingsFileName), &dati))
        return false;
    QByteArray fut;
    const bool conFut = platform::readFile(platform::appFile(platform::FuturesFileName), &fut);
    const QString testoFut = DecodificaImpostazioni(fut);
    const ListaIndici lista =
        CostruisciLista(conFut ? &testoFut : nullptr, DecodificaImpostazioni(dati));

    List1->clear();
    List2->clear();
    CodiceFutures = lista.CodiceFutures;
    if (lista.ConFutures)
        SelezionaIndice(NomeFutures, lista.CodiceFutures);
    List1->addItems(lista.Nomi);
    List2->addItems(lista.Simboli);

    Centra();
    // The window has a fixed size, so its client height is the design one.
    List1->resize(List1->width(), platform::px(AltezzaForm1 - 100));

    const int posizione = PosizioneDaArgomento(ArgomentoComando);
    if (posizione > 0 && posizione < List1->count()) {
        SelezionaIndice(lista.Nomi[posizione], lista.Simboli[posizione]);
        AvviaPolling();
        Form2 &ridotta = FinestraRidotta();
        ridotta.show();
        hide();
        ridotta.MoveTwips(posizione * ridotta.WidthTwips(), ridotta.TopTwips());
    } else if (ArgomentoComando.isEmpty()) {
        Command2_Click();
    }
    return true;
}

void Form1::SelezionaIndice(const QString &nome, const QString &simbolo)
{
    if (nome == NomeIndice && simbolo == Simbolo)
        return;
    // A reading under way belongs to the index it was asked for, and the next reading
    // of the new index is recorded whatever the last change text of the old one was.
    WscHttp->Abbandona();
    UltimaVariazione.clear();
    NomeIndice = nome;
    Simbolo = simbolo;
    // An "&" in a name is text, not a shortcut marker.
    Titolo->setText(QString(nome).replace(u'&', QStringLiteral("&&")));
    FinestraRidotta().MostraIndice(nome);
    // What was known of the old index's feed (its failures, when its time last changed)
    // says nothing of the new one's.
    Stato = {};
    MostraStato();
}

void Form1::AvviaPolling()
{
    Titolo2->setText(CaptionStop);
    Timer2->start();
    // Started again by the user: an answer still under way is dropped, not late.
    WscHttp->Abbandona();
    Timer2_Timer();
}

void Form1::Titolo_Click()
{
    List1->setVisible(List1->isHidden());
    if (List1->isVisible()) {
        List1->raise();
        List1->setFocus();
    }
}

void Form1::List1_Click(int posizione)
{
    List1->hide();
    if (posizione < 0 || posizione >= List1->count() || posizione >= List2->count())
        return;
    SelezionaIndice(List1->item(posizione)->text(), List2->item(posizione)->text());
}

void Form1::Titolo2_Click()
{
    if (Titolo2->text() != CaptionStop) {
        AvviaPolling();
    } else {
        Titolo2->setText(QStringLiteral("Avvia"));
        Timer2->stop();
    }
}

void Form1::Command3_Click()
{
    FinestraRidotta().show();
    hide();
    AvviaPolling();
    // Further instances follow list positions 1 and 2 in strips of their own.
    desktop_.startProgram(platform::selfExecutable(), {QStringLiteral("1")});
    desktop_.startProgram(platform::selfExecutable(), {QStringLiteral("2")});
}
