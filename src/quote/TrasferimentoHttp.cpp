#include "quote/TrasferimentoHttp.h"

#include <optional>

#include "platform/SocketControl.h"
#include "quote/MessaggiHttp.h"

TrasferimentoHttp::TrasferimentoHttp(QObject *parent)
    : QObject(parent), Socket(new platform::SocketControl(this))
{
    connect(Socket, &platform::SocketControl::connected, this, &TrasferimentoHttp::Connesso);
    connect(Socket, &platform::SocketControl::dataArrived, this, [this] { Accoda(Socket->GetData()); });
    connect(Socket, &platform::SocketControl::closed, this, &TrasferimentoHttp::ChiusoDalServer);
    connect(Socket, &platform::SocketControl::failed, this, [this](platform::SocketControl::Failure perche) {
        using F = platform::SocketControl::Failure;
        Fallisce(perche == F::Refused        ? MotivoRifiutata
                 : perche == F::HostNotFound ? QStringLiteral("server non trovato")
                                             : QStringLiteral("connessione interrotta"));
    });
}

void TrasferimentoHttp::Avvia(const platform::ServerAddress &server, const QString &percorso)
{
    Abbandona();
    Richiesta = TestoRichiesta(percorso, server.hostHeader);
    Socket->Connect(server.host, server.port);
}

void TrasferimentoHttp::Abbandona()
{
    Socket->Close();
    Richiesta.clear();
    BufferRisposta.clear();
}

void TrasferimentoHttp::Connesso()
{
    Socket->SendData(Richiesta);
}

// Appends what came; past the limit the transfer is abandoned.
bool TrasferimentoHttp::Accoda(const QByteArray &dati)
{
    if (BufferRisposta.size() + dati.size() > LimiteRisposta) {
        Fallisce(QStringLiteral("risposta troppo lunga"));
        return false;
    }
    BufferRisposta += dati;
    return true;
}

void TrasferimentoHttp::ChiusoDalServer()
{
    if (!Accoda(Socket->GetData()))
        return;
    const std::optional<QByteArray> corpo = CorpoRisposta(BufferRisposta);
    if (!corpo)
        return Fallisce(MotivoRisposta(BufferRisposta));
    Abbandona();
    emit Chiusa(QString::fromLatin1(*corpo));
}

void TrasferimentoHttp::Fallisce(const QString &motivo)
{
    Abbandona();
    emit Fallita(motivo);
}
