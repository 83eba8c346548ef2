// The quote poll and the futures-code download of the main window over real loopback
// connections: request bytes, answers in pieces, abandoned and failed transfers.
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include "TestSupport.h"
#include "futures/Form3.h"
#include "platform/SocketControl.h"
#include "ui/Controlli.h"
#include "ui/Form1.h"
#include "ui/Layout.h"

namespace {
using Sockets = QList<QPointer<QTcpSocket>>;
// Keeps every connection open and unanswered; the test answers later.
ScriptedServer::Handler hold(Sockets *held) { return [held](QTcpSocket *s, const QByteArray &) { held->append(s); }; }
QByteArray request(const QByteArray &path)
{
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nAccept: */*\r\n\r\n";
}
const QStringList Blank = {"", "", "", ""};

// A main window in its own folder, following the symbol, saving on, chart off.
struct Window {
    TempHome home;
    RecordingDesktop desktop;
    Form1 f;
    explicit Window(const QString &symbol)
    {
        f.Titolo->setText(QStringLiteral("Nasdaq"));
        f.Simbolo = symbol;
        f.Check1->setChecked(false);
    }
    QStringList shown() const { return {f.Text1->text(), f.Text2->text(), f.Text3->text(), f.Text4->text()}; }
};
} // namespace

class PollTest : public QObject {
    Q_OBJECT
private slots:
    // Both transfers side by side, their answers interleaved in pieces: the request
    // bytes, each answer taken only at its own close, the futures code rules.
    void sideBySide_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("futures");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("quoteFirst");
        QTest::newRow("new code") << "CLZ26" << QByteArray("CLZ26") << httpAnswer("CMZ27") << true << true;
        QTest::newRow("new code, CRLF") << "  CLZ26 " << QByteArray("CLZ26") << httpAnswer("CMZ27\r\n") << true << false;
        QTest::newRow("same code, CRLF") << "CLZ26" << QByteArray("CLZ26") << httpAnswer("CLZ26\r\n") << false << true;
        QTest::newRow("lower-case c") << " CL Z26" << QByteArray("CL Z26") << httpAnswer("cmz27") << false << false;
        QTest::newRow("no blank line, C 4th") << "CLZ26" << QByteArray("CLZ26") << QByteArray("abcCMZ27") << true << false;
        QTest::newRow("no blank line, C 3rd") << "a&b=%20?#" << QByteArray("a&b=%20?#") << QByteArray("abCMZ27") << false << true;
    }
    void sideBySide()
    {
        QFETCH(QString, symbol); QFETCH(QByteArray, path); QFETCH(QByteArray, futures);
        QFETCH(bool, opens); QFETCH(bool, quoteFirst);
        Sockets heldQuote, heldFutures;
        ScriptedServer quoteServer(hold(&heldQuote)), futuresServer(hold(&heldFutures));
        qputenv("QUOTARO_QUOTE_SERVER", quoteServer.address().toLatin1());
        qputenv("QUOTARO_FUTURES_SERVER", futuresServer.address().toLatin1());
        Window w(symbol);
        QSignalSpy quoteCloses(w.f.WscHttp, &platform::SocketControl::closed);
        QSignalSpy futuresCloses(w.f.Winsock1, &platform::SocketControl::closed);
        w.f.Command2_Click();
        w.f.Timer2_Timer();
        QVERIFY(waitFor([&] { return heldQuote.size() == 1 && heldFutures.size() == 1; }));
        QCOMPARE(quoteServer.requests[0], request("/qc/stocks/quotes.aspx?symbols=" + path));
        QCOMPARE(futuresServer.requests[0], request("/browser/fut.txt"));
        // Alternate pieces, each received before the next of either answer is sent.
        const QByteArray answers[] = {httpAnswer(quotePage("4:00pm", "1,234.56", "-1.25%", "1,250.00")), futures};
        QTcpSocket *sockets[] = {heldQuote[0], heldFutures[0]};
        const QString *buffers[] = {&w.f.BufferRisposta, &w.f.BufferFutures};
        for (int i = 1; i <= 25; ++i)
            for (int k = 0; k < 2; ++k) {
                const QByteArray sent = answers[k].left(answers[k].size() * i / 25);
                sockets[k]->write(sent.mid(buffers[k]->size()));
                QVERIFY(waitFor([&] { return *buffers[k] == QString::fromLatin1(sent); }));
            }
        QCOMPARE(w.shown(), Blank);
        sockets[quoteFirst ? 0 : 1]->disconnectFromHost();
        QVERIFY(waitFor([&] { return (quoteFirst ? quoteCloses : futuresCloses).size() == 1; }));
        QCOMPARE((quoteFirst ? futuresCloses : quoteCloses).size(), 0);
        sockets[quoteFirst ? 1 : 0]->disconnectFromHost();
        QVERIFY(waitFor([&] { return quoteCloses.size() == 1 && futuresCloses.size() == 1; }));
        QCOMPARE(w.shown(), QStringList({" 16:00", " 1234,56", "- 1,25 %", " 1250,00"}));
        QCOMPARE(w.f.HaFinestraFutures() && w.f.FinestraFutures().isVisible(), opens);
        if (opens)
            QCOMPARE(w.f.FinestraFutures().Text2->text(), QStringLiteral("CMZ27"));
    }

    // A failed or abandoned answer updates nothing (an empty one shows a blank rise),
    // writes no record, and the next poll works.
    void faultThenNextPoll_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("tick while half received") << "half";
        QTest::newRow("closed without a byte") << "empty";
        QTest::newRow("connection refused") << "refused";
        QTest::newRow("answer past the limit") << "huge";
    }
    void faultThenNextPoll()
    {
        QFETCH(QString, fault);
        Sockets held;
        ScriptedServer server(hold(&held));
        const quint16 port = server.serverPort();
        qputenv("QUOTARO_QUOTE_SERVER", server.address().toLatin1());
        if (fault == u"refused")
            server.close();
        Window w("^IXIC");
        QSignalSpy closes(w.f.WscHttp, &platform::SocketControl::closed);
        const QByteArray page = httpAnswer(quotePage("1:11pm", "111.11", "0.11", "100.00"));
        w.f.Timer2_Timer();
        if (fault != u"refused") {
            QVERIFY(waitFor([&] { return held.size() == 1; }));
            if (fault == u"half") {
                held[0]->write(page.left(page.size() / 2));
                QVERIFY(waitFor([&] { return w.f.BufferRisposta.size() == page.size() / 2; }));
                w.f.Timer2_Timer();
                QVERIFY(waitFor([&] { return held.size() == 2; }));
            }
            // The abandoned page completes; the huge one is readable at its front.
            const QByteArray rest = fault == u"half" ? page.mid(page.size() / 2)
                                  : fault == u"huge" ? page + QByteArray(6 << 20, ' ') : QByteArray();
            if (held[0])
                held[0]->write(rest), held[0]->disconnectFromHost();
            auto ended = [&] { return !held[0] || held[0]->state() == QAbstractSocket::UnconnectedState; };
            qsizetype largest = 0;
            QVERIFY(waitFor([&] { largest = std::max(largest, w.f.BufferRisposta.size()); return ended(); }, 20000));
            QVERIFY(largest <= Form1::LimiteRisposta);
        }
        QTest::qWait(300);
        QCOMPARE(closes.size(), fault == u"empty" ? 1 : 0);
        QCOMPARE(w.shown(), fault == u"empty" ? QStringList({" ", " ", "+ 0,0 %", " "}) : Blank);
        QCOMPARE(Sfondo(w.f.Text2) == ColoreRialzo, fault == u"empty"); // an empty answer is a rise
        QVERIFY(w.f.BufferRisposta.isEmpty());

        QVERIFY(server.isListening() || server.listen(QHostAddress::LocalHost, port));
        server.handler = ScriptedServer::reply(httpAnswer(quotePage("2:22pm", "222.22", "0.22", "200.00")));
        closes.clear();
        w.f.Timer2_Timer();
        QVERIFY(waitFor([&] { return closes.size() == 1; }));
        QCOMPARE(w.shown(), QStringList({" 14:22", " 222,22", "+ 0,22 %", " 200,00"}));
        // One record: the failed poll wrote none.
        QCOMPARE(w.home.read("Nasdaq.txt").count('\n'), 1);
        QVERIFY(w.home.read("Nasdaq.txt").contains("222,22"));
    }
};

QTEST_MAIN(PollTest)
#include "tst_poll.moc"
