#pragma once
// An asynchronous TCP client with the operations and events a transfer relies on:
// Close, Connect, SendData, GetData; connected, dataArrived, and one end event:
// closed() when the server ended the connection in order, failed() for every other end,
// with what went wrong.
// Every Connect makes a fresh socket; Close abandons the current one so that its
// events never reach the handlers.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <optional>

class QTcpSocket;

namespace platform {

class SocketControl : public QObject {
    Q_OBJECT
public:
    // Why a connection ended other than in order.
    enum class Failure { Refused, HostNotFound, Lost };
    Q_ENUM(Failure)

    explicit SocketControl(QObject *parent = nullptr);
    ~SocketControl() override;

    // Drops any connection or connection attempt; raises no event.
    void Close();
    // Starts an asynchronous connection; success is reported by connected().
    void Connect(const QString &host, quint16 port);
    // Queues the whole text for sending.
    void SendData(const QByteArray &data);
    // All data received so far and not yet taken; still available inside closed().
    QByteArray GetData();

signals:
    void connected();
    void dataArrived();
    // The server sent its end of the stream (FIN): the answer is whole.
    void closed();
    // Connection refused or lost, a reset, a failed send or any other socket error.
    void failed(platform::SocketControl::Failure why);

private:
    // Nothing: the server ended the connection in order.
    void finish(std::optional<Failure> failure);
    bool peerClosedInOrder() const;

    QTcpSocket *socket_ = nullptr;
    // A second descriptor of the connection: it keeps the kernel's socket, and so its TCP
    // state, readable after Qt has closed its own on the end of the stream.
    int stateFd_ = -1;
};

} // namespace platform
