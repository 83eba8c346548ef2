// Futures-code download of the main window.
#include <QLineEdit>

#include "futures/CodiceFutures.h"
#include "futures/Form3.h"
#include "platform/Ambiente.h"
#include "platform/SocketControl.h"
#include "quote/Quotazione.h"
#include "ui/Form1.h"

void Form1::Command2_Click()
{
    const platform::ServerAddress server = platform::futuresServer();
    HostFutures = server.host;
    // Each download starts from an empty buffer of its own.
    BufferFutures.clear();
    Winsock1->Close();
    Winsock1->Connect(HostFutures, server.port);
}

void Form1::Winsock1_Connect()
{
    Winsock1->SendData(TestoRichiesta(PercorsoFutures, HostFutures));
}

void Form1::Winsock1_DataArrival()
{
    RiceviDati(Winsock1, BufferFutures);
}

void Form1::Winsock1_Close()
{
    const QString codice = EstraiCodice(BufferFutures);
    BufferFutures = codice;
    if (!CodiceNuovo(codice, Simbolo))
        return;
    Form3 &finestra = FinestraFutures();
    finestra.Text1->setText(Simbolo);
    finestra.Text2->setText(codice);
    finestra.show();
}
