// Alerts: typed numbers, the crossing rule, Avvisi.cfg, and the alert window in the running program.
#include <QtTest>
#include <QtWidgets>

#include "TestSupport.h"
#include "alerts/Avvisi.h"
#include "ui/Form2.h"
#include "ui/Form4.h"

using Opt = std::optional<double>;
Q_DECLARE_METATYPE(Opt)
Q_DECLARE_METATYPE(LivelliAvviso)
using Lettura = std::optional<LetturaAvvisi>;
Q_DECLARE_METATYPE(Lettura)
static const QDate Oggi(2026, 12, 7);
static Lettura L(Opt valore, double variazione = 0, int giorno = 0) {
    return valore ? std::optional(LetturaAvvisi{*valore, variazione, Oggi.addDays(giorno)}) : std::nullopt;
}
static QString Bit(ArmatiAvvisi a) { return QString("%1%2%3").arg(a.Sopra).arg(a.Sotto).arg(a.Variazione); }
// Types the levels above and of the change in the alert window of the main window, and stores them.
static Form4 *store(const Principale &p, const QString &above, const QString &change) {
    p.click("Avvisi");
    auto *w = Principale::window<Form4>();
    if (!w)
        return nullptr;
    w->findChild<QLineEdit *>("Text1")->setText(above), w->findChild<QLineEdit *>("Text3")->setText(change);
    QTest::mouseClick(w->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    return w;
}

class TestAvvisi : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("QUOTARO_NOW", "2026-12-07T11:00:00-05:00"); } // the market open: alerts can fire
    void number_data() {
        QTest::addColumn<QString>("text"); QTest::addColumn<Opt>("value");
        for (const auto &[yes, value] :
             {std::pair{"21500", 21500.0}, {" 1.021.500 ", 1021500.0}, {"21.500,25", 21500.25}, {"-1,5", -1.5}})
            QTest::newRow(yes) << yes << Opt(value);
        for (const char *no : {"", "abc", "21.5", "21,500.5", "21500,", ",5", "2 1500", "21.50", "1e3"})
            QTest::newRow(no) << no << Opt();
    }
    void number() { QFETCH(QString, text); QTEST(LeggiNumeroItaliano(text), "value"); }
    void crossing_data() {
        // result: the alerts fired, then the alerts armed after.
        QTest::addColumn<LivelliAvviso>("levels"); QTest::addColumn<Lettura>("before");
        QTest::addColumn<Lettura>("now"); QTest::addColumn<QString>("armed"); QTest::addColumn<QString>("result");
        const LivelliAvviso s{21500, {}, {}}, b{{}, 21000, {}}, v{{}, {}, 1.5};
        QTest::newRow("rises above") << s << L(21490) << L(21510) << "111" << "100 011";
        QTest::newRow("equal to the level") << s << L(21490) << L(21500) << "111" << "000 111";
        QTest::newRow("first of the day beyond") << s << L({}) << L(21510) << "011" << "100 011";
        QTest::newRow("day boundary") << s << L(21510, 0, -1) << L(21510) << "011" << "100 011";
        QTest::newRow("stays above") << s << L(21510) << L(21600) << "011" << "000 011";
        QTest::newRow("hovers in margin") << s << L(21510) << L(21479) << "011" << "000 011";
        QTest::newRow("re-armed at margin") << s << L(21510) << L(21478.5) << "011" << "000 111";
        QTest::newRow("falls below") << b << L(21010) << L(20990) << "111" << "010 101";
        QTest::newRow("equal to the lower level") << b << L(21010) << L(21000) << "111" << "000 111";
        QTest::newRow("below re-armed") << b << L(20990) << L(21021) << "101" << "000 111";
        QTest::newRow("change on a fall") << v << L(1, -1.4) << L(1, -1.6) << "111" << "001 110";
        QTest::newRow("unreadable price") << s << L(21490) << L({}) << "011" << "000 011";
    }
    void crossing() {
        QFETCH(LivelliAvviso, levels); QFETCH(Lettura, before); QFETCH(Lettura, now); QFETCH(QString, armed);
        const EsitoAvvisi e = ValutaAvvisi(levels, before, now, {armed[0] == '1', armed[1] == '1', armed[2] == '1'});
        QTEST(Bit({e.Sopra, e.Sotto, e.Variazione}) + ' ' + Bit(e.Armati), "result");
    }
    void readings() {
        QCOMPARE(LetturaDaTesti(" 21512,30", "- 1,20 %", Oggi)->Variazione, -1.2);
        QVERIFY(!LetturaDaTesti(" ", "+ 0,0 %", Oggi) && !LetturaDaTesti(" 1,2,3", "1,20 %", Oggi));
        const auto m = MessaggiAvvisi("Nasdaq", {21500, {}, 1.5}, {true, false, true, {}}, " 21512,30", "+ 1,60 %",
                                      " 16:05");
        QCOMPARE(m.size() == 2 ? m[0].Notifica + '|' + m[1].Voce : QString(),
                 "Nasdaq sopra 21.500: 21.512,30, + 1,60 %, ore 16:05|Nasdaq variazione oltre 1,5 per cento");
    }
    void file() {
        FileAvvisi f = LeggiAvvisi("Nasdaq, 21.500 ,,\"-1,5\"\n\"Nasdaq\",\"1\"\n\"D.Jones\",\"abc\"\n,21500\r\n"
                                   "\"Fut\u00f9res\",\"1\",\"2\",\"3\",\"4\"\n");
        QCOMPARE(f.Livelli("Nasdaq"), (LivelliAvviso{21500, {}, 1.5}));
        QCOMPARE(f.Illeggibili().size(), 3);
        QCOMPARE(f.Illeggibili()[1].Numero, 4);
        f.Imposta("D.Jones", {{}, 43000.5, {}}), f.Imposta("Nasdaq", {});
        QCOMPARE(ScriviAvvisi(f), "\"D.Jones\",\"abc\"\r\n,21500\r\n\"Fut\u00f9res\",\"1\",\"2\",\"3\",\"4\"\r\n"
                                  "\"D.Jones\",\"\",\"43000,5\",\"\"\r\n");
        QCOMPARE(LeggiAvvisi(ScriviAvvisi(f)).Livelli("D.Jones"), (LivelliAvviso{{}, 43000.5, {}}));
    }
    // One instance notices the levels another stores; a crossing is told once, by one of them.
    void twoInstances() {
        Principale p("1");
        RecordingDesktop d2;
        Form1 second(d2, "1");
        QVERIFY(second.Form_Load());
        auto poll = [&](Form1 &f, const QString &time, const QString &value) {
            p.server.handler = ScriptedServer::reply(httpAnswer(ScriviPagina(time, value, "0.52", "9503.34")));
            auto *go = f.findChild<QAction *>("Titolo2");
            go->trigger(), go->trigger(), go->trigger();
            return waitFor([&] { return f.findChild<QLineEdit *>("Text1")->text() == ' ' + time; });
        };
        auto *tip = second.findChild<QLineEdit *>("Text2");
        QVERIFY(poll(second, "16:04", "9612.50") && tip->toolTip().isEmpty());
        p.home.write("Avvisi.cfg", "\"Nasdaq\",\"abc\"\n");
        emit p.box("Text4")->customContextMenuRequested({});
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu && menu->actions().contains(p.get<QAction>("Avvisi")));
        menu->close();
        Form4 *w = store(p, "96OO", "-1,5"); // not a number: nothing stored, the window stays
        QVERIFY(w && w->isVisible() && !w->findChild<QLabel *>("Label4")->text().isEmpty());
        QCOMPARE(w->windowTitle() + ' ' + p.get<QAction>("Avvisi")->shortcut().toString(),
                 "Avvisi \u2014 Nasdaq Ctrl+L");
        QCOMPARE(p.home.read("Avvisi.cfg"), "\"Nasdaq\",\"abc\"\n");
        QVERIFY(store(p, "9.600", "-1,5") && !w->isVisible() && w->findChild<QLabel *>("Label4")->text().isEmpty());
        QVERIFY(waitFor([&] { return tip->toolTip() == "Avviso: Nasdaq sopra 9.600"; }));
        p.get<QCheckBox>("Check3")->click();
        QVERIFY(poll(*p.form, "16:05", "9612.50") && poll(second, "16:06", "9615.00"));
        QVERIFY(poll(*p.form, "16:07", "9620.00"));
        const QString damaged =
            "Riga 1 del file \"" + p.home.file("Avvisi.cfg") + "\" illeggibile, ignorata: \"Nasdaq\",\"abc\"";
        QCOMPARE(p.desktop.notes, (QStringList{damaged, "Nasdaq sopra 9.600: 9.612,50, + 0,52 %, ore 16:05"}));
        QCOMPARE(p.desktop.spoken, (QStringList{"Voce attivata", "Nasdaq sopra 9600"}));
        QCOMPARE(d2.notes, QStringList{damaged});
        QCOMPARE(p.home.read("Avvisi.cfg"), "\"Nasdaq\",\"abc\"\r\n\"Nasdaq\",\"9600\",\"\",\"1,5\"\r\n");
        QCOMPARE(p.box("Text3")->toolTip(), "Avviso: Nasdaq sopra 9.600");
        QCOMPARE(Principale::window<Form2>()->findChild<QLineEdit *>("Text2")->toolTip(),
                 "Valore attuale\nAvviso: Nasdaq sopra 9.600");
    }
    // Where the shared state cannot be written, the instance tells a crossing once all the same.
    void stateNotWritable() {
        Principale p("1");
        QVERIFY(QDir(p.home.path()).mkdir("Nasdaq.txt.avvisi"));
        p.home.write("Avvisi.cfg", "\"Nasdaq\",\"9.600\"\n");
        qputenv("QUOTARO_NOW", "2026-12-12T11:00:00-05:00"); // a Saturday: a closed market's reading fires nothing
        QVERIFY(p.poll("16:04|9612.50|0.52|9503.34"));
        qputenv("QUOTARO_NOW", "2026-12-07T11:00:00-05:00");
        QVERIFY(p.poll("16:05|9612.50|0.52|9503.34") && p.poll("16:06|9615.00|0.52|9503.34"));
        QCOMPARE(p.desktop.notes, QStringList{"Nasdaq sopra 9.600: 9.612,50, + 0,52 %, ore 16:05"});
    }
};

QTEST_MAIN(TestAvvisi)
#include "tst_avvisi.moc"
