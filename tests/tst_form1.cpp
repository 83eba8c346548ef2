// GUI tests of the main window: start-up, index choice, polling switch, "Nuove",
// speed menu, always-on-top, compact-window switch, quote display, chart fitting
// and the home page.
#include <QtTest>
#include <QAction>
#include <QChartView>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <memory>

#include "TestSupport.h"
#include "platform/Ambiente.h"
#include "platform/Finestre.h"
#include "platform/SocketControl.h"
#include "ui/Controlli.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Layout.h"

namespace {

const QString Futures = QStringLiteral("Fut\u00f9res");
const QString Stop = QStringLiteral(" Stop ");
const QColor Rise(128, 255, 128);
const QColor Fall(255, 128, 128);
const QString Browser = QStringLiteral("/opt/test/browser");

// Builds the main window and runs start-up the way the program's main() does.
std::unique_ptr<Form1> launch(const QString &argument, bool *loaded = nullptr)
{
    auto form = std::make_unique<Form1>(argument);
    const bool ok = form->Form_Load();
    if (loaded)
        *loaded = ok;
    if (ok && !(form->HaFinestraRidotta() && form->FinestraRidotta().isVisible()))
        form->show();
    return form;
}

// First line of each request a server received.
QStringList requestLines(const ScriptedServer &server)
{
    QStringList lines;
    for (const QByteArray &request : server.requests)
        lines << QString::fromLatin1(request.left(request.indexOf("\r\n")));
    return lines;
}

QString quoteLine(const QString &symbol)
{
    return QStringLiteral("GET /qc/stocks/quotes.aspx?symbols=%1 HTTP/1.1").arg(symbol);
}

const QString FuturesLine = QStringLiteral("GET /browser/fut.txt HTTP/1.1");

QStringList items(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

bool compactShown(Form1 &form)
{
    return form.HaFinestraRidotta() && form.FinestraRidotta().isVisible();
}

// Quote display only: no chart rebuild, no history record.
void displayOnly(Form1 &form)
{
    form.Check1->setChecked(false);
    form.nonsalva->trigger();
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedServer> quotes;
    std::unique_ptr<ScriptedServer> futures;
    std::unique_ptr<RecordingDesktop> desktop;

private slots:
    void init()
    {
        // Fresh servers per test, so a late request of an earlier test lands nowhere.
        quotes = std::make_unique<ScriptedServer>();
        futures = std::make_unique<ScriptedServer>();
        qputenv("QUOTARO_QUOTE_SERVER", quotes->address().toLatin1());
        qputenv("QUOTARO_FUTURES_SERVER", futures->address().toLatin1());
        qputenv("QUOTARO_BROWSER", Browser.toLocal8Bit());
        desktop = std::make_unique<RecordingDesktop>();
    }
    void cleanup()
    {
        desktop.reset();
        quotes.reset();
        futures.reset();
    }

    void startUp_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<bool>("withFut");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<int>("strip");   // 0: main window; n: compact window at n widths
        QTest::addColumn<bool>("futuresDownload");

        QTest::newRow("none, fut.txt") << "" << true << Futures << "CU26" << 0 << true;
        QTest::newRow("none, no fut.txt") << "" << false << "Indice" << "" << 0 << true;
        QTest::newRow("1, fut.txt") << "1" << true << "Nasdaq" << "^IXIC" << 1 << false;
        QTest::newRow("1, no fut.txt") << "1" << false << "D.Jones" << "^DJI" << 1 << false;
        QTest::newRow("2, fut.txt") << "2" << true << "D.Jones" << "^DJI" << 2 << false;
        QTest::newRow("2, no fut.txt") << "2" << false << "S&P 500" << "^GSPC" << 2 << false;
        QTest::newRow("3, fut.txt") << "3" << true << Futures << "CU26" << 0 << false;
        QTest::newRow("3, no fut.txt") << "3" << false << "Indice" << "" << 0 << false;
        QTest::newRow("01, fut.txt") << "01" << true << Futures << "CU26" << 0 << false;
        QTest::newRow("01, no fut.txt") << "01" << false << "Indice" << "" << 0 << false;
    }
    void startUp()
    {
        QFETCH(QString, argument); QFETCH(bool, withFut);
        QFETCH(QString, title); QFETCH(QString, symbol);
        QFETCH(int, strip); QFETCH(bool, futuresDownload);
        TempHome home(true, withFut);

        bool loaded = false;
        auto form = launch(argument, &loaded);
        QVERIFY(loaded);
        QCOMPARE(form->Titolo->text(), title);
        QCOMPARE(form->Simbolo, symbol);
        QCOMPARE(form->Titolo2->text(), strip ? Stop : QStringLiteral("Avvia"));
        QCOMPARE(form->Timer2->isActive(), strip > 0);
        QCOMPARE(form->isVisible(), strip == 0);
        QCOMPARE(compactShown(*form), strip > 0);
        QCOMPARE(form->Winsock1->isOpen(), futuresDownload);
        if (strip) {
            Form2 &compact = form->FinestraRidotta();
            QCOMPARE(compact.LeftTwips(), strip * compact.WidthTwips());
            QCOMPARE(compact.Label2->text(), title.left(3));
            // The first poll goes out at once, for the selected symbol.
            QVERIFY(waitFor([&] { return !quotes->requests.isEmpty(); }));
            QCOMPARE(requestLines(*quotes), QStringList{quoteLine(symbol)});
        }
        if (futuresDownload)
            QVERIFY(waitFor([&] { return !futures->requests.isEmpty(); }));
        QTest::qWait(50);
        QCOMPARE(requestLines(*futures), futuresDownload ? QStringList{FuturesLine} : QStringList());
        if (!strip)
            QVERIFY(quotes->requests.isEmpty());
    }

    void historyFiles_data()
    {
        QTest::addColumn<bool>("present");
        QTest::newRow("missing") << false;
        QTest::newRow("present") << true;
    }
    void historyFiles()
    {
        QFETCH(bool, present);
        TempHome home;
        const QStringList names{"Futures.txt", "Nasdaq.txt", "D.Jones.txt"};
        for (const QString &name : names)
            if (present)
                home.write(name, name.toLatin1() + " 16:00   981,55\r\n");
        auto form = launch(QStringLiteral("3"));
        for (const QString &name : names) {
            QVERIFY2(home.exists(name), qPrintable(name));
            QCOMPARE(home.read(name), present ? name.toLatin1() + " 16:00   981,55\r\n" : QByteArray());
        }
        // The futures entry's own file comes with its first record, not at start-up.
        QVERIFY(!home.exists(Futures + QStringLiteral(".txt")));
    }

    void reloadKeepsListsAndTimer()
    {
        TempHome home;
        auto form = launch(QString());
        form->List1_Click(2);
        form->Titolo2_Click();
        home.write("fut.txt", "CZ26\r\n");
        QVERIFY(form->CaricaImpostazioni());
        QCOMPARE(items(form->List1), (QStringList{Futures, "Nasdaq", "D.Jones", "S&P 500"}));
        QCOMPARE(items(form->List2), (QStringList{"CZ26", "^IXIC", "^DJI", "^GSPC"}));
        QCOMPARE(form->Titolo->text(), Futures);
        QCOMPARE(form->Simbolo, QStringLiteral("CZ26"));
        QVERIFY(form->Timer2->isActive());
        QCOMPARE(form->Titolo2->text(), Stop);
    }

    void missingSettingsFile()
    {
        TempHome home(false, true);
        bool loaded = true;
        auto form = launch(QString(), &loaded);
        QVERIFY(!loaded);
        QCOMPARE(desktop->errors.size(), 1);
        QVERIFY(desktop->errors[0].text.contains(QStringLiteral("DatiIndex.cfg")));
        QVERIFY(desktop->errors[0].text.contains(QStringLiteral("non trovato")));
        QVERIFY(!form->isVisible());
        QVERIFY(!form->Winsock1->isOpen());
    }

    void positionBeyondList_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<bool>("withFut");
        QTest::newRow("1, one record") << "1" << false;
        QTest::newRow("2, one record") << "2" << false;
        QTest::newRow("2, fut.txt and one record") << "2" << true;
    }
    void positionBeyondList()
    {
        QFETCH(QString, argument); QFETCH(bool, withFut);
        TempHome home(false, withFut);
        home.write("DatiIndex.cfg", "\"Nasdaq\",\"^IXIC\"\r\n");
        auto form = launch(argument);
        const QStringList names = withFut ? QStringList{Futures, "Nasdaq"} : QStringList{"Nasdaq"};
        QCOMPARE(items(form->List1), names);
        QCOMPARE(items(form->List2).size(), names.size());
        QCOMPARE(form->Titolo->text(), withFut ? Futures : QStringLiteral("Indice"));
        QCOMPARE(form->Titolo2->text(), QStringLiteral("Avvia"));
        QVERIFY(!form->Timer2->isActive());
        QVERIFY(form->isVisible());
        QVERIFY(!compactShown(*form));
    }

    void selectIndex_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("shortName");
        QTest::newRow("futures") << 0 << Futures << "CU26" << "Fut";
        QTest::newRow("Nasdaq") << 1 << "Nasdaq" << "^IXIC" << "Nas";
        QTest::newRow("Dow Jones") << 2 << "D.Jones" << "^DJI" << "D.J";
        QTest::newRow("name with a blank") << 3 << "S&P 500" << "^GSPC" << "S&P";
    }
    void selectIndex()
    {
        QFETCH(int, row); QFETCH(QString, title);
        QFETCH(QString, symbol); QFETCH(QString, shortName);
        TempHome home;
        auto form = launch(QStringLiteral("3"));
        form->List1_Click(row == 0 ? 1 : 0); // start from another index
        form->Titolo2_Click();
        QVERIFY(waitFor([&] { return quotes->requests.size() == 1; }));
        // Opening and closing the list alone selects nothing.
        const QString before = form->Titolo->text();
        form->Titolo->trigger();
        form->Titolo->trigger();
        QVERIFY(form->List1->isHidden());
        QCOMPARE(form->Titolo->text(), before);

        // Pick the entry with the mouse, as the user does.
        form->Titolo->trigger();
        QVERIFY(form->List1->isVisible());
        QListWidget *list = form->List1;
        const QRect cell = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(list->isHidden());
        QCOMPARE(form->Titolo->text(), title);
        QCOMPARE(form->Simbolo, symbol);
        QCOMPARE(form->FinestraRidotta().Label2->text(), shortName);
        QVERIFY(form->Timer2->isActive());
        QCOMPARE(form->Titolo2->text(), Stop);

        form->Timer2_Timer();
        QVERIFY(waitFor([&] { return quotes->requests.size() == 2; }));
        QCOMPARE(requestLines(*quotes).last(), quoteLine(symbol));
    }

    void startAndStopPolling()
    {
        TempHome home;
        auto form = launch(QStringLiteral("3"));
        form->Titolo2->trigger();
        QCOMPARE(form->Titolo2->text(), Stop);
        QVERIFY(form->Timer2->isActive());
        QVERIFY(waitFor([&] { return quotes->requests.size() == 1; }));
        QCOMPARE(requestLines(*quotes), QStringList{quoteLine("CU26")});

        // With a short interval the ticks are seen to run, then to stop.
        form->Timer2->setInterval(30);
        QVERIFY(waitFor([&] { return quotes->requests.size() >= 3; }));
        form->Titolo2->trigger();
        QCOMPARE(form->Titolo2->text(), QStringLiteral("Avvia"));
        QVERIFY(!form->Timer2->isActive());
        QTest::qWait(50);
        const qsizetype seen = quotes->requests.size();
        QTest::qWait(200);
        QCOMPARE(quotes->requests.size(), seen);
    }

    void newInstances_data()
    {
        QTest::addColumn<bool>("startSucceeds");
        QTest::newRow("started") << true;
        QTest::newRow("start fails") << false;
    }
    void newInstances()
    {
        QFETCH(bool, startSucceeds);
        TempHome home;
        desktop->startSucceeds = startSucceeds;
        auto form = launch(QStringLiteral("3"));
        const QString self = QCoreApplication::applicationFilePath();
        QCOMPARE(platform::selfExecutable(), self);

        for (int click = 1; click <= 2; ++click) {
            QTest::mouseClick(form->Command3, Qt::LeftButton);
            QVERIFY(compactShown(*form));
            QVERIFY(!form->isVisible());
            QCOMPARE(form->Titolo2->text(), Stop);
            QVERIFY(form->Timer2->isActive());
            // Every click polls at once, even when polling was already on.
            QVERIFY(waitFor([&] { return quotes->requests.size() == click; }));
            QCOMPARE(desktop->starts.size(), 2 * click);
            for (int i = 0; i < 2; ++i) {
                const RecordingDesktop::Start &start = desktop->starts[2 * (click - 1) + i];
                QCOMPARE(start.program, self);
                QCOMPARE(start.arguments, QStringList{QString::number(i + 1)});
            }
        }
    }

    void speedMenu_data()
    {
        QTest::addColumn<bool>("fast");
        QTest::addColumn<bool>("polling");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("caption");
        QTest::newRow("56K, stopped") << false << false << 20000 << "56 K";
        QTest::newRow("56K, polling") << false << true << 20000 << "56 K";
        QTest::newRow("Adsl, stopped") << true << false << 5000 << "Adsl";
        QTest::newRow("Adsl, polling") << true << true << 5000 << "Adsl";
    }
    void speedMenu()
    {
        QFETCH(bool, fast); QFETCH(bool, polling);
        QFETCH(int, interval); QFETCH(QString, caption);
        TempHome home;
        auto form = launch(QStringLiteral("3"));
        QCOMPARE(form->velocita->title(), QStringLiteral("56K"));
        QCOMPARE(form->Timer2->interval(), 20000);
        if (polling)
            form->Titolo2_Click();
        (fast ? form->veloce : form->basso)->trigger();
        QCOMPARE(form->Timer2->interval(), interval);
        QCOMPARE(form->velocita->title(), caption);
        QCOMPARE(form->Timer2->isActive(), polling);
        // The next tick is due within the new interval (plus a coarse timer's 5 %).
        if (polling)
            QVERIFY(form->Timer2->remainingTime() <= interval + interval / 20);
    }

    void alwaysOnTop()
    {
        TempHome home;
        auto form = launch(QStringLiteral("3"));
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const QRect before = form->geometry();
        QVERIFY(!form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        for (bool on : {true, false}) {
            QTest::mouseClick(form->Check2, Qt::LeftButton);
            QCOMPARE(form->Check2->isChecked(), on);
            QCOMPARE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint), on);
            QVERIFY(form->isVisible());
            QCOMPARE(form->geometry(), before);
        }
        // The greyed state changes nothing.
        form->Check2->setTristate(true);
        form->Check2->setCheckState(Qt::PartiallyChecked);
        form->Check2_Click();
        QVERIFY(!form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void switchToCompactAndBack()
    {
        TempHome home;
        auto form = launch(QStringLiteral("3"));
        form->TopBar->trigger();
        QVERIFY(compactShown(*form));
        QVERIFY(!form->isVisible());
        QTest::mouseClick(form->FinestraRidotta().Label1, Qt::LeftButton);
        QVERIFY(!compactShown(*form));
        QVERIFY(form->isVisible());
    }

    void quoteUpdate_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("close");
        QTest::addColumn<QString>("shownChange");
        QTest::addColumn<bool>("rise");
        QTest::newRow("rise") << "16:00" << "987,12" << "0,45" << "981,55" << "+ 0,45 %" << true;
        QTest::newRow("fall") << "16:00" << "981,55" << "0,45" << "987,12" << "- 0,45 %" << false;
        QTest::newRow("unchanged") << "9:35" << "981,55" << "0,00" << "981,55" << "+ 0,00 %" << true;
        QTest::newRow("more digits") << "10:05" << "10005,3" << "0,15" << "9990,1" << "+ 0,15 %" << true;
        QTest::newRow("fewer digits") << "10:05" << "9990,1" << "0,15" << "10005,3" << "- 0,15 %" << false;
        QTest::newRow("no close") << "10:05" << "987,12" << "0,0" << "" << "+ 0,0 %" << true;
        QTest::newRow("no last price") << "10:05" << "" << "0,0" << "981,55" << "- 0,0 %" << false;
    }
    void quoteUpdate()
    {
        QFETCH(QString, time); QFETCH(QString, last);
        QFETCH(QString, change); QFETCH(QString, close);
        QFETCH(QString, shownChange); QFETCH(bool, rise);
        TempHome home;
        auto form = launch(QStringLiteral("3"));
        displayOnly(*form);
        form->AggiornaQuotazione({time, last, change, close});

        const QStringList texts{" " + time, " " + last, shownChange, " " + close};
        QVERIFY(form->HaFinestraRidotta());
        Form2 &compact = form->FinestraRidotta();
        QVERIFY(!compact.isVisible()); // the update fills it but does not show it
        const QLineEdit *main[] = {form->Text1, form->Text2, form->Text3, form->Text4};
        const QLineEdit *copy[] = {compact.Text1, compact.Text2, compact.Text3, compact.Text4};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(main[i]->text(), texts[i]);
            QCOMPARE(copy[i]->text(), texts[i]);
            QCOMPARE(Sfondo(main[i]), rise ? Rise : Fall);
            QCOMPARE(Sfondo(copy[i]), rise ? Rise : Fall);
        }
    }

    void emptyAnswerShowsBlankRise()
    {
        TempHome home;
        quotes->handler = ScriptedServer::reply(httpAnswer(QByteArray()));
        auto form = launch(QStringLiteral("3"));
        displayOnly(*form);
        form->AggiornaQuotazione({"16:00", "981,55", "0,45", "987,12"}); // a fall on show
        form->Titolo2_Click();
        QVERIFY(waitFor([&] { return form->Text3->text() == QStringLiteral("+ 0,0 %"); }));
        Form2 &compact = form->FinestraRidotta();
        for (const QLineEdit *box : {form->Text1, form->Text2, form->Text4, compact.Text1,
                                     compact.Text2, compact.Text4})
            QCOMPARE(box->text(), QStringLiteral(" "));
        for (const QLineEdit *box : {form->Text1, form->Text2, form->Text3, form->Text4,
                                     compact.Text1, compact.Text2, compact.Text3, compact.Text4})
            QCOMPARE(Sfondo(box), Rise);
    }

    void activityBars()
    {
        TempHome home;
        auto form = launch(QStringLiteral("3"));
        displayOnly(*form);
        QWidget *bar1 = form->Shape1;
        QWidget *bar2 = form->FinestraRidotta().Shape2;
        double left1 = 90, left2 = 510;
        QCOMPARE(SinistraTwips(bar1), left1);
        QCOMPARE(SinistraTwips(bar2), left2);
        QList<int> wraps; // updates after which the bars went back to the left
        for (int update = 1; update <= 50; ++update) {
            form->AggiornaQuotazione({"16:00", "987,12", "0,45", "981,55"});
            const double now1 = SinistraTwips(bar1), now2 = SinistraTwips(bar2);
            if (now1 == 45) {
                QCOMPARE(now2, 510.0);
                QVERIFY(left1 + 200 > 4480);
                wraps << update;
            } else {
                QCOMPARE(now1, left1 + 200);
                QCOMPARE(now2, left2 + 200);
                QVERIFY(now1 <= 4480);
            }
            left1 = now1;
            left2 = now2;
        }
        // From 90 the first wrap comes after 22 steps; from 45, after 23.
        QCOMPARE(wraps, (QList<int>{22, 45}));
    }

    void chartFitsWindow_data()
    {
        QTest::addColumn<int>("growX"); // twips added to the client area
        QTest::addColumn<int>("growY");
        QTest::newRow("design size") << 0 << 0;
        QTest::newRow("grown") << 450 << 300;
    }
    void chartFitsWindow()
    {
        QFETCH(int, growX); QFETCH(int, growY);
        TempHome home;
        auto form = launch(QStringLiteral("3"));
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QWidget *client = form->centralWidget();
        QVERIFY(qAbs(platform::twips(client->width()) - 6330) <= 15);
        QVERIFY(qAbs(platform::twips(client->height()) - 3420) <= 15);
        if (growX || growY) {
            form->setFixedSize(form->size() + QSize(platform::px(growX), platform::px(growY)));
            QVERIFY(waitFor([&] { return form->size().width() > platform::px(6330); }));
        }
        const double width = platform::twips(form->MSChart1->width());
        const double height = platform::twips(form->MSChart1->height());
        QVERIFY2(qAbs(width - (6180 + growX)) <= 15, qPrintable(QString::number(width)));
        QVERIFY2(qAbs(height - (2605 + growY)) <= 15, qPrintable(QString::number(height)));
        QCOMPARE(form->MSChart1->pos(), platform::pxRect(90, 765, 0, 0).topLeft());
    }

    void homePage_data()
    {
        QTest::addColumn<bool>("fromHeader");
        QTest::newRow("Home menu") << false;
        QTest::newRow("column header") << true;
    }
    void homePage()
    {
        QFETCH(bool, fromHeader);
        TempHome home;
        auto form = launch(QStringLiteral("3"));
        if (fromHeader)
            QTest::mouseClick(form->Label1, Qt::LeftButton);
        else
            form->HomePage->trigger();
        QCOMPARE(desktop->starts.size(), 1);
        QCOMPARE(desktop->starts[0].program, Browser);
        QCOMPARE(desktop->starts[0].arguments, QStringList{IndirizzoHomePage});
        const QUrl address(IndirizzoHomePage);
        QVERIFY(address.isValid() && address.scheme().startsWith(QStringLiteral("http")));
        QVERIFY(address.path().isEmpty()); // scheme and host, no trailing slash
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
