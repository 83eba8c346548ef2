// The main window: start-up by argument and settings, index choice, the polling menus
// and "Nuove", the quote display with its activity bars, and the chart's fit.
#include <QtTest>
#include <QAction>
#include <QChartView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include "TestSupport.h"
#include "platform/Finestre.h"
#include "ui/Controlli.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

static bool compactShown(Form1 &form) { return form.HaFinestraRidotta() && form.FinestraRidotta().isVisible(); }

// A main window in a folder of its own, started with an argument that opens no strip.
struct Started {
    TempHome home;
    Form1 form{QStringLiteral("3")};
    Started() { form.Form_Load(); form.show(); }
};

static QString firstLine(const QByteArray &request) { return QString::fromLatin1(request.left(request.indexOf("\r\n"))); }

static QString quoteLine(const QString &symbol) { return "GET /qc/stocks/quotes.aspx?symbols=" + symbol + " HTTP/1.1"; }

class TestForm1 : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedServer> server; // quotes and futures code alike, never answering
    std::unique_ptr<RecordingDesktop> desktop;

private slots:
    void init()
    {
        // Fresh per test, so a late request of an earlier test lands nowhere.
        server = std::make_unique<ScriptedServer>();
        qputenv("QUOTARO_QUOTE_SERVER", server->address().toLatin1());
        qputenv("QUOTARO_FUTURES_SERVER", server->address().toLatin1());
        desktop = std::make_unique<RecordingDesktop>();
    }
    void cleanup() { desktop.reset(); server.reset(); }

    void startUp_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<bool>("withFut");
        QTest::addColumn<int>("entries"); // 0: no DatiIndex.cfg; 1-2: one record in it; 3-4: as shipped
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<int>("strip"); // 0: main window; n: compact window n widths from the left
        QTest::addColumn<QString>("request"); // sent at once
        const QString fut = QStringLiteral("GET /browser/fut.txt HTTP/1.1");
        QTest::newRow("none, fut.txt") << "" << true << 4 << "Fut\u00f9res" << "CU26" << 0 << fut;
        QTest::newRow("none, no fut.txt") << "" << false << 3 << "Indice" << "" << 0 << fut;
        QTest::newRow("1, fut.txt") << "1" << true << 4 << "Nasdaq" << "^IXIC" << 1 << quoteLine("^IXIC");
        QTest::newRow("1, no fut.txt") << "1" << false << 3 << "D.Jones" << "^DJI" << 1 << quoteLine("^DJI");
        QTest::newRow("2, fut.txt") << "2" << true << 4 << "D.Jones" << "^DJI" << 2 << quoteLine("^DJI");
        QTest::newRow("2, no fut.txt") << "2" << false << 3 << "S&P 500" << "^GSPC" << 2 << quoteLine("^GSPC");
        QTest::newRow("3, fut.txt") << "3" << true << 4 << "Fut\u00f9res" << "CU26" << 0 << "";
        QTest::newRow("3, no fut.txt") << "3" << false << 3 << "Indice" << "" << 0 << "";
        QTest::newRow("01, fut.txt") << "01" << true << 4 << "Fut\u00f9res" << "CU26" << 0 << "";
        QTest::newRow("01, no fut.txt") << "01" << false << 3 << "Indice" << "" << 0 << "";
        QTest::newRow("1, one record") << "1" << false << 1 << "Indice" << "" << 0 << "";
        QTest::newRow("2, fut.txt, one record") << "2" << true << 2 << "Fut\u00f9res" << "CU26" << 0 << "";
        QTest::newRow("no settings file") << "" << true << 0 << "Indice" << "" << 0 << "";
    }
    void startUp()
    {
        QFETCH(QString, argument); QFETCH(bool, withFut); QFETCH(int, entries);
        QFETCH(QString, title); QFETCH(QString, symbol); QFETCH(int, strip); QFETCH(QString, request);
        TempHome home(entries > 2, withFut);
        if (entries == 1 + int(withFut))
            home.write("DatiIndex.cfg", "\"Nasdaq\",\"^IXIC\"\r\n");
        home.write("Nasdaq.txt", " 16:00   981,55\r\n");
        Form1 form(argument);
        const bool loaded = form.Form_Load();
        if (loaded && !compactShown(form))
            form.show(); // as main() does
        QCOMPARE(loaded, entries > 0);
        QCOMPARE(desktop->errors.size(), loaded ? 0 : 1);
        QCOMPARE(desktop->errors.value(0).text, loaded ? QString() : "Impossibile leggere il file delle impostazioni \""
                 + home.file("DatiIndex.cfg") + "\": file non trovato o illeggibile.");
        QCOMPARE(form.Titolo->text(), title);
        QCOMPARE(form.Simbolo, symbol);
        QCOMPARE(form.Titolo2->text(), strip ? QStringLiteral(" Stop ") : QStringLiteral("Avvia"));
        QCOMPARE(form.Timer2->isActive(), strip > 0);
        QCOMPARE(form.isVisible(), loaded && strip == 0);
        QCOMPARE(compactShown(form), strip > 0);
        if (strip)
            QCOMPARE(form.FinestraRidotta().LeftTwips(), strip * form.FinestraRidotta().WidthTwips());
        // A strip polls at once; only a start without argument fetches the futures code.
        QVERIFY(waitFor([&] { return server->requests.size() >= int(!request.isEmpty()); }));
        QTest::qWait(50); // and nothing more
        QCOMPARE(server->requests.size(), int(!request.isEmpty()));
        QCOMPARE(firstLine(server->requests.value(0)), request);
        // History files: made when missing, left alone when present.
        QCOMPARE(home.read("Nasdaq.txt"), QByteArray(" 16:00   981,55\r\n"));
        QVERIFY(home.exists("Futures.txt") && home.exists("D.Jones.txt"));
        // No bogus entries, and loading again rebuilds the lists rather than adding to them.
        QCOMPARE(form.List1->count(), entries);
        QCOMPARE(form.List2->count(), entries);
        QCOMPARE(form.CaricaImpostazioni(), loaded);
        QCOMPARE(form.List1->count(), entries);
    }

    void pollingMenus_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("symbol");
        QTest::newRow("futures") << 0 << "Fut\u00f9res" << "CU26";
        QTest::newRow("Nasdaq") << 1 << "Nasdaq" << "^IXIC";
        QTest::newRow("name with a blank") << 3 << "S&P 500" << "^GSPC";
    }
    void pollingMenus()
    {
        QFETCH(int, row); QFETCH(QString, title); QFETCH(QString, symbol);
        Started s;
        s.form.List1_Click(2); // start from another index
        s.form.Titolo2->trigger();
        QVERIFY(waitFor([&] { return server->requests.size() == 1; })); // at once, not a tick later
        s.form.Titolo->trigger(); // the list opens; a click picks and closes it
        QListWidget *list = s.form.List1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
        QCOMPARE(s.form.Titolo->text(), title);
        QCOMPARE(s.form.Simbolo, symbol);
        QCOMPARE(s.form.FinestraRidotta().Label2->text(), title.left(3));
        s.form.Timer2_Timer();
        QVERIFY(waitFor([&] { return server->requests.size() == 2; }));
        QCOMPARE(firstLine(server->requests.last()), quoteLine(symbol));
        // The speed menu changes the interval, never whether polling runs.
        s.form.veloce->trigger();
        QVERIFY(s.form.Timer2->isActive() && s.form.Timer2->interval() == 5000);
        QCOMPARE(s.form.velocita->title(), QStringLiteral("Adsl"));
        s.form.Titolo2->trigger();
        QCOMPARE(s.form.Titolo2->text(), QStringLiteral("Avvia"));
        s.form.basso->trigger();
        QVERIFY(!s.form.Timer2->isActive() && s.form.Timer2->interval() == 20000);
        QCOMPARE(s.form.velocita->title(), QStringLiteral("56 K"));
        // "Nuove": polling again at once in the strip, and two more instances for 1 and 2.
        QTest::mouseClick(s.form.Command3, Qt::LeftButton);
        QVERIFY(compactShown(s.form) && !s.form.isVisible() && s.form.Timer2->isActive());
        QVERIFY(waitFor([&] { return server->requests.size() == 3; }));
        QCOMPARE(desktop->starts.size(), 2);
        QVERIFY(desktop->starts[0].program == QCoreApplication::applicationFilePath()
                && desktop->starts[1].program == desktop->starts[0].program);
        QVERIFY(desktop->starts[0].arguments == QStringList{"1"} && desktop->starts[1].arguments == QStringList{"2"});
    }

    void quoteUpdate_data()
    {
        QTest::addColumn<Quotazione>("quote");
        QTest::addColumn<QString>("shownChange");
        QTest::newRow("rise") << Quotazione{"16:00", "987,12", "0,45", "981,55"} << "+ 0,45 %";
        QTest::newRow("fall") << Quotazione{"16:00", "981,55", "0,45", "987,12"} << "- 0,45 %";
        QTest::newRow("unchanged") << Quotazione{"9:35", "981,55", "0,00", "981,55"} << "+ 0,00 %";
        QTest::newRow("more digits") << Quotazione{"10:05", "10005,3", "0,15", "9990,1"} << "+ 0,15 %";
        QTest::newRow("fewer digits") << Quotazione{"10:05", "9990,1", "0,15", "10005,3"} << "- 0,15 %";
    }
    void quoteUpdate()
    {
        QFETCH(Quotazione, quote); QFETCH(QString, shownChange);
        Started s;
        Form2 &compact = s.form.FinestraRidotta();
        // The activity bars step right with each update and go back past 4480.
        for (int update = 1; update <= 22; ++update) {
            s.form.AggiornaQuotazione(quote);
            QCOMPARE(SinistraTwips(s.form.Shape1), update < 22 ? 90 + 200 * update : 45);
            QCOMPARE(SinistraTwips(compact.Shape2), update < 22 ? 510 + 200 * update : 510);
        }
        const QStringList texts{" " + quote.Ora, " " + quote.Valore, shownChange, " " + quote.Chiusura};
        const QLineEdit *boxes[] = {s.form.Text1, s.form.Text2, s.form.Text3, s.form.Text4,
                                    compact.Text1, compact.Text2, compact.Text3, compact.Text4};
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(boxes[i]->text(), texts[i % 4]);
            QCOMPARE(Sfondo(boxes[i]), shownChange[0] == u'+' ? QColor(128, 255, 128) : QColor(255, 128, 128));
        }
    }

    void chartFitsWindow()
    {
        Started s;
        QVERIFY(qAbs(platform::twips(s.form.MSChart1->width()) - 6180) <= 15
                && qAbs(platform::twips(s.form.MSChart1->height()) - 2605) <= 15);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
