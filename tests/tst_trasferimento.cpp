// The HTTP transfer over loopback, against a server side that the test drives step by step.
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <sys/socket.h>

#include "platform/Ambiente.h"
#include "platform/SocketControl.h"
#include "quote/TrasferimentoHttp.h"

using platform::SocketControl;
enum Ending { Fin, Reset, LeftOpen, Tick, Abandon };
using Bytes = QByteArrayList;

class TestTrasferimento : public QObject {
    Q_OBJECT
    QTcpServer server;
    TrasferimentoHttp t;
    SocketControl *control = t.findChild<SocketControl *>();
    QSignalSpy bodies{&t, &TrasferimentoHttp::Chiusa}, arrivals{control, &SocketControl::dataArrived};
    QSignalSpy closes{control, &SocketControl::closed}, failures{control, &SocketControl::failed};

    // Starts a transfer of "/p"; the server's side of it once a byte-exact request has come.
    QTcpSocket *start(QTcpServer &s, const QString &address, const QByteArray &host) {
        t.Avvia(platform::parseServer(address), "/p");
        if (!QTest::qWaitFor([&] { return s.hasPendingConnections(); }))
            return nullptr;
        QTcpSocket *peer = s.nextPendingConnection();
        QByteArray got;
        const bool whole = QTest::qWaitFor([&] { return (got += peer->readAll()).endsWith("\r\n\r\n"); });
        return whole && got == "GET /p HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\nAccept: */*\r\n\r\n"
            ? peer : nullptr;
    }
    QTcpSocket *start() { return start(server, "127.0.0.1:" + QString::number(server.serverPort()), "127.0.0.1"); }
    QStringList received() const {
        QStringList got;
        for (const QList<QVariant> &signal : bodies) got << signal.at(0).toString();
        return got;
    }
    // A good answer; what the transfer handed on before it came from the case under test.
    bool good(QTcpSocket *peer) {
        if (peer && peer->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok") > 0)
            peer->disconnectFromHost();
        return peer && QTest::qWaitFor([&] { return received().endsWith("ok"); });
    }

private slots:
    void initTestCase() { QVERIFY(server.listen(QHostAddress::LocalHost)); }
    void init() { bodies.clear(), arrivals.clear(), closes.clear(), failures.clear(); }

    void answers_data() {
        // What the server sends, how it ends, and what is handed on before the next good answer.
        QTest::addColumn<Bytes>("pieces"); QTest::addColumn<Ending>("ending"); QTest::addColumn<QStringList>("before");
        const QByteArray st = "HTTP/1.1 200 OK\r\n", ok = st + "\r\n", big(4194304 - 19, 'x'); // ok + big: 4 MiB
        QTest::newRow("in pieces") << Bytes{st + "Content-Len", "gth: 4\r\n\r\nab", "cd"} << Fin << QStringList{"abcd"};
        QTest::newRow("reset mid-answer") << Bytes{st + "Content-Length: 4\r\n\r\nab"} << Reset << QStringList{};
        QTest::newRow("reset after a whole answer") << Bytes{ok + "abcd"} << Reset << QStringList{};
        QTest::newRow("4 MiB in all") << Bytes{ok, big} << Fin << QStringList{QString::fromLatin1(big)};
        QTest::newRow("one byte more, not closed") << Bytes{ok, big + "x"} << LeftOpen << QStringList{};
        QTest::newRow("Avvia halfway") << Bytes{ok + "ab"} << Tick << QStringList{};
        QTest::newRow("Abbandona halfway") << Bytes{ok + "ab"} << Abandon << QStringList{};
    }
    void answers() {
        QFETCH(Bytes, pieces); QFETCH(Ending, ending); QFETCH(QStringList, before);
        QTcpSocket *peer = start();
        QVERIFY(peer);
        for (const QByteArray &piece : pieces) {
            const qsizetype count = arrivals.size();
            peer->write(piece);
            QTRY_VERIFY(arrivals.size() > count);
        }
        const linger now{1, 0}; // closing with no linger sends a reset
        if (ending == Reset && setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now) == 0)
            peer->abort();
        if (ending == Fin)
            peer->disconnectFromHost();
        if (ending == Abandon)
            t.Abbandona();
        if (ending != Tick) {
            QTRY_COMPARE(closes.size(), qsizetype(ending == Fin));
            QTRY_COMPARE(failures.size(), qsizetype(ending == Reset));
            QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState); // the transfer hung up
            QCOMPARE(t.Ricevuti().capacity(), 0);
        }
        QTcpSocket *next = start();
        if (peer->state() == QAbstractSocket::ConnectedState && peer->write("cd") > 0) // if the transfer kept it
            peer->disconnectFromHost();
        QVERIFY(good(next));
        QCOMPARE(received(), before << "ok");
        QCOMPARE(closes.size(), qsizetype(ending == Fin) + 1); // no end event of an abandoned connection
        QCOMPARE(failures.size(), qsizetype(ending == Reset));
    }

    void ipv6() {
        QTcpServer server6;
        if (!server6.listen(QHostAddress::LocalHostIPv6))
            QSKIP("no IPv6 loopback here");
        QVERIFY(good(start(server6, "[::1]:" + QString::number(server6.serverPort()), "[::1]")));
    }

    void address_data() {
        QTest::addColumn<QString>("text"); QTest::addColumn<QString>("address"); // host|Host line|port
        for (const char *r : {"q.ex|q.ex|q.ex|80", "q.ex:8080|q.ex|q.ex|8080", "q.ex:65536|q.ex|q.ex|80",
                              "[::1]:8080|::1|[::1]|8080", "[::1]|::1|[::1]|80", "[::1]:x|::1|[::1]|80"})
            QTest::newRow(r) << QString(r).section(u'|', 0, 0) << QString(r).section(u'|', 1);
    }
    void address() {
        QFETCH(QString, text); QFETCH(QString, address);
        const platform::ServerAddress a = platform::parseServer(text);
        QCOMPARE(a.host + u'|' + a.hostHeader + u'|' + QString::number(a.port), address);
    }
};

QTEST_GUILESS_MAIN(TestTrasferimento)
#include "tst_trasferimento.moc"
