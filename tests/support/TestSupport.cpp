#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QThread>
#include <memory>

#include "quote/PaginaQuotazione.h"

ScriptedServer::ScriptedServer(Handler h) : handler(std::move(h))
{
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = nextPendingConnection()) {
            // Owned by the read connection, which goes with the socket or the server.
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
                const bool complete = buffer->contains("\r\n\r\n");
                buffer->append(socket->readAll());
                if (!complete && buffer->contains("\r\n\r\n")) {
                    requests.append(*buffer);
                    if (handler)
                        handler(socket, *buffer);
                }
            });
        }
    });
}

ScriptedServer::Handler ScriptedServer::reply(const QByteArray &answer)
{
    return [answer](QTcpSocket *socket, const QByteArray &) {
        socket->write(answer);
        socket->disconnectFromHost();
    };
}

QByteArray httpAnswer(const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: "
           + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray quotePage(const QString &time12, const QString &last, const QString &change,
                     const QString &close)
{
    return ScriviPagina(time12, last, change, close);
}

TempHome::TempHome(bool withSettings, bool withFut) : oldHome_(qgetenv("QUOTARO_HOME"))
{
    qputenv("QUOTARO_HOME", QFile::encodeName(dir_.path()));
    if (withSettings)
        QFile::copy(QStringLiteral(QUOTARO_DATA_DIR "/DatiIndex.cfg"), file("DatiIndex.cfg"));
    if (withFut)
        QFile::copy(QStringLiteral(QUOTARO_DATA_DIR "/fut.txt"), file("fut.txt"));
    for (const QString &name : QDir(dir_.path()).entryList(QDir::Files))
        QFile(file(name)).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

TempHome::~TempHome()
{
    if (oldHome_.isEmpty())
        qunsetenv("QUOTARO_HOME");
    else
        qputenv("QUOTARO_HOME", oldHome_);
}

bool waitFor(const std::function<bool()> &predicate, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!predicate()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}
