// The HTTP transfer over loopback, against a server side that the test drives step by step.
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/Ambiente.h"
#include "platform/SocketControl.h"
#include "quote/TrasferimentoHttp.h"

enum Ending { Fin, Reset, LeftOpen, Tick, Abandon };

class TestTrasferimento : public QObject {
    Q_OBJECT
    QTcpServer server;
    TrasferimentoHttp t;
    platform::SocketControl *control = t.findChild<platform::SocketControl *>();
    QSignalSpy arrivals{control, &platform::SocketControl::dataArrived};
    QSignalSpy closes{control, &platform::SocketControl::closed}, failures{control, &platform::SocketControl::failed};
    QStringList received, reasons; // the bodies handed on, the failures' reasons

    // Starts a transfer of "/p"; the server's side of it once a byte-exact request has come.
    QTcpSocket *start(QTcpServer &s, const QString &address, const QByteArray &host) {
        t.Avvia(platform::parseServer(address), "/p");
        const bool came = QTest::qWaitFor([&] { return s.hasPendingConnections(); });
        QTcpSocket *peer = came ? s.nextPendingConnection() : nullptr;
        QByteArray got;
        const bool whole = peer && QTest::qWaitFor([&] { return (got += peer->readAll()).endsWith("\r\n\r\n"); });
        return whole && got == "GET /p HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\nAccept: */*\r\n\r\n"
            ? peer : nullptr;
    }
    QTcpSocket *start() { return start(server, "127.0.0.1:" + QString::number(server.serverPort()), "127.0.0.1"); }
    // A good answer; what the transfer handed on before it came from the case under test.
    bool good(QTcpSocket *peer) {
        if (peer && peer->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok") > 0)
            peer->disconnectFromHost();
        return peer && QTest::qWaitFor([&] { return received.endsWith("ok"); });
    }

private slots:
    void initTestCase() {
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&t, &TrasferimentoHttp::Chiusa, this, [this](const QString &body) { received << body; });
        connect(&t, &TrasferimentoHttp::Fallita, this, [this](const QString &why) { reasons << why; });
    }
    void init() { received.clear(), reasons.clear(), arrivals.clear(), closes.clear(), failures.clear(); }

    void answers_data() {
        // What the server sends, how it ends, and what is handed on before the next good answer.
        QTest::addColumn<QByteArray>("sent"); QTest::addColumn<Ending>("ending"); QTest::addColumn<QStringList>("got");
        QTest::addColumn<QString>("why"); // the failure told, if any
        const QByteArray ok = "HTTP/1.1 200 OK\r\n\r\n", big(4194304 - 19, 'x'); // ok + big: 4 MiB
        const QByteArray half = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nab";
        const QString cut = "connessione interrotta"; const QStringList none;
        QTest::newRow("reset mid-answer") << half << Reset << none << cut;
        QTest::newRow("reset after a whole answer") << ok + "abcd" << Reset << none << cut;
        QTest::newRow("4 MiB in all") << ok + big << Fin << QStringList{QString::fromLatin1(big)} << "";
        QTest::newRow("one byte more, not closed") << ok + big + "x" << LeftOpen << none << "risposta troppo lunga";
        QTest::newRow("short of its length") << half << Fin << none << "risposta incompleta o non valida";
        QTest::newRow("503") << QByteArray("HTTP/1.1 503 No\r\n\r\n") << Fin << none << "risposta HTTP 503";
        QTest::newRow("Avvia halfway") << ok + "ab" << Tick << none << "";
        QTest::newRow("Abbandona halfway") << ok + "ab" << Abandon << none << "";
    }
    void answers() {
        QFETCH(QByteArray, sent); QFETCH(Ending, ending); QFETCH(QStringList, got); QFETCH(QString, why);
        QTcpSocket *peer = start();
        QVERIFY(peer && peer->write(sent) > 0);
        QTRY_VERIFY(!arrivals.isEmpty());
        const linger now{1, 0}; // closing with no linger sends a reset
        if (ending == Reset && setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now) == 0)
            peer->abort();
        if (ending == Fin)
            peer->disconnectFromHost();
        if (ending == Abandon)
            t.Abbandona();
        QTcpSocket *next = ending == Tick ? start() : nullptr;
        // The ends seen (orderly, failed) and the failures told.
        const auto ends = [&] { return QString("%1 %2 ").arg(closes.size()).arg(failures.size()) + reasons.join('|'); };
        const QString told = QString("%1 ").arg(int(ending == Reset)) + why;
        QTRY_COMPARE(ends(), QString::number(int(ending == Fin)) + ' ' + told);
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState); // the transfer hung up
        QCOMPARE(t.Ricevuti().capacity(), 0);
        QVERIFY(good(next ? next : start()));
        QCOMPARE(received, got << "ok");
        // Nothing told, and no end event, of an abandoned connection.
        QCOMPARE(ends(), QString::number(int(ending == Fin) + 1) + ' ' + told);
    }

    // Only a listener of this user or root is trusted on the built-in server's port.
    void listenerOwner_data() {
        QTest::addColumn<QByteArray>("entry"); QTest::addColumn<uint>("foreign"); // 1 (no row's): none
        const QByteArray head = "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid\n";
        QTest::newRow("another user") << head + "   0: 0100007F:0050 00000000:0000 0A 0:0 00:0 0 1001 0 1" << 1001u;
        QTest::newRow("this user, root") << head + "   0: 0100007F:0050 00000000:0000 0A 0:0 00:0 0 500 0 1\n"
                                                   "   1: 00000000:0050 00000000:0000 0A 0:0 00:0 0 0 0 1" << 1u;
        QTest::newRow("not listening") << head + "   0: 0100007F:0050 0100007F:9C40 01 0:0 00:0 0 1001 0 1" << 1u;
    }
    void listenerOwner() {
        QFETCH(QByteArray, entry); QTEST(platform::foreignListenerIn(entry, 80, 500).value_or(1), "foreign");
    }
    void listenerOfAnotherUser() {
        if (::getuid() != 0)
            QSKIP("needs root to listen as another user");
        // A fresh port for the server started as nobody.
        const auto port = [] { QTcpServer s; return s.listen(QHostAddress::LocalHost) ? s.serverPort() : 0; }();
        QVERIFY(port != 0);
        QProcess nobody;
        nobody.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", QUOTARO_SERVER,
                                 "--feed", "demo", "--port", QString::number(port)});
        QTRY_COMPARE(platform::foreignListener(port).value_or(0), 65534u);
        nobody.kill(), nobody.waitForFinished();
    }

    void ipv6() {
        QTcpServer server6;
        if (!server6.listen(QHostAddress::LocalHostIPv6))
            QSKIP("no IPv6 loopback here");
        QVERIFY(good(start(server6, "[::1]:" + QString::number(server6.serverPort()), "[::1]")));
    }
};

QTEST_GUILESS_MAIN(TestTrasferimento)
#include "tst_trasferimento.moc"
