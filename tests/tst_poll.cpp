// The quote poll and the futures-code download of the main window, over real
// loopback connections: the request bytes, answers in pieces, abandoned answers,
// failures, and the two transfers running side by side.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "TestSupport.h"
#include "futures/Form3.h"
#include "platform/SocketControl.h"
#include "ui/Controlli.h"
#include "ui/Form1.h"
#include "ui/Layout.h"

namespace {

using Sockets = QList<QPointer<QTcpSocket>>;

// Keeps every connection open and unanswered; the test writes to it later.
ScriptedServer::Handler holdInto(Sockets *sockets)
{
    return [sockets](QTcpSocket *socket, const QByteArray &) { sockets->append(socket); };
}

// Writes the data in pieces, one piece per timer shot, then closes unless told not to.
void writeInPieces(QTcpSocket *socket, const QByteArray &data, int piece, int delayMs,
                   bool closeAtEnd = true)
{
    auto *timer = new QTimer(socket); // dies with the connection
    auto offset = std::make_shared<qsizetype>(0);
    QObject::connect(timer, &QTimer::timeout, socket, [=] {
        if (socket->state() != QAbstractSocket::ConnectedState) {
            timer->stop();
        } else if (*offset >= data.size()) {
            timer->stop();
            if (closeAtEnd)
                socket->disconnectFromHost();
        } else {
            socket->write(data.mid(*offset, piece));
            socket->flush();
            *offset += piece;
        }
    });
    timer->start(delayMs);
}

QByteArray quoteRequest(const QByteArray &symbol)
{
    return "GET /qc/stocks/quotes.aspx?symbols=" + symbol
           + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nAccept: */*\r\n\r\n";
}

const QByteArray FuturesRequest =
    "GET /browser/fut.txt HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nAccept: */*\r\n\r\n";

QStringList shown(const Form1 &form)
{
    return {form.Text1->text(), form.Text2->text(), form.Text3->text(), form.Text4->text()};
}

// A port on which nothing listens.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Two answers with values that cannot be mistaken for each other.
const QByteArray PageA = httpAnswer(quotePage("1:11pm", "111.11", "0.11", "100.00"));
const QStringList ShownA = {" 13:11", " 111,11", "+ 0,11 %", " 100,00"};
const QByteArray PageB = httpAnswer(quotePage("2:22pm", "222.22", "0.22", "200.00"));
const QStringList ShownB = {" 14:22", " 222,22", "+ 0,22 %", " 200,00"};

} // namespace

class PollTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;
    std::unique_ptr<RecordingDesktop> desktop;
    std::unique_ptr<Form1> form;

    // A main window following the given symbol, chart and saving off.
    Form1 &makeForm(const QString &symbol, bool saving = false)
    {
        form = std::make_unique<Form1>();
        form->Titolo->setText(QStringLiteral("Nasdaq"));
        form->Simbolo = symbol;
        form->Check1->setChecked(false);
        if (!saving)
            form->nonsalva_Click();
        return *form;
    }

private slots:
    void init()
    {
        home = std::make_unique<TempHome>();
        desktop = std::make_unique<RecordingDesktop>();
    }
    void cleanup()
    {
        form.reset();
        desktop.reset();
        home.reset();
        qunsetenv("QUOTARO_QUOTE_SERVER");
        qunsetenv("QUOTARO_FUTURES_SERVER");
    }

    void requestBytes_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("plain") << "^IXIC" << quoteRequest("^IXIC");
        QTest::newRow("blanks around") << "  ^IXIC   " << quoteRequest("^IXIC");
        QTest::newRow("inner blank unchanged") << " ^DJ I " << quoteRequest("^DJ I");
        QTest::newRow("no escaping") << "a&b=%20?#" << quoteRequest("a&b=%20?#");
    }
    void requestBytes()
    {
        QFETCH(QString, symbol);
        QFETCH(QByteArray, request);
        ScriptedServer server(ScriptedServer::reply(PageA));
        qputenv("QUOTARO_QUOTE_SERVER", server.address().toLatin1());
        Form1 &f = makeForm(symbol);
        f.Timer2_Timer();
        QVERIFY(waitFor([&] { return f.Text1->text() == ShownA[0]; }));
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(server.requests.first(), request);
        QCOMPARE(f.Simbolo, symbol); // the symbol itself is never rewritten
    }

    void answerInPieces_data()
    {
        QTest::addColumn<int>("piece");
        QTest::addColumn<int>("delayMs");
        QTest::newRow("single bytes") << 1 << 0;
        QTest::newRow("7 bytes") << 7 << 2;
        QTest::newRow("64 bytes, slow") << 64 << 15;
    }
    void answerInPieces()
    {
        QFETCH(int, piece);
        QFETCH(int, delayMs);
        Sockets held;
        ScriptedServer server(holdInto(&held));
        qputenv("QUOTARO_QUOTE_SERVER", server.address().toLatin1());
        Form1 &f = makeForm("^IXIC");
        QSignalSpy arrivals(f.WscHttp, &platform::SocketControl::dataArrived);
        QSignalSpy closes(f.WscHttp, &platform::SocketControl::closed);
        const QByteArray answer =
            httpAnswer(quotePage("4:00pm", "1,234.56", "-1.25%", "1,250.00"));

        f.Timer2_Timer();
        QVERIFY(waitFor([&] { return held.size() == 1; }));
        writeInPieces(held[0], answer, piece, delayMs, false);
        // Every byte is in, the connection still open: nothing is shown yet.
        QVERIFY(waitFor([&] { return f.BufferRisposta.size() == answer.size(); }, 20000));
        QCOMPARE(f.BufferRisposta, QString::fromLatin1(answer));
        QVERIFY(arrivals.size() > 1);
        QCOMPARE(shown(f), QStringList({"", "", "", ""}));
        QCOMPARE(closes.size(), 0);

        held[0]->disconnectFromHost();
        QVERIFY(waitFor([&] { return !f.Text1->text().isEmpty(); }));
        QCOMPARE(shown(f), QStringList({" 16:00", " 1234,56", "- 1,25 %", " 1250,00"}));
        QCOMPARE(Sfondo(f.Text3), ColoreRibasso);
        QCOMPARE(closes.size(), 1);
    }

    void tickDiscardsHalfAnswer()
    {
        Sockets held;
        ScriptedServer server(holdInto(&held));
        qputenv("QUOTARO_QUOTE_SERVER", server.address().toLatin1());
        Form1 &f = makeForm("^IXIC");
        QSignalSpy closes(f.WscHttp, &platform::SocketControl::closed);

        f.Timer2_Timer();
        QVERIFY(waitFor([&] { return held.size() == 1; }));
        const qsizetype half = PageA.size() / 2;
        held[0]->write(PageA.left(half));
        QVERIFY(waitFor([&] { return f.BufferRisposta.size() == half; }));

        f.Timer2_Timer();
        QVERIFY(f.BufferRisposta.isEmpty());
        QVERIFY(waitFor([&] { return held.size() == 2; }));
        // The first connection now completes; the window must not take it.
        if (held[0]) {
            writeInPieces(held[0], PageA.mid(half), 16, 1);
            waitFor([&] { return held[0].isNull()
                                 || held[0]->state() != QAbstractSocket::ConnectedState; });
        }
        QTest::qWait(200);
        QCOMPARE(closes.size(), 0);
        QCOMPARE(shown(f), QStringList({"", "", "", ""}));
        QVERIFY(!f.BufferRisposta.contains(QLatin1String("Last price")));

        writeInPieces(held[1], PageB, 32, 1);
        QVERIFY(waitFor([&] { return closes.size() == 1; }));
        QCOMPARE(shown(f), ShownB);
        QCOMPARE(server.requests.size(), 2);
        QCOMPARE(server.requests[1], quoteRequest("^IXIC"));
    }

    void emptyAnswer()
    {
        ScriptedServer server(ScriptedServer::reply(QByteArray()));
        qputenv("QUOTARO_QUOTE_SERVER", server.address().toLatin1());
        Form1 &f = makeForm("^IXIC", true);
        QSignalSpy closes(f.WscHttp, &platform::SocketControl::closed);
        f.Timer2_Timer();
        QVERIFY(waitFor([&] { return closes.size() == 1; }));
        QCOMPARE(shown(f), QStringList({" ", " ", "+ 0,0 %", " "}));
        for (QLineEdit *box : {f.Text1, f.Text2, f.Text3, f.Text4})
            QCOMPARE(Sfondo(box), ColoreRialzo);
        // No last price read: no history record, even with saving on.
        QCOMPARE(home->read("Nasdaq.txt"), QByteArray());

        // A readable page on the next tick is recorded in the same file.
        server.handler = ScriptedServer::reply(PageB);
        f.Timer2_Timer();
        QVERIFY(waitFor([&] { return closes.size() == 2; }));
        QCOMPARE(shown(f), ShownB);
        QCOMPARE(home->read("Nasdaq.txt").count('\n'), 1);
        QVERIFY(home->read("Nasdaq.txt").contains("222,22"));
    }

    void connectionRefused()
    {
        qputenv("QUOTARO_QUOTE_SERVER", "127.0.0.1:" + QByteArray::number(closedPort()));
        Form1 &f = makeForm("^IXIC");
        f.Text1->setText(" 9:30");
        f.Text3->setText("+ 0,5 %");
        QSignalSpy closes(f.WscHttp, &platform::SocketControl::closed);
        f.Timer2_Timer();
        QTest::qWait(300);
        f.Timer2_Timer(); // a second refused tick on top of the first
        QTest::qWait(300);
        QCOMPARE(closes.size(), 0);
        QCOMPARE(f.Text1->text(), QStringLiteral(" 9:30"));
        QCOMPARE(f.Text3->text(), QStringLiteral("+ 0,5 %"));

        ScriptedServer server(ScriptedServer::reply(PageB));
        qputenv("QUOTARO_QUOTE_SERVER", server.address().toLatin1());
        f.Timer2_Timer();
        QVERIFY(waitFor([&] { return closes.size() == 1; }));
        QCOMPARE(shown(f), ShownB);
    }

    void hugeAnswerAbandoned()
    {
        Sockets held;
        ScriptedServer server(holdInto(&held));
        qputenv("QUOTARO_QUOTE_SERVER", server.address().toLatin1());
        Form1 &f = makeForm("^IXIC");
        QSignalSpy closes(f.WscHttp, &platform::SocketControl::closed);

        // A readable page at the front, so a processed answer would show.
        const QByteArray huge =
            httpAnswer(quotePage("1:11pm", "111.11", "0.11", "100.00") + QByteArray(6 << 20, ' '));
        f.Timer2_Timer();
        QVERIFY(waitFor([&] { return held.size() == 1; }));
        writeInPieces(held[0], huge, 64 * 1024, 0);
        qsizetype largest = 0;
        const bool ended = waitFor([&] {
            largest = std::max(largest, f.BufferRisposta.size());
            return held[0].isNull() || held[0]->state() != QAbstractSocket::ConnectedState;
        }, 20000);
        QVERIFY(ended);
        QTest::qWait(200);
        QVERIFY(largest > 0);
        QVERIFY(largest <= Form1::LimiteRisposta);
        QVERIFY(f.BufferRisposta.size() <= Form1::LimiteRisposta);
        QCOMPARE(closes.size(), 0);
        QCOMPARE(shown(f), QStringList({"", "", "", ""}));

        f.Timer2_Timer();
        QVERIFY(waitFor([&] { return held.size() == 2; }));
        writeInPieces(held[1], PageB, 4096, 0);
        QVERIFY(waitFor([&] { return closes.size() == 1; }));
        QCOMPARE(shown(f), ShownB);
    }

    void quoteAndFuturesInterleaved_data()
    {
        QTest::addColumn<bool>("quoteClosesFirst");
        QTest::newRow("quote closes first") << true;
        QTest::newRow("futures closes first") << false;
    }
    void quoteAndFuturesInterleaved()
    {
        QFETCH(bool, quoteClosesFirst);
        Sockets quotes, futures;
        ScriptedServer quoteServer(holdInto(&quotes));
        ScriptedServer futuresServer(holdInto(&futures));
        qputenv("QUOTARO_QUOTE_SERVER", quoteServer.address().toLatin1());
        qputenv("QUOTARO_FUTURES_SERVER", futuresServer.address().toLatin1());
        Form1 &f = makeForm("^IXIC");
        QSignalSpy quoteCloses(f.WscHttp, &platform::SocketControl::closed);
        QSignalSpy futuresCloses(f.Winsock1, &platform::SocketControl::closed);

        f.Command2_Click();
        f.Timer2_Timer();
        QVERIFY(waitFor([&] { return quotes.size() == 1 && futures.size() == 1; }));
        QCOMPARE(futuresServer.requests.first(), FuturesRequest);
        QCOMPARE(quoteServer.requests.first(), quoteRequest("^IXIC"));

        // Alternate pieces of the two answers, each received before the next is sent.
        const QByteArray quote = httpAnswer(quotePage("10:35am", "9,551.12", "0.45", "9,508.00"));
        const QByteArray code = httpAnswer("CMZ27");
        constexpr int parts = 5;
        auto slice = [](const QByteArray &all, int i) {
            return all.mid(all.size() * i / parts, all.size() * (i + 1) / parts - all.size() * i / parts);
        };
        qsizetype quoteIn = 0, codeIn = 0;
        for (int i = 0; i < parts; ++i) {
            quoteIn += quotes[0]->write(slice(quote, i));
            QVERIFY(waitFor([&] { return f.BufferRisposta.size() == quoteIn; }));
            codeIn += futures[0]->write(slice(code, i));
            QVERIFY(waitFor([&] { return f.BufferFutures.size() == codeIn; }));
        }
        QCOMPARE(f.BufferRisposta, QString::fromLatin1(quote));
        QCOMPARE(f.BufferFutures, QString::fromLatin1(code));

        QTcpSocket *first = quoteClosesFirst ? quotes[0].data() : futures[0].data();
        QTcpSocket *second = quoteClosesFirst ? futures[0].data() : quotes[0].data();
        QSignalSpy &firstCloses = quoteClosesFirst ? quoteCloses : futuresCloses;
        first->disconnectFromHost();
        QVERIFY(waitFor([&] { return firstCloses.size() == 1; }));
        second->disconnectFromHost();
        QVERIFY(waitFor([&] { return quoteCloses.size() == 1 && futuresCloses.size() == 1; }));

        QCOMPARE(shown(f), QStringList({" 10:35", " 9551,12", "+ 0,45 %", " 9508,00"}));
        QVERIFY(f.HaFinestraFutures());
        QVERIFY(f.FinestraFutures().isVisible());
        QCOMPARE(f.FinestraFutures().Text1->text(), QStringLiteral("^IXIC"));
        QCOMPARE(f.FinestraFutures().Text2->text(), QStringLiteral("CMZ27"));
    }

    void futuresCode_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("code");  // the code as read from the answer
        QTest::addColumn<bool>("opens");
        QTest::newRow("new code") << "CLZ26" << httpAnswer("CMZ27") << "CMZ27" << true;
        QTest::newRow("new code, line break") << "CLZ26" << httpAnswer("CMZ27\r\n") << "CMZ27" << true;
        QTest::newRow("same code, line break") << "CLZ26" << httpAnswer("CLZ26\r\n") << "CLZ26" << false;
        QTest::newRow("same code") << "CLZ26" << httpAnswer("CLZ26") << "CLZ26" << false;
        QTest::newRow("no code in use") << "" << httpAnswer("CMZ27") << "CMZ27" << true;
        QTest::newRow("lower-case c") << "CLZ26" << httpAnswer("cmz27") << "cmz27" << false;
        QTest::newRow("error page") << "CLZ26"
            << QByteArray("HTTP/1.1 404 Not Found\r\n\r\n<html>Not Found</html>")
            << "<html>Not Found</html>" << false;
        QTest::newRow("empty file") << "CLZ26" << httpAnswer("") << "" << false;
        QTest::newRow("no blank line, C 4th") << "CLZ26" << QByteArray("abcCMZ27") << "CMZ27" << true;
        QTest::newRow("no blank line, C 3rd") << "CLZ26" << QByteArray("abCMZ27") << "MZ27" << false;
    }
    void futuresCode()
    {
        QFETCH(QString, symbol);
        QFETCH(QByteArray, answer);
        QFETCH(QString, code);
        QFETCH(bool, opens);
        Sockets held;
        ScriptedServer server(holdInto(&held));
        qputenv("QUOTARO_FUTURES_SERVER", server.address().toLatin1());
        const QByteArray fut = home->read("fut.txt");
        Form1 &f = makeForm(symbol);
        QSignalSpy closes(f.Winsock1, &platform::SocketControl::closed);

        f.Command2_Click();
        QVERIFY(waitFor([&] { return held.size() == 1; }));
        QCOMPARE(server.requests.first(), FuturesRequest);
        writeInPieces(held[0], answer, 3, 1);
        QVERIFY(waitFor([&] { return closes.size() == 1; }));
        QCOMPARE(f.BufferFutures, code);
        QCOMPARE(f.HaFinestraFutures() && f.FinestraFutures().isVisible(), opens);
        if (opens) {
            QCOMPARE(f.FinestraFutures().Text1->text(), symbol);
            QCOMPARE(f.FinestraFutures().Text2->text(), code);
        }
        // The download never touches the code in use or the quote side.
        QCOMPARE(f.Simbolo, symbol);
        QCOMPARE(shown(f), QStringList({"", "", "", ""}));
        QCOMPARE(home->read("fut.txt"), fut);
    }
};

QTEST_MAIN(PollTest)
#include "tst_poll.moc"
