#include "platform/SocketControl.h"

#include <QTcpSocket>

namespace platform {

SocketControl::SocketControl(QObject *parent) : QObject(parent) {}

SocketControl::~SocketControl()
{
    Close();
}

void SocketControl::Close()
{
    if (!socket_)
        return;
    QTcpSocket *old = socket_;
    socket_ = nullptr;
    // abort() emits disconnected() at once: cut the socket off from our handlers first.
    old->disconnect(this);
    old->abort();
    old->deleteLater();
}

void SocketControl::Connect(const QString &host, quint16 port)
{
    Close();
    socket_ = new QTcpSocket(this);
    connect(socket_, &QTcpSocket::connected, this, &SocketControl::connected);
    connect(socket_, &QTcpSocket::readyRead, this, &SocketControl::dataArrived);
    connect(socket_, &QTcpSocket::disconnected, this, &SocketControl::closed);
    socket_->connectToHost(host, port);
}

void SocketControl::SendData(const QByteArray &data)
{
    if (socket_)
        socket_->write(data);
}

QByteArray SocketControl::GetData()
{
    return socket_ ? socket_->readAll() : QByteArray();
}

bool SocketControl::isOpen() const
{
    return socket_ != nullptr;
}

} // namespace platform
