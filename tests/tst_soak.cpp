// Ten thousand poll cycles of one main window on a short timer, the chart on "Auto",
// the index and the saving switched along the way: every history file holds exactly
// the records of the changes of the change text made while saving was on, and the
// memory stays where it was after the first thousand cycles.
#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include "TestSupport.h"
#include "platform/SocketControl.h"
#include "ui/Form1.h"

namespace {

constexpr int Cycles = 10000;

// The n-th page served: the close is n itself, so each update tells which page it
// showed; the change repeats now and then and its sign follows the last price.
struct Page {
    int n;
    bool fall() const { return n / 5 % 2 == 1; }
    QString change() const { return QStringLiteral("0,%1").arg(n * 7 / 10 % 5); }
    QString text3() const { return (fall() ? "- " : "+ ") + change() + " %"; } // as the window shows it
    QByteArray bytes() const
    {
        return httpAnswer(quotePage(QStringLiteral("4:00pm"), QString::number(n + (fall() ? -1 : 1)),
                                    QString(change()).replace(u',', u'.'), QString::number(n)));
    }
    QByteArray record(const QString &date) const
    {
        QByteArray line;
        for (const QString &field : {QStringLiteral("16:00"), QString::number(n), text3(),
                                     QString::number(n + (fall() ? -1 : 1))})
            line += field.toLatin1().leftJustified(14, ' ');
        return line + date.toLatin1() + "\r\n";
    }
};

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const auto m = QRegularExpression(QStringLiteral("VmRSS:\\s+(\\d+) kB"))
                       .match(QString::fromLatin1(status.readAll()));
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

} // namespace

class SoakTest : public QObject {
    Q_OBJECT
private slots:
    void pollCycles()
    {
        TempHome home;
        RecordingDesktop desktop;
        int served = 0;
        ScriptedServer server([&served](QTcpSocket *socket, const QByteArray &request) {
            socket->write(request.contains("fut.txt") ? httpAnswer("") : Page{served++}.bytes());
            socket->disconnectFromHost();
        });
        qputenv("QUOTARO_QUOTE_SERVER", server.address().toLatin1());
        qputenv("QUOTARO_FUTURES_SERVER", server.address().toLatin1());
        Form1 form;
        QVERIFY(form.Form_Load());
        form.List1_Click(1);
        QVERIFY(form.Check1->isChecked());

        // After each update: which page it showed, under which index and saving.
        struct Shown {
            int n;
            int index;
            bool saving;
        };
        QList<Shown> shown;
        shown.reserve(Cycles + 16);
        QString wrong; // the first update that showed something else than its page
        connect(form.WscHttp, &platform::SocketControl::closed, this, [&] {
            const Page page{form.Text4->text().trimmed().toInt()};
            if (wrong.isEmpty() && form.Text3->text() != page.text3())
                wrong = form.Text3->text() + " for page " + QString::number(page.n);
            const QString index = form.Titolo->text();
            shown.append({page.n, index == u"Nasdaq" ? 1 : index == u"D.Jones" ? 2 : 0,
                          form.salvataggio->title() == u"Salva ON"});
        });

        form.Timer2->setInterval(1);
        QElapsedTimer clock;
        clock.start();
        form.Titolo2_Click(); // polling on, first poll at once
        qint64 warmKiB = 0;
        int switches = 0;
        while (shown.size() < Cycles && clock.elapsed() < 480000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            server.requests.clear();
            const int done = int(shown.size());
            if (done >= 1000 && !warmKiB)
                warmKiB = residentKiB();
            // Between updates, as a user would: saving off and on, another index.
            if (done / 700 > switches) {
                ++switches;
                switches % 2 ? form.nonsalva_Click() : form.salva_Click();
                if (switches % 3 == 0)
                    form.List1_Click((switches / 3 + 1) % 3);
            }
        }
        form.Titolo2_Click();
        const qint64 endKiB = residentKiB();
        qInfo("%lld updates of %d polls in %lld ms; VmRSS %lld KiB after 1000, %lld KiB at the end",
              qint64(shown.size()), served, clock.elapsed(), warmKiB, endKiB);
        QCOMPARE(shown.size(), Cycles);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));

        // The records each file must hold: a change of the change text while saving was on.
        const QString date = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
        QByteArray expected[3];
        QString last;
        for (const Shown &s : shown) {
            const Page page{s.n};
            if (s.saving && page.text3() != last)
                expected[s.index] += page.record(date);
            last = page.text3();
        }
        const QString files[] = {QStringLiteral("Fut\u00F9res.txt"), QStringLiteral("Nasdaq.txt"),
                                 QStringLiteral("D.Jones.txt")};
        for (int i = 0; i < 3; ++i) {
            const QByteArray content = home.read(files[i]);
            qInfo("%s: %lld records", qPrintable(files[i]), qint64(content.count('\n')));
            QCOMPARE(content.count('\n'), expected[i].count('\n'));
            QVERIFY(expected[i].count('\n') > 100);
            QCOMPARE(content, expected[i]);
        }
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
