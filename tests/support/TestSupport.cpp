#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QTcpSocket>
#include <QThread>


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

QString day(int offset)
{
    return QDate::currentDate().addDays(offset).toString(QStringLiteral("dd/MM/yyyy"));
}

QByteArray rec(const char *time, const char *close, const char *change, const char *value, const QString &date)
{
    auto zone = [](const char *field) { return QByteArray(field).leftJustified(14, ' '); };
    return zone(time) + zone(close) + zone(change) + zone(value) + date.toLatin1() + "\r\n";
}

TempHome::TempHome(bool withSettings, bool withFut)
{
    if (withSettings)
        QFile::copy(QStringLiteral(QUOTARO_DATA_DIR "/DatiIndex.cfg"), file("DatiIndex.cfg"));
    if (withFut)
        QFile::copy(QStringLiteral(QUOTARO_DATA_DIR "/fut.txt"), file("fut.txt"));
}

void TempHome::write(const QString &name, const QByteArray &content) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
}

QByteArray TempHome::read(const QString &name) const
{
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool waitFor(const std::function<bool()> &predicate, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!predicate()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

Principale::Principale(const QString &argomento, bool withSettings, bool withFut, ScriptedServer::Handler handler)
    : home(withSettings, withFut), server(std::move(handler))
{
    qputenv("QUOTARO_QUOTE_SERVER", server.address().toLatin1());
    qputenv("QUOTARO_FUTURES_SERVER", server.address().toLatin1());
    form = std::make_unique<Form1>(desktop, argomento);
    loaded = form->Form_Load();
}

bool Principale::poll(const QString &values)
{
    const QStringList v = values.split(u'|');
    server.handler = ScriptedServer::reply(httpAnswer(ScriviPagina(v[0], v[1], v[2], v[3])));
    if (get<QAction>("Titolo2")->text() != QStringLiteral("Avvia"))
        click("Titolo2");
    click("Titolo2");
    click("Titolo2"); // polled at once; the timer stays off
    return waitFor([&] { return box("Text1")->text() == u' ' + v[0]; });
}
