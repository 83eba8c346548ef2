// Ten thousand poll cycles of one main window on a short timer, the chart on "Auto",
// the index and the saving switched along the way: every history file holds exactly
// the records of the changes of the change text made while saving was on, and the
// memory stays where it was after the first thousand cycles.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QTcpSocket>
#include <QtTest>

#include "TestSupport.h"
#include "platform/SocketControl.h"
#include "ui/Form1.h"

// The n-th page served has the close n, so each update tells which page it showed; its
// change text repeats now and then, and the sign follows the last price.
static QString text3(int n) { return (n / 5 % 2 ? "- 0," : "+ 0,") + QString::number(n * 7 / 10 % 5) + " %"; }
static QString lastPrice(int n) { return QString::number(n / 5 % 2 ? n - 1 : n + 1); }

static qint64 residentKiB()
{
    QFile f("/proc/self/statm"); // sizes in pages of 4 KiB; the second is the resident set
    f.open(QIODevice::ReadOnly);
    return f.readAll().split(' ').value(1).toLongLong() * 4;
}

class SoakTest : public QObject {
    Q_OBJECT
private slots:
    void pollCycles()
    {
        TempHome home;
        RecordingDesktop desktop;
        int served = 0;
        ScriptedServer server([&served](QTcpSocket *socket, const QByteArray &request) {
            const int n = request.contains("fut.txt") ? -1 : served++;
            socket->write(httpAnswer(n < 0 ? "" : quotePage("4:00pm", lastPrice(n), text3(n).mid(2, 3).replace(u',', u'.'), QString::number(n))));
            socket->disconnectFromHost();
        });
        qputenv("QUOTARO_QUOTE_SERVER", server.address().toLatin1());
        qputenv("QUOTARO_FUTURES_SERVER", server.address().toLatin1());
        Form1 form;
        QVERIFY(form.Form_Load());
        form.List1_Click(1);
        QVERIFY(form.Check1->isChecked());
        // After each update: which page it showed (its close), under which index and saving.
        struct Shown { int n, index; bool saving; };
        QList<Shown> shown;
        connect(form.WscHttp, &platform::SocketControl::closed, this, [&] {
            const QString index = form.Titolo->text();
            shown.append({form.Text4->text().trimmed().toInt(), index == u"Nasdaq" ? 1 : index == u"D.Jones" ? 2 : 0,
                          form.salvataggio->title() == u"Salva ON"});
        });
        form.Timer2->setInterval(1);
        QElapsedTimer clock;
        clock.start();
        form.Titolo2_Click(); // polling on, first poll at once
        qint64 warmKiB = 0;
        for (int switches = 0; shown.size() < 10000 && clock.elapsed() < 480000;) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            server.requests.clear();
            warmKiB = warmKiB || shown.size() < 1000 ? warmKiB : residentKiB();
            // Between updates, as a user would: saving off and on, another index.
            if (shown.size() / 700 > switches) {
                ++switches % 2 ? form.nonsalva_Click() : form.salva_Click();
                if (switches % 3 == 0)
                    form.List1_Click((switches / 3 + 1) % 3);
            }
        }
        const qint64 endKiB = residentKiB();
        qInfo("%lld updates in %lld ms; VmRSS %lld KiB after 1000, %lld KiB at the end", qint64(shown.size()), clock.elapsed(), warmKiB, endKiB);
        QCOMPARE(shown.size(), 10000);
        // The records each file must hold, to the byte: one per change of the change text while saving was on.
        QByteArray expected[3];
        QString last;
        for (const Shown &s : shown)
            if (std::exchange(last, text3(s.n)) != text3(s.n) && s.saving)
                expected[s.index] += ("16:00         " + QString::number(s.n).leftJustified(14) + text3(s.n).leftJustified(14)
                                      + lastPrice(s.n).leftJustified(14) + QDate::currentDate().toString("dd/MM/yyyy") + "\r\n").toLatin1();
        const QString files[] = {QStringLiteral("Fut\u00F9res.txt"), "Nasdaq.txt", "D.Jones.txt"};
        for (int i = 0; i < 3; ++i)
            QVERIFY2(expected[i].count('\n') > 100 && home.read(files[i]) == expected[i], qPrintable(files[i]));
        // The chart followed: after the last update it shows that file's records.
        QCOMPARE(form.NumeroPunti, int(expected[shown.last().index].count('\n')));
        QVERIFY(desktop.errors.isEmpty());
#ifndef __SANITIZE_ADDRESS__ // the checked build keeps freed memory aside on purpose
        QVERIFY2(endKiB - warmKiB < 3 * 1024, qPrintable(QString::number(endKiB - warmKiB)));
#endif
    }
};

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
