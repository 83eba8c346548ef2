// The demo server: its HTTP answers, and its quote page read through the same
// marker windows that Quotaro reads (positions counted from 1, as the page
// reader counts them).
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QThread>
#include <QtTest>

namespace {

bool StartServer(QProcess &p, const QStringList &args, quint16 &port)
{
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(QStringLiteral(QUOTARO_DEMO_SERVER), args);
    QElapsedTimer t;
    t.start();
    while (p.waitForStarted(1000) && !p.canReadLine() && t.elapsed() < 5000)
        p.waitForReadyRead(100);
    const auto m = QRegularExpression(u"^listening on 127\\.0\\.0\\.1:(\\d+)\n$"_qs).match(QString::fromLatin1(p.readLine()));
    port = m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
    return port != 0;
}

// The whole answer, up to the server's close (at most 5 s).
QByteArray Fetch(quint16 port, const QByteArray &request, int pieces = 1)
{
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    if (!s.waitForConnected(3000))
        return {};
    const qsizetype step = (request.size() + pieces - 1) / pieces;
    for (qsizetype i = 0; i < request.size(); i += step) {
        s.write(request.mid(i, step));
        s.waitForBytesWritten(1000);
        QThread::msleep(pieces > 1 ? 50 : 0);
    }
    QByteArray answer;
    QElapsedTimer t;
    t.start();
    while (s.state() != QAbstractSocket::UnconnectedState && t.elapsed() < 5000) {
        s.waitForReadyRead(100);
        answer += s.readAll();
    }
    return answer + s.readAll();
}

QByteArray Get(const QByteArray &path)
{
    return "GET " + path + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\nAccept: */*\r\n\r\n";
}

// The body of an answer, after checking the header lines the server promises.
QString Body(const QByteArray &answer, const QByteArray &status)
{
    const qsizetype end = answer.indexOf("\r\n\r\n");
    const QByteArray head = answer.left(end);
    const QByteArray body = answer.mid(end + 4);
    if (end < 0 || !head.startsWith("HTTP/1.1 " + status + "\r\n") || !head.contains("\r\nConnection: close")
        || !head.contains("\r\nContent-Length: " + QByteArray::number(body.size())))
        return u"<bad answer>"_qs;
    return QString::fromLatin1(body);
}

// Window of `width` characters starting at P + offset, P being the 1-based
// position of the marker.
QString Window(const QString &page, const QString &marker, int offset, int width)
{
    const qsizetype p = page.indexOf(marker) + 1;
    return p == 0 || p + offset < 1 ? QString() : page.mid(p + offset - 1, width);
}

} // namespace

class DemoServerTest : public QObject {
    Q_OBJECT
    QProcess server;
    quint16 port = 0;

private slots:
    void initTestCase()
    {
        if (!QFile::exists(QStringLiteral(QUOTARO_DEMO_SERVER)))
            QSKIP("quotaro-demo-server is not built");
        QVERIFY(StartServer(server, {u"--seed"_qs, u"7"_qs, u"--futures-code"_qs, u"CH27"_qs}, port));
    }
    void cleanupTestCase() { server.kill(); server.waitForFinished(3000); }

    void quotePage_data()
    {
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::newRow("Nasdaq, no thousands separator") << QByteArray("^IXIC") << 15000.0 << 17000.0;
        QTest::newRow("Dow Jones") << QByteArray("^DJI") << 34000.0 << 38000.0;
        QTest::newRow("futures") << QByteArray("CZ26") << 15500.0 << 17500.0;
        QTest::newRow("other, with separator") << QByteArray("XYZ") << 1000.0 << 9999.99;
    }
    void quotePage()
    {
        QFETCH(QByteArray, symbol);
        QFETCH(double, low);
        QFETCH(double, high);
        QString firstClose;
        for (int i = 0; i < 2; ++i) {
            const QString page = Body(Fetch(port, Get("/qc/stocks/quotes.aspx?symbols=" + symbol), i + 1), "200 OK");
            const QString time = Window(page, u"ET</abbr><br /></span>"_qs, -36, 8);
            const QString last = Window(page, u"Last price:"_qs, 18, 8);
            const QString change = Window(page, u"Shows primary price"_qs, -46, 9);
            const QString close = Window(page, u"Previous Close:"_qs, 40, 18);
            QVERIFY2(QRegularExpression(u"^ *(1[0-2]|[1-9]):[0-5]\\d(am|pm)$"_qs).match(time).hasMatch(), qPrintable(time));
            // Below 10,000 with a thousands separator; above, the 8 characters hold the value alone.
            const auto price = QRegularExpression(u"^ *(\\d{5}|[1-9],\\d{3}|\\d{1,3})\\.\\d\\d$"_qs);
            QVERIFY2(price.match(last).hasMatch(), qPrintable(last));
            QVERIFY2(price.match(close.trimmed()).hasMatch() && close.size() == 18, qPrintable(close));
            QVERIFY2(QRegularExpression(u"^ *[+-]\\d+\\.\\d\\d%$"_qs).match(change).hasMatch(), qPrintable(change));
            const double l = last.trimmed().remove(u',').toDouble(), c = close.trimmed().remove(u',').toDouble();
            QVERIFY(l >= low && l <= high && c >= low && c <= high);
            QCOMPARE(last.contains(u','), l < 10000);
            QVERIFY(qAbs(change.trimmed().chopped(1).toDouble() - (l - c) / c * 100) < 0.0051);
            QCOMPARE(change.trimmed().startsWith(u'-'), l < c);
            if (i == 0)
                firstClose = close;
            QCOMPARE(close, firstClose); // the previous close stays put while the price walks
        }
    }

    void quoteTime_data()
    {
        QTest::addColumn<QString>("eastern");
        QTest::addColumn<QString>("shown");
        QTest::newRow("afternoon") << u"16:00"_qs << u"  4:00pm"_qs;
        QTest::newRow("after midnight") << u"00:05"_qs << u" 12:05am"_qs;
        QTest::newRow("noon hour") << u"12:10"_qs << u" 12:10pm"_qs;
        QTest::newRow("morning") << u"09:45"_qs << u"  9:45am"_qs;
        QTest::newRow("last minute") << u"23:59"_qs << u" 11:59pm"_qs;
    }
    void quoteTime()
    {
        QFETCH(QString, eastern);
        QFETCH(QString, shown);
        QProcess fixed;
        quint16 fixedPort = 0;
        QVERIFY(StartServer(fixed, {u"--time"_qs, eastern}, fixedPort));
        const QString page = Body(Fetch(fixedPort, Get("/qc/stocks/quotes.aspx?symbols=^DJI")), "200 OK");
        fixed.kill();
        fixed.waitForFinished(3000);
        QCOMPARE(Window(page, u"ET</abbr><br /></span>"_qs, -36, 8), shown);
    }

    void futuresCode()
    {
        const QByteArray answer = Fetch(port, Get("/browser/fut.txt"));
        QCOMPARE(Body(answer, "200 OK"), u"CH27\r\n"_qs);
        QVERIFY(answer.contains("\r\nContent-Type: text/plain"));
    }
    void unknownPathIsNotFound()
    {
        QVERIFY(Body(Fetch(port, Get("/qc/stocks/other.aspx?symbols=^DJI")), "404 Not Found").contains(u"404"_qs));
        QVERIFY(Body(Fetch(port, Get("/qc/stocks/quotes.aspx")), "404 Not Found").contains(u"404"_qs));
    }
    void oversizedHeaderIsDropped()
    {
        QCOMPARE(Fetch(port, "GET / HTTP/1.1\r\nX-Filler: " + QByteArray(70 * 1024, 'a')), QByteArray());
    }
};

QTEST_GUILESS_MAIN(DemoServerTest)
#include "tst_demoserver.moc"
