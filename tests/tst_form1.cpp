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
// Every connection of the window read to its end or dropped, and handled.
bool drained(const Principale &w)
{
    return waitFor([&] { return std::ranges::none_of(w.form->findChildren<QTcpSocket *>(), &QTcpSocket::isOpen); });
}
} // namespace

class TestForm1 : public QObject {
    Q_OBJECT
private slots:
    void startUp_data()
    {
        // strip 0: the main window, n: the compact window n widths from the left; request: the first one sent
        // ("Avvia" clicked in the main window)
        QTest::addColumn<QString>("argument"); QTest::addColumn<bool>("withFut"); QTest::addColumn<QString>("title");
        QTest::addColumn<int>("strip"); QTest::addColumn<QString>("request");
        QTest::newRow("none") << "" << true << "Fut\u00f9res" << 0 << "GET /browser/fut.txt HTTP/1.1";
        QTest::newRow("1") << "1" << true << "Nasdaq" << 1 << quoteLine("^IXIC");
        QTest::newRow("2, no fut.txt, & in the name") << "2" << false << "S&P 500" << 2 << quoteLine("^GSPC");
        QTest::newRow("3") << "3" << true << "Fut\u00f9res" << 0 << quoteLine("CU26");
        QTest::newRow("01, no fut.txt") << "01" << false << "Indice" << 0 << quoteLine("");
    }
    void startUp()
    {
        QFETCH(QString, argument); QFETCH(bool, withFut); QFETCH(QString, title); QFETCH(int, strip);
        QFETCH(QString, request); Principale w(argument, true, withFut);
        QVERIFY(w.loaded && w.form->isVisible() == (strip == 0));
        QCOMPARE(w.get<QAction>("Titolo2")->text(), strip ? " Stop " : "Avvia");
        if (strip)
            QVERIFY(::strip()->isVisible() && ::strip()->LeftTwips() == (strip == 1 ? 4650 : 7350)); // 800-pixel screen
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
        QTest::keySequence(list, QKeySequence(Qt::Key_Up, Qt::Key_Return));
        QVERIFY(list->isHidden() && w.poll("16:02|1.00|0.10|1.00"));
        QCOMPARE(firstLine(w.server.requests.last()), quoteLine("^IXIC"));
        // The speed menu changes the interval, never whether polling runs.
        auto *timer = w.get<QTimer>("Timer2");
        w.click("veloce");
        QVERIFY(!timer->isActive() && timer->interval() == 5000 && (w.click("basso"), timer->interval() == 20000));
        // "Nuove": polling in the strip, and two more instances for positions 1 and 2.
        QTest::mouseClick(w.get<QPushButton>("Command3"), Qt::LeftButton);
        QVERIFY(strip()->isVisible() && !w.form->isVisible() && timer->isActive());
        const QString self = QCoreApplication::applicationFilePath();
        QCOMPARE(w.desktop.started, QStringList({self + " 1", self + " 2"}));
    }

    void quoteUpdate_data()
    {
        QTest::addColumn<QString>("page"); QTest::addColumn<QString>("texts"); QTest::addColumn<QColor>("colour");
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
        QFETCH(QString, page); QFETCH(QString, texts); QFETCH(QColor, colour); Principale w;
        QVERIFY(w.poll(page));
        // One step of the activity bars, kept in twips (pixels would drift); the wrap: tst_quotazione.
        QVERIFY(SinistraTwips(w.get("Shape1")) == 290 && SinistraTwips(strip()->findChild<QWidget *>("Shape2")) == 710);
        for (QWidget *window : std::initializer_list<QWidget *>{w.form.get(), strip()})
            for (int i = 0; i < 4; ++i) {
                const auto *box = window->findChild<QLineEdit *>("Text" + QString::number(i + 1));
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
        if (QTcpSocket *old = held[0])
            old->write(httpAnswer(ScriviPagina("16:10", "9400.00", "1.25", "9503.34"))), old->disconnectFromHost();
        QVERIFY(drained(w));
        QCOMPARE(w.box("Text1")->text(), " 16:00");
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
        for (const QString &step : polls) // "on", "off": the history switch
            QVERIFY(step.contains(u'|') ? w.poll(step) : (w.click(step == u"on" ? "salva" : "nonsalva"), true));
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
        w.desktop.notes.clear(); // the page without a price was told as a failed poll
        QVERIFY(QFile::remove(w.home.file("Nasdaq.txt")) && QDir(w.home.path()).mkdir("Nasdaq.txt"));
        QVERIFY(w.poll("16:07|1.00|0.01|1.00") && w.poll("16:08|1.00|0.02|1.00"));
        QVERIFY(w.desktop.notes.size() == 1 && w.desktop.notes[0].contains(w.home.file("Nasdaq.txt")));
        QVERIFY(QDir(w.home.path()).rmdir("Nasdaq.txt") && w.poll("16:09|1.00|0.03|1.00"));
        QCOMPARE(w.home.read("Nasdaq.txt"), rec("16:09", "1,00", "+ 0,03 %", "1,00")); // only the failed ones lost
        QVERIFY(QFile::remove(w.home.file("Nasdaq.txt")) && QDir(w.home.path()).mkdir("Nasdaq.txt"));
        QVERIFY(w.poll("16:10|1.00|0.04|1.00") && w.desktop.notes.size() == 2); // the next run told again
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
        QTest::addColumn<int>("clicks"); QTest::addColumn<bool>("update"); QTest::addColumn<QStringList>("spoken");
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
        // obstacle: "fut.txt" or "DatiIndex.cfg" made unusable before "Aggiorna"; old: the code followed before
        QTest::addColumn<QByteArray>("published"); QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QByteArray>("stored"); QTest::addColumn<QString>("old");
        const QByteArray cu = "CU26\r\n", cz = "CZ26\r\n", bare = "CZ26";
        QTest::newRow("same code") << cu << "" << cu << "CU26";
        QTest::newRow("new code") << cz << "" << cz << "CU26";
        QTest::newRow("fut.txt a folder") << bare << "fut.txt" << QByteArray() << "CU26";
        QTest::newRow("no settings") << bare << "DatiIndex.cfg" << cz << "CU26";
        QTest::newRow("neither file") << bare << "DatiIndex.cfg" << cz << "";
    }
    void futuresCode()
    {
        QFETCH(QByteArray, published); QFETCH(QString, obstacle); QFETCH(QByteArray, stored); QFETCH(QString, old);
        Principale w("", true, !old.isEmpty(), ScriptedServer::reply(httpAnswer(published)));
        choose(w, old.isEmpty() ? 0 : 1); // Nasdaq picked before the download ends
        QVERIFY(waitFor([&] { return !w.server.requests.isEmpty(); }) && w.poll("16:00|1.00|0.10|1.00") && drained(w));
        Form3 *f = Principale::window<Form3>();
        QCOMPARE(f && f->isVisible(), published != "CU26\r\n");
        if (!f || !f->isVisible())
            return;
        const auto text = [f](const char *box) { return f->findChild<QLineEdit *>(box)->text(); };
        QCOMPARE(text("Text1") + '|' + text("Text2"), old + "|CZ26");
        if (!obstacle.isEmpty())
            QVERIFY(QFile::remove(w.home.file(obstacle)) && QDir(w.home.path()).mkdir(obstacle));
        f->findChild<QPushButton *>("Command1")->click();
        QCOMPARE(w.home.read("fut.txt"), stored);
        QCOMPARE(f->isVisible(), stored.isEmpty()); // stays open to try again
        QCOMPARE(w.desktop.errors.size(), obstacle.isEmpty() ? 0 : 1);
        if (stored.isEmpty())
            return;
        const QString label = strip()->findChild<QLabel *>("Label2")->text();
        QCOMPARE(w.get<QAction>("Titolo")->text() + '|' + label, "Fut\u00f9res|Fut");
        QVERIFY(w.poll("16:01|1.00|0.10|1.00"));
        QCOMPARE(firstLine(w.server.requests.last()), quoteLine("CZ26"));
        QStringList symbols; // the list's futures entry has the new code too, first and once
        for (int i = 0; i < w.get<QListWidget>("List2")->count(); ++i)
            symbols << w.get<QListWidget>("List2")->item(i)->text();
        QCOMPARE(symbols, QStringList({"CZ26", "^IXIC", "^DJI", "^GSPC"}));
    }

    // A run of failed polls is told once, shown in the tooltips and, from the third, by the
    // grey text of stale values; a good poll ends it, and the next failure is told again. The transfer's
    // own reasons (a cut answer): tst_trasferimento.
    void feedFailures_data()
    {
        // answer "refuse": nothing listens; "hold": never answered
        QTest::addColumn<QByteArray>("answer"); QTest::addColumn<QString>("why");
        QTest::newRow("refused") << QByteArray("refuse") << "connessione rifiutata";
        QTest::newRow("no answer") << QByteArray("hold") << "nessuna risposta in tempo";
        QTest::newRow("503") << QByteArray("HTTP/1.1 503 No\r\n\r\n") << "risposta HTTP 503";
        QTest::newRow("no values") << httpAnswer("<html></html>") << "pagina senza quotazione";
    }
    void feedFailures()
    {
        QFETCH(QByteArray, answer); QFETCH(QString, why);
        const ScopedEnv monday("QUOTARO_NOW", "2026-12-07T10:00:00-05:00"); // market open
        Principale w;
        choose(w, 1);
        QVERIFY(w.poll("10:00|1.00|0.10|0.90"));
        ScriptedServer good(ScriptedServer::reply(httpAnswer(ScriviPagina("10:05", "1.00", "0.20", "0.90"))));
        const QString notice = "Nessuna quotazione da " + w.server.address() + ": " + why;
        if (answer == "refuse")
            w.server.close();
        else
            w.server.handler = answer == "hold" ? ScriptedServer::Handler() : ScriptedServer::reply(answer);
        w.get<QTimer>("Timer2")->setInterval(50);
        w.click("Titolo2");
        QLineEdit *value = w.box("Text2"), *copy = strip()->findChild<QLineEdit *>("Text2");
        QVERIFY(waitFor([&] { return Fermo(value) && Fermo(copy); }));
        QCOMPARE(w.desktop.notes, QStringList{notice}); // told once, though three polls failed
        QCOMPARE(value->palette().color(QPalette::Text), QColor(0x50, 0x50, 0x50));
        QCOMPARE(Sfondo(value), QColor(128, 255, 128)); // the rise colour stays
        QVERIFY(value->toolTip().startsWith(notice + " (dalle ") && value->toolTip().contains("\nDati fermi dalle "));
        QVERIFY(copy->toolTip().startsWith("Valore attuale\n" + notice));
        QVERIFY(w.desktop.starts.isEmpty()); // an address the user set: no server started
        qputenv("QUOTARO_QUOTE_SERVER", good.address().toLatin1());
        QVERIFY(waitFor([&] { return !Fermo(value) && !Fermo(copy) && value->text() == " 1,00"; }));
        QCOMPARE(value->toolTip() + '|' + copy->toolTip(), "|Valore attuale");
        good.close();
        QVERIFY(waitFor([&] { return w.desktop.notes.size() == 2; }));
    }

    // Values that stop changing while the market is open are stale (the voice says so);
    // with the market closed they are not, and the tooltip says it is closed.
    void frozenFeedAndClosedMarket()
    {
        const ScopedEnv monday("QUOTARO_NOW", "2026-12-07T10:00:00-05:00");
        Principale w;
        choose(w, 1);
        QVERIFY(w.poll("10:00|1.00|0.10|0.90"));
        const QString since = QDateTime::fromString("2026-12-07T10:00:00-05:00", Qt::ISODate).toLocalTime()
                                  .toString("HH:mm");
        w.get<QCheckBox>("Check3")->click();
        qputenv("QUOTARO_NOW", "2026-12-07T10:15:00-05:00");
        w.get<QTimer>("TimerVoce")->start(5);
        QVERIFY(waitFor([&] { return w.desktop.spoken.size() >= 2; }));
        QCOMPARE(w.desktop.spoken[1], "ore  10:00, Nasdaq, + 0,10 %, dati non aggiornati");
        QCOMPARE(w.box("Text1")->toolTip(), "Dati fermi dalle " + since);
        qputenv("QUOTARO_NOW", "2026-12-12T10:15:00-05:00"); // Saturday
        QVERIFY(waitFor([&] { return !Fermo(w.box("Text1")); }));
        QCOMPARE(w.box("Text1")->toolTip(), "Mercato chiuso (ultima risposta alle " + since + ")");
    }

    // With the built-in server refusing, the local server is started, at most once a minute.
    void localServerStarted()
    {
        QTcpSocket probe;
        probe.connectToHost("127.0.0.1", 41780);
        if (probe.waitForConnected(1000))
            QSKIP("something listens on the built-in server's port here");
        QTemporaryDir bin; // a stand-in server on PATH
        QVERIFY(QFile::copy("/bin/true", bin.filePath("quotaro-server")));
        const ScopedEnv path("PATH", QFile::encodeName(bin.path()) + ":" + qgetenv("PATH"));
        Principale w("3");
        qunsetenv("QUOTARO_QUOTE_SERVER");
        w.get<QTimer>("Timer2")->setInterval(50);
        w.click("Titolo2");
        QVERIFY(waitFor([&] { return Fermo(w.box("Text1")); })); // three refusals
        QCOMPARE(w.desktop.started, QStringList{bin.filePath("quotaro-server") + " --feed live --idle-exit 600"});
        QCOMPARE(w.desktop.notes, QStringList{"Nessuna quotazione da 127.0.0.1:41780: connessione rifiutata"});
    }

    // The futures code is asked for again after a good poll when the start-up request got
    // none, and once a day after midnight in New York.
    void futuresCodeAskedAgain()
    {
        const ScopedEnv monday("QUOTARO_NOW", "2026-12-07T10:00:00-05:00");
        int codes = 0, quotes = 0;
        Principale w("", true, true, [&](QTcpSocket *s, const QByteArray &request) {
            const bool fut = request.startsWith("GET /browser/fut.txt");
            s->write(!fut ? httpAnswer(ScriviPagina("10:0" + QString::number(++quotes), "1.00", "0.10", "0.90"))
                     : codes++ ? httpAnswer("CZ26") : QByteArray("HTTP/1.1 404 No\r\n\r\n"));
            s->disconnectFromHost();
        });
        auto pollOnce = [&](int n) {
            w.click("Titolo2"), w.click("Titolo2");
            return waitFor([&] { return w.box("Text1")->text() == " 10:0" + QString::number(n); });
        };
        QVERIFY(waitFor([&] { return codes == 1; }) && pollOnce(1));
        QVERIFY(waitFor([&] { return Principale::window<Form3>() && Principale::window<Form3>()->isVisible(); }));
        QVERIFY(pollOnce(2));
        qputenv("QUOTARO_NOW", "2026-12-08T00:01:00-05:00");
        QVERIFY(pollOnce(3) && waitFor([&] { return codes == 3; }));
        QStringList order;
        for (const QByteArray &request : w.server.requests)
            order << (request.startsWith("GET /browser") ? "fut" : "quote");
        QCOMPARE(order, QStringList({"fut", "quote", "fut", "quote", "quote", "fut"}));
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
