#pragma once
// One HTTP transfer at a time over a fresh connection: the request goes out on connect,
// the answer is gathered until the server closes, and its body is handed on only when
// the whole answer came in order and passes CorpoRisposta (quote/MessaggiHttp.h).
// Used by both transfers of the main window: the quote page and the futures code.
#include <QByteArray>
#include <QObject>
#include <QString>

#include "platform/Ambiente.h"
#include "platform/SocketControl.h"

// The reason given when the server refused the connection (nothing listens there).
inline const QString MotivoRifiutata = QStringLiteral("connessione rifiutata");

class TrasferimentoHttp : public QObject {
    Q_OBJECT
public:
    // No answer of ours is this long: a longer one is abandoned and its buffer freed.
    static constexpr qsizetype LimiteRisposta = 4 * 1024 * 1024;

    explicit TrasferimentoHttp(QObject *parent = nullptr);

    // Abandons any transfer under way, then connects and sends the GET of percorso,
    // with server.hostHeader on the Host line.
    void Avvia(const platform::ServerAddress &server, const QString &percorso);
    // Drops the transfer under way: its answer never arrives (no signal).
    void Abbandona();

    // A transfer has been started and has not ended yet.
    bool InCorso() const { return !Richiesta.isEmpty(); }

    // What has come of the answer under way; empty and freed between transfers.
    const QByteArray &Ricevuti() const { return BufferRisposta; }

signals:
    // Once per transfer that ended well: the body of the answer, one character per byte
    // (QString::fromLatin1), already decoded when it was chunked.
    void Chiusa(const QString &corpo);
    // Once per transfer that ended otherwise (not for one abandoned by the program): why,
    // in the words the user reads ("connessione rifiutata", "risposta HTTP 503").
    void Fallita(const QString &motivo);

private:
    void Connesso();
    bool Accoda(const QByteArray &dati);
    void ChiusoDalServer();
    void Fallisce(const QString &motivo);

    platform::SocketControl *Socket;
    QByteArray Richiesta;
    QByteArray BufferRisposta;
};
