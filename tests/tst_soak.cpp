// Ten thousand poll cycles of one main window on a short timer, the chart on "Auto",
// the index and the saving switched along the way: every history file holds exactly the
// records of the changes of the change text made while saving was on.
#include <QListWidget>
#include <QMenu>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

#include "TestSupport.h"
#include "ui/GraficoIndice.h"

// The n-th page served has the close n, so each update tells which page it showed; its
// change text repeats now and then, and the sign follows the last price.
static QString text3(int n) { return (n / 5 % 2 ? "- 0," : "+ 0,") + QString::number(n * 7 / 10 % 5) + " %"; }
static QString lastPrice(int n) { return QString::number(n / 5 % 2 ? n - 1 : n + 1); }

class SoakTest : public QObject {
    Q_OBJECT
private slots:
    void pollCycles()
    {
        int served = 0;
        Principale w("3", true, true, [&served](QTcpSocket *socket, const QByteArray &) {
            const int n = served++;
            socket->write(httpAnswer(quotePage("16:00", lastPrice(n), text3(n).mid(2, 3).replace(u',', u'.'),
                                               QString::number(n))));
            socket->disconnectFromHost();
        });
        auto *list = w.get<QListWidget>("List1");
        auto choose = [&](int row) {
            w.click("Titolo");
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
        };
        choose(1);
        // After each update: which page it showed (its close), under which index and saving.
        struct Shown { int n, index; bool saving; };
        QList<Shown> shown;
        connect(w.box("Text4"), &QLineEdit::textChanged, this, [&](const QString &close) {
            const QString index = w.get<QAction>("Titolo")->text();
            shown.append({close.trimmed().toInt(), index == u"Nasdaq" ? 1 : index == u"D.Jones" ? 2 : 0,
                          w.get<QMenu>("salvataggio")->title() == u"Salva ON"});
        });
        w.get<QTimer>("Timer2")->setInterval(1);
        w.click("Titolo2");
        QElapsedTimer clock;
        clock.start();
        for (int switches = 0; shown.size() < 10000 && clock.elapsed() < 480000;) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            w.server.requests.clear();
            // Between updates, as a user would: saving off and on, another index.
            if (shown.size() / 700 > switches) {
                w.click(++switches % 2 ? "nonsalva" : "salva");
                if (switches % 3 == 0)
                    choose((switches / 3 + 1) % 3);
            }
        }
        qInfo("%lld updates in %lld ms", qint64(shown.size()), clock.elapsed());
        QCOMPARE(shown.size(), 10000);
        // One record per change of the change text while saving was on; a new index
        // records its first reading whatever the old one's change text was.
        QByteArray expected[3];
        QString last;
        for (qsizetype i = 0; i < shown.size(); ++i) {
            const Shown &s = shown[i];
            if (i > 0 && shown[i - 1].index != s.index)
                last.clear();
            if (std::exchange(last, text3(s.n)) != text3(s.n) && s.saving)
                expected[s.index] += rec("16:00", qPrintable(QString::number(s.n)), qPrintable(text3(s.n)),
                                         qPrintable(lastPrice(s.n)));
        }
        const QString files[] = {QStringLiteral("Fut\u00F9res.txt"), "Nasdaq.txt", "D.Jones.txt"};
        for (int i = 0; i < 3; ++i)
            QVERIFY2(expected[i].count('\n') > 100 && w.home.read(files[i]) == expected[i], qPrintable(files[i]));
        // The chart followed: after the last update it shows that file's records.
        QCOMPARE(w.get<GraficoIndice>("MSChart1")->NumeroPunti(), int(expected[shown.last().index].count('\n')));
    }
};

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
