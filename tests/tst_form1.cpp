// The main window as a user drives it: start-up by argument and settings, index choice,
// the quote display, the history append, the voice and the futures-code window.
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>
#include <sys/file.h>

#include "TestSupport.h"
#include "ui/Controlli.h"
#include "ui/Form2.h"
#include "ui/Form3.h"

namespace {
QString firstLine(const QByteArray &request) { return QString::fromLatin1(request.left(request.indexOf("\r\n"))); }
QString quoteLine(const QString &symbol) { return "GET /qc/stocks/quotes.aspx?symbols=" + symbol + " HTTP/1.1"; }
Form2 *strip() { return Principale::window<Form2>(); }
void choose(Principale &w, int row)
{
    w.click("Titolo");
    auto *list = w.get<QListWidget>("List1");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}
} // namespace

class TestForm1 : public QObject {
    Q_OBJECT
private slots:
    void startUp_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<bool>("withFut");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("strip"); // 0: main window; n: compact window n widths from the left
        QTest::addColumn<QString>("request"); // the first one sent ("Avvia" clicked in the main window)
        QTest::newRow("none") << "" << true << "Fut\u00f9res" << 0 << "GET /browser/fut.txt HTTP/1.1";
        QTest::newRow("1") << "1" << true << "Nasdaq" << 1 << quoteLine("^IXIC");
        QTest::newRow("2, no fut.txt, & in the name") << "2" << false << "S&P 500" << 2 << quoteLine("^GSPC");
        QTest::newRow("3") << "3" << true << "Fut\u00f9res" << 0 << quoteLine("CU26");
        QTest::newRow("01, no fut.txt") << "01" << false << "Indice" << 0 << quoteLine("");
    }
    void startUp()
    {
        QFETCH(QString, argument); QFETCH(bool, withFut); QFETCH(QString, title);
        QFETCH(int, strip); QFETCH(QString, request);
        Principale w(argument, true, withFut);
        QVERIFY(w.loaded && w.form->isVisible() == (strip == 0));
        QCOMPARE(w.get<QAction>("Titolo2")->text(), strip ? " Stop " : "Avvia");
        if (strip)
            QVERIFY(::strip()->isVisible() && ::strip()->LeftTwips() == strip * ::strip()->WidthTwips());
        else if (!argument.isEmpty())
            w.click("Titolo2");
        QVERIFY(waitFor([&] { return !w.server.requests.isEmpty(); }));
        QCOMPARE(firstLine(w.server.requests[0]), request);
        // "&" is text in the menu bar: no shortcut, the name shown whole.
        const QString caption = w.get<QAction>("Titolo")->text();
        QVERIFY(QKeySequence::mnemonic(caption).isEmpty());
        QCOMPARE(QString(caption).replace("&&", "&"), title);
        QVERIFY(w.home.exists("Futures.txt") && w.home.exists("Nasdaq.txt") && w.home.exists("D.Jones.txt"));
    }

    void indexChoiceAndMenus()
    {
        Principale w;
        choose(w, 2);
        QVERIFY(w.poll("16:01|1.00|0.10|1.00"));
        QCOMPARE(firstLine(w.server.requests.last()), quoteLine("^DJI"));
        QCOMPARE(strip()->findChild<QLabel *>("Label2")->text(), "D.J");
        // Arrow keys and Enter choose too.
        w.click("Titolo");
        auto *list = w.get<QListWidget>("List1");
        QVERIFY(list->isVisible() && list->hasFocus());
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(list->isHidden());
        QVERIFY(w.poll("16:02|1.00|0.10|1.00"));
        QCOMPARE(firstLine(w.server.requests.last()), quoteLine("^IXIC"));
        // The speed menu changes the interval, never whether polling runs.
        auto *timer = w.get<QTimer>("Timer2");
        w.click("veloce");
        QVERIFY(!timer->isActive() && timer->interval() == 5000 && (w.click("basso"), timer->interval() == 20000));
        // "Nuove": polling in the strip, and two more instances for positions 1 and 2.
        QTest::mouseClick(w.get<QPushButton>("Command3"), Qt::LeftButton);
        QVERIFY(strip()->isVisible() && !w.form->isVisible() && timer->isActive());
        QCOMPARE(w.desktop.starts.size(), 2);
        QCOMPARE(w.desktop.starts[1].program, QCoreApplication::applicationFilePath());
        QCOMPARE(w.desktop.starts[0].arguments + w.desktop.starts[1].arguments, QStringList({"1", "2"}));
    }

    void quoteUpdate_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("texts");
        QTest::addColumn<QColor>("colour");
        const QColor rise(128, 255, 128), fall(255, 128, 128), white(255, 255, 255);
        QTest::newRow("rise") << "16:00|987.12|0.45|981.55" << " 16:00| 987,12|+ 0,45 %| 981,55" << rise;
        QTest::newRow("fall") << "16:00|981.55|0.45|987.12" << " 16:00| 981,55|- 0,45 %| 987,12" << fall;
        // A price that is no number: no sign, no colour, no false fall.
        QTest::newRow("unreadable close") << "10:06|987.12|0.45|9.9.9" << " 10:06| 987,12|0,45 %| 9,9,9" << white;
        QTest::newRow("long close") << "10:07|987.12|0.45|12345678901234.5"
                                    << " 10:07| 987,12|- 0,45 %| 12345678901234,5" << fall;
    }
    void quoteUpdate()
    {
        QFETCH(QString, page); QFETCH(QString, texts); QFETCH(QColor, colour);
        Principale w;
        QVERIFY(w.poll(page));
        // One step of the activity bars, kept in twips (pixels would drift); the wrap: tst_quotazione.
        QVERIFY(SinistraTwips(w.get("Shape1")) == 290 && SinistraTwips(strip()->findChild<QWidget *>("Shape2")) == 710);
        const QStringList names{"Text1", "Text2", "Text3", "Text4"};
        for (QWidget *window : std::initializer_list<QWidget *>{w.form.get(), strip()})
            for (int i = 0; i < 4; ++i) {
                const auto *box = window->findChild<QLineEdit *>(names[i]);
                QCOMPARE(box->text(), texts.section(u'|', i, i));
                QCOMPARE(box->cursorPosition(), 0); // the start of a long value stays in view
                if (i != 1 || colour != QColor(255, 255, 255))
                    QCOMPARE(Sfondo(box), colour);
            }
    }

    // A reading under way when the index changes belongs to no index; the new index's
    // first reading is recorded even with the old one's change text.
    void indexChangeMidAnswer()
    {
        Principale w;
        choose(w, 1);
        QVERIFY(w.poll("16:00|9551.12|0.52|9503.34"));
        QList<QPointer<QTcpSocket>> held;
        w.server.handler = [&held](QTcpSocket *s, const QByteArray &) { held << s; };
        w.click("Titolo2");
        QVERIFY(waitFor([&] { return held.size() == 1; }));
        choose(w, 2);
        held[0]->write(httpAnswer(ScriviPagina("16:10", "9400.00", "1.25", "9503.34")));
        held[0]->disconnectFromHost();
        QVERIFY(w.poll("16:20|9600.00|0.52|9503.34"));
        QCOMPARE(w.home.read("Nasdaq.txt"), rec("16:00", "9503,34", "+ 0,52 %", "9551,12"));
        QCOMPARE(w.home.read("D.Jones.txt"), rec("16:20", "9503,34", "+ 0,52 %", "9600,00"));
    }

    void historyAppend()
    {
        Principale w;
        choose(w, 1);
        const QStringList polls{"16:00|9551.12|0.52|9503.34", "16:01|9560.00|0.52|9503.34",
                                "16:02|9400.00|0.52|9503.34", "off", "16:03|9600.00|1.02|9503.34", "on",
                                "16:04|9600.00|1.02|9503.34", "16:05||0.33|9503.34", "16:06|9600.00|0.33|9503.34"};
        for (const QString &step : polls) {
            if (!step.contains(u'|'))
                w.click(step == u"on" ? "salva" : "nonsalva");
            else
                QVERIFY(w.poll(step));
        }
        const QByteArray three = rec("16:00", "9503,34", "+ 0,52 %", "9551,12") + rec("16:02", "9503,34", "- 0,52 %",
                                 "9400,00") + rec("16:06", "9503,34", "+ 0,33 %", "9600,00");
        QCOMPARE(w.home.read("Nasdaq.txt"), three);
        // Another process's lock is not waited for: the records follow, in order, once it is free.
        QFile holder(w.home.file("Nasdaq.txt"));
        QVERIFY(holder.open(QIODevice::ReadOnly) && ::flock(holder.handle(), LOCK_EX) == 0);
        QVERIFY(w.poll("16:07|1.00|0.05|1.00") && w.home.read("Nasdaq.txt") == three);
        QVERIFY(w.poll("16:08|1.00|0.06|1.00"));
        holder.close();
        const QByteArray five = three + rec("16:07", "1,00", "+ 0,05 %", "1,00")
                                + rec("16:08", "1,00", "+ 0,06 %", "1,00");
        QVERIFY(waitFor([&] { return w.home.read("Nasdaq.txt") == five; }));
        // A failed append is told once per run of failures, and polling goes on.
        QVERIFY(QFile::remove(w.home.file("Nasdaq.txt")) && QDir(w.home.path()).mkdir("Nasdaq.txt"));
        QVERIFY(w.poll("16:07|1.00|0.01|1.00") && w.poll("16:08|1.00|0.02|1.00"));
        QCOMPARE(w.desktop.notes.size(), 1);
        QVERIFY(w.desktop.notes[0].contains(w.home.file("Nasdaq.txt")));
        QVERIFY(QDir(w.home.path()).rmdir("Nasdaq.txt") && w.poll("16:09|1.00|0.03|1.00"));
        QCOMPARE(w.home.read("Nasdaq.txt"), rec("16:09", "1,00", "+ 0,03 %", "1,00")); // only the failed ones lost
        QVERIFY(QFile::remove(w.home.file("Nasdaq.txt")) && QDir(w.home.path()).mkdir("Nasdaq.txt"));
        QVERIFY(w.poll("16:10|1.00|0.04|1.00"));
        QCOMPARE(w.desktop.notes.size(), 2);
    }

    void fileCommands()
    {
        Principale w;
        choose(w, 3); // S&P 500: no history file before its first record
        w.click("ApriFile");
        const QString file = w.home.file("S&P 500.txt");
        QVERIFY(QFile::exists(file) && w.desktop.starts.value(0).arguments == QStringList{file});
        w.home.write("S&P 500.txt", rec("16:00", "1,00", "+ 0,10 %", "1,10"));
        w.click("CancellaFile");
        QCOMPARE(w.desktop.questions, QStringList{"Vuoi veramente cancellare il file del grafico ?"});
        QVERIFY(!w.home.read("S&P 500.txt").isEmpty() && (w.desktop.answerYes = true));
        w.click("CancellaFile");
        QVERIFY(w.home.exists("S&P 500.txt") && w.home.read("S&P 500.txt").isEmpty());
    }

    void voice_data()
    {
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("update");
        QTest::addColumn<QStringList>("spoken");
        QTest::newRow("switched off") << 2 << true << QStringList{"Voce attivata", "Voce disattivata"};
        QTest::newRow("fall") << 1 << true << QStringList{"Voce attivata", "ore  16:00, Nasdaq, meno- 0,52 %"};
        QTest::newRow("before any reading") << 1 << false << QStringList{"Voce attivata", "ore , Nasdaq, "};
    }
    void voice()
    {
        QFETCH(int, clicks); QFETCH(bool, update); QFETCH(QStringList, spoken); Principale w;
        choose(w, 1);
        for (int i = 0; i < clicks; ++i)
            w.get<QCheckBox>("Check3")->click();
        if (update)
            QVERIFY(w.poll("16:00|9456.70|0.52|9503.34"));
        w.get<QTimer>("TimerVoce")->start(5);
        QVERIFY(waitFor([&] { return w.desktop.spoken.size() >= 2; }));
        QCOMPARE(w.desktop.spoken.mid(0, 2), spoken);
    }

    // The published code is compared with the futures entry's own code, whatever index is
    // followed; "Aggiorna" stores it and follows it, even when the settings cannot be read.
    void futuresCode_data()
    {
        QTest::addColumn<QByteArray>("published");
        QTest::addColumn<QString>("obstacle"); // "fut.txt" or "DatiIndex.cfg" made unusable before "Aggiorna"
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("same code") << QByteArray("CU26\r\n") << "" << QByteArray("CU26\r\n");
        QTest::newRow("new code") << QByteArray("CZ26\r\n") << "" << QByteArray("CZ26\r\n");
        QTest::newRow("fut.txt a folder") << QByteArray("CZ26") << "fut.txt" << QByteArray();
        QTest::newRow("settings unreadable") << QByteArray("CZ26") << "DatiIndex.cfg" << QByteArray("CZ26\r\n");
    }
    void futuresCode()
    {
        QFETCH(QByteArray, published); QFETCH(QString, obstacle); QFETCH(QByteArray, stored);
        Principale w("", true, true, ScriptedServer::reply(httpAnswer(published)));
        choose(w, 1); // Nasdaq picked before the download ends
        QVERIFY(waitFor([&] { return !w.server.requests.isEmpty(); }) && w.poll("16:00|1.00|0.10|1.00"));
        Form3 *f = Principale::window<Form3>();
        QCOMPARE(f && f->isVisible(), published != "CU26\r\n");
        if (!f || !f->isVisible())
            return;
        QCOMPARE(f->findChild<QLineEdit *>("Text1")->text(), "CU26");
        QCOMPARE(f->findChild<QLineEdit *>("Text2")->text(), "CZ26");
        if (!obstacle.isEmpty())
            QVERIFY(QFile::remove(w.home.file(obstacle)) && QDir(w.home.path()).mkdir(obstacle));
        f->findChild<QPushButton *>("Command1")->click();
        QCOMPARE(w.home.read("fut.txt"), stored);
        QCOMPARE(f->isVisible(), stored.isEmpty()); // stays open to try again
        QCOMPARE(w.desktop.errors.size(), obstacle.isEmpty() ? 0 : 1);
        if (stored.isEmpty())
            return;
        QCOMPARE(w.get<QAction>("Titolo")->text(), "Fut\u00f9res");
        QCOMPARE(strip()->findChild<QLabel *>("Label2")->text(), "Fut");
        QVERIFY(w.poll("16:01|1.00|0.10|1.00"));
        QCOMPARE(firstLine(w.server.requests.last()), quoteLine("CZ26"));
        choose(w, 1), choose(w, 0); // the list's futures entry has the new code too
        QVERIFY(w.poll("16:02|1.00|0.10|1.00"));
        QCOMPARE(firstLine(w.server.requests.last()), quoteLine("CZ26"));
    }

    void italianButtons()
    {
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
        QVERIFY(platform::loadQtTranslations());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&S\u00ec");
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
