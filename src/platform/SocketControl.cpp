#include "platform/SocketControl.h"

#include <QTcpSocket>
#include <utility>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

SocketControl::SocketControl(QObject *parent) : QObject(parent) {}

SocketControl::~SocketControl()
{
    Close();
}

void SocketControl::Close()
{
    if (stateFd_ >= 0)
        ::close(std::exchange(stateFd_, -1));
    if (!socket_)
        return;
    QTcpSocket *old = std::exchange(socket_, nullptr);
    // abort() emits disconnected() at once: cut the socket off from our handlers first.
    old->disconnect(this);
    old->abort();
    old->deleteLater();
}

void SocketControl::Connect(const QString &host, quint16 port)
{
    Close();
    QTcpSocket *socket = new QTcpSocket(this);
    socket_ = socket;
    connect(socket, &QTcpSocket::connected, this, [this, socket] {
        stateFd_ = ::fcntl(int(socket->socketDescriptor()), F_DUPFD_CLOEXEC, 0);
        emit connected();
    });
    connect(socket, &QTcpSocket::readyRead, this, &SocketControl::dataArrived);
    connect(socket, &QTcpSocket::disconnected, this,
            [this] { finish(peerClosedInOrder() ? std::nullopt : std::optional(Failure::Lost)); });
    connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        // Qt reports a reset on reading like an orderly end, as RemoteHostClosedError;
        // disconnected() follows, and the TCP state tells the two apart there.
        if (error == QAbstractSocket::ConnectionRefusedError)
            finish(Failure::Refused);
        else if (error == QAbstractSocket::HostNotFoundError)
            finish(Failure::HostNotFound);
        else if (error != QAbstractSocket::RemoteHostClosedError)
            finish(Failure::Lost);
    });
    socket->connectToHost(host, port);
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

bool SocketControl::peerClosedInOrder() const
{
    // CLOSE_WAIT: the server's FIN came and we have not closed yet. A reset leaves CLOSE.
    // Without a descriptor to look at (none was left to copy) the close is taken as it
    // looks, rather than dropping every answer.
    if (stateFd_ < 0)
        return true;
    tcp_info info{};
    socklen_t size = sizeof info;
    return ::getsockopt(stateFd_, IPPROTO_TCP, TCP_INFO, &info, &size) == 0 && info.tcpi_state == TCP_CLOSE_WAIT;
}

void SocketControl::finish(std::optional<Failure> failure)
{
    QTcpSocket *ended = socket_;
    if (!failure)
        emit closed();
    else
        emit failed(*failure);
    if (socket_ == ended) // unless a handler has already moved on to another connection
        Close();
}

} // namespace platform
