#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QThread>
#include <memory>

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
    // Each value sits in its window, padded with blanks, at the distance the
    // parser expects from its marker; the filler around it has no digits.
    auto window = [](const QString &value, int width) {
        return value.rightJustified(width, QLatin1Char(' ')).left(width).toLatin1();
    };
    QByteArray page = "<html><head><title>Quote</title></head><body>\n";
    // time: 8 characters beginning 36 before the marker
    page += "<span class=\"t\">" + window(time12, 8) + QByteArray(28, ' ')
            + "ET</abbr><br /></span>\n";
    // last price: 8 characters beginning 18 after the marker's first character
    page += "<b>Last price:</b><i>" + window(last, 8) + "</i>\n";
    // change: 9 characters beginning 46 before the marker
    page += "<span>" + window(change, 9) + QByteArray(37, ' ') + "Shows primary price</span>\n";
    // previous close: 18 characters beginning 40 after the marker's first character
    page += "<td>Previous Close:</td><td class=\"x\">  " + window(close, 18) + "</td>\n";
    return page + "</body></html>\n";
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
