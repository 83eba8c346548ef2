#pragma once
// An asynchronous TCP client with the operations and events the transfers rely on:
// Close, Connect, SendData, GetData; connected, dataArrived and closed events.
// Every Connect makes a fresh socket; Close abandons the current one so that its
// events never reach the handlers.
#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;

namespace platform {

class SocketControl : public QObject {
    Q_OBJECT
public:
    explicit SocketControl(QObject *parent = nullptr);
    ~SocketControl() override;

    // Drops any connection or connection attempt; raises no closed event.
    void Close();
    // Starts an asynchronous connection; success is reported by connected().
    void Connect(const QString &host, quint16 port);
    // Queues the whole text for sending.
    void SendData(const QByteArray &data);
    // All data received so far.
    QByteArray GetData();
    bool isOpen() const;

signals:
    void connected();
    void dataArrived();
    void closed();

private:
    QTcpSocket *socket_ = nullptr;
};

} // namespace platform
