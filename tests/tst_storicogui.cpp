// The main window's history file and chart: append rule, file commands, rebuild, tooltip.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QLineSeries>
#include <QtTest>

#include "TestSupport.h"
#include "ui/Form1.h"

namespace {

QString day(int offset = 0) { return QDate::currentDate().addDays(offset).toString(QStringLiteral("dd/MM/yyyy")); }
using Values = QList<double>;

// A history record: four fields in 14-column zones, the date, CR LF.
QByteArray rec(const char *time, const char *close, const char *change, const char *value,
               const QString &date = day())
{
    auto zone = [](const char *field) { return QByteArray(field).leftJustified(14, ' '); };
    return zone(time) + zone(close) + zone(change) + zone(value) + date.toLatin1() + "\r\n";
}

// A main window in its own folder with the shipped settings, following Nasdaq.
struct Main {
    TempHome home;
    RecordingDesktop desktop;
    Form1 form;
    // The start-up futures download goes nowhere.
    Main() { qputenv("QUOTARO_FUTURES_SERVER", "127.0.0.1:9"), form.Form_Load(), form.List1_Click(1); }
};

} // namespace

class TestStoricoGui : public QObject {
    Q_OBJECT
private slots:
    void appendRule_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        // Steps: "time|value|change|close" as the parser hands it over, saving "on" or "off",
        // or the index name.
        const QString riseA = "16:00|9551,12|0,52|9503,34";
        const QString fallA = "16:10|9400,00|0,52|9503,34";  // same digits, other sign
        const QString riseB = "16:15|9600,00|1,02|9503,34";
        const QByteArray recA = rec("16:00", "9503,34", "+ 0,52 %", "9551,12");
        QTest::newRow("first update") << QStringList{riseA} << "Nasdaq.txt"
            << "16:00         9503,34       + 0,52 %      9551,12       " + day().toLatin1() + "\r\n";
        QTest::newRow("same change twice, then sign flip") << QStringList{riseA, "16:05|9560,00|0,52|9503,34", fallA}
            << "Nasdaq.txt" << recA + rec("16:10", "9503,34", "- 0,52 %", "9400,00");
        // No last price: no record, but "- 0,52 %" shown becomes the last change.
        QTest::newRow("blank value") << QStringList{"16:20||0,52|9503,34", fallA} << "Nasdaq.txt" << QByteArray();
        QTest::newRow("on again, change unchanged")
            << QStringList{riseA, "off", riseB, "on", riseB, riseA} << "Nasdaq.txt" << recA + recA;
        QTest::newRow("off, then on with another change") << QStringList{"off", riseA, "on", riseB}
            << "Nasdaq.txt" << rec("16:15", "9503,34", "+ 1,02 %", "9600,00");
        QTest::newRow("slash in the name") << QStringList{"S&P/500", riseA} << "S&P_500.txt" << recA;
    }
    void appendRule()
    {
        QFETCH(QStringList, steps); QFETCH(QString, file); QFETCH(QByteArray, content);
        Main m;
        for (const QString &step : steps) {
            const QStringList q = step.split(u'|');
            if (step == u"on" || step == u"off")
                (step == u"on" ? m.form.salva : m.form.nonsalva)->trigger();
            else if (q.size() == 1)
                m.form.Titolo->setText(step);
            else
                m.form.AggiornaQuotazione({q[0], q[1], q[2], q[3]});
            QCOMPARE(m.form.UltimaVariazione, m.form.Text3->text());
        }
        QCOMPARE(m.home.read(file), content);
    }

    // After a switch, the append, the rebuild and both file commands take the new
    // index's file; Check1 decides whether an update rebuilds.
    void indexSwitchMovesEveryCommand()
    {
        Main m;
        const QString folder = m.home.file("cartella con spazi");
        QVERIFY(QDir().mkdir(folder) && QFile::copy(m.home.file("DatiIndex.cfg"), folder + "/DatiIndex.cfg"));
        qputenv("QUOTARO_HOME", QFile::encodeName(folder)); // TempHome restores it
        auto read = [&](const char *name) { return m.home.read("cartella con spazi/" + QLatin1String(name)); };
        m.form.Check1->setChecked(false);
        m.form.AggiornaQuotazione({"16:00", "9551,12", "0,52", "9503,34"});
        QCOMPARE(m.form.NumeroPunti, 0);
        const QByteArray nasdaq = read("Nasdaq.txt");
        QVERIFY(nasdaq.contains("+ 0,52 %"));

        m.form.List1_Click(2);
        m.form.Check1->setChecked(true);
        m.form.AggiornaQuotazione({"16:01", "9400,00", "1,25", "9503,34"});
        const QByteArray dow = rec("16:01", "9503,34", "- 1,25 %", "9400,00");
        QCOMPARE(read("D.Jones.txt"), dow);
        QCOMPARE(m.form.NumeroPunti, 1);
        m.form.MSChart1_PointSelected(2);
        QCOMPARE(m.form.TooltipGrafico().toLatin1() + "\r\n", dow);
        m.form.ApriFile->trigger();
        QCOMPARE(m.desktop.starts.value(0).arguments, QStringList{folder + "/D.Jones.txt"});

        // Cancella File: No leaves the file, Yes empties it, a failure is told.
        m.form.CancellaFile->trigger();
        QCOMPARE(read("D.Jones.txt"), dow);
        m.desktop.answerYes = true;
        m.form.CancellaFile->trigger();
        QCOMPARE(read("D.Jones.txt"), QByteArray());
        QCOMPARE(read("Nasdaq.txt"), nasdaq);
        QCOMPARE(m.desktop.questions.value(1).title, QStringLiteral("Eliminazione File"));
        QCOMPARE(m.desktop.questions.value(1).text, QStringLiteral("Vuoi veramente cancellare il file del grafico ?"));
        QVERIFY(QFile::remove(folder + "/D.Jones.txt") && QDir(folder).mkpath("D.Jones.txt/inside"));
        m.form.CancellaFile->trigger();
        QVERIFY(m.desktop.errors.value(0).text.startsWith(QStringLiteral("Impossibile")));
        QVERIFY(m.desktop.errors.value(0).text.contains(folder + "/D.Jones.txt"));
    }

    void rebuild_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<Values>("values");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QByteArray>("row3"); // tooltip of the third chart row
        const QColor red(255, 0, 0), green(0, 100, 50);
        const QByteArray upA = rec("16:00", "9503,34", "+ 0,52 %", "9551,12");
        const QByteArray downB = rec("16:05", "9503,34", "- 1,25 %", "9384,55");
        const QByteArray none;
        QTest::newRow("fall then rise") << downB + upA << Values{-1.25, 0.52} << green << upA;
        const QByteArray old = rec("9:30", "1,00", "+ 3,00 %", "2,00", day(-1));
        QTest::newRow("other days skipped, lone CR") << old + upA.chopped(1) + old + downB << Values{0.52, -1.25} << red << downB;
        // A blank change window adds no point but its line still sets the colour.
        QTest::newRow("blank change") << upA + rec("16:10", "9503,34", "", "9384,55") << Values{0.52} << red << none;
        QTest::newRow("a hair below") << rec("16:00", "9503,34", "- 0,01 %", "9503,10") << Values{-0.01} << red << none;
        QTest::newRow("five digits") << rec("16:00", "9998,10", "+ 0,14 %", "10012,5") << Values{0.14} << green << none;
        QTest::newRow("missing file") << QByteArray() << Values{} << red << none;
    }
    void rebuild()
    {
        QFETCH(QByteArray, content); QFETCH(Values, values); QFETCH(QColor, colour); QFETCH(QByteArray, row3);
        Main m;
        // Three red points first, so that shrinking shows.
        m.home.write("Nasdaq.txt", rec("15:00", "2,00", "- 9,00 %", "1,00").repeated(3));
        m.form.Aggiorna->trigger();
        QCOMPARE(m.form.NumeroPunti, 3);
        QList<QPointF> points{m.form.SerieGrafico()->at(0)}; // the placeholder stays first
        QVERIFY(QFile::remove(m.home.file("Nasdaq.txt")));
        if (!content.isNull())
            m.home.write("Nasdaq.txt", content);
        m.form.Command1_Click();
        for (int i = 0; i < values.size(); ++i)
            points << QPointF(i + 2, values[i]);
        QCOMPARE(m.form.NumeroPunti, int(values.size()));
        QCOMPARE(m.form.SerieGrafico()->points(), points);
        QCOMPARE(m.form.SerieGrafico()->pen().color(), colour);
        m.form.MSChart1_PointSelected(3);
        QCOMPARE(m.form.TooltipGrafico().toLatin1(), row3.trimmed());
        m.form.MSChart1_PointSelected(1);
        QCOMPARE(m.form.TooltipGrafico(), QString());
    }
};

QTEST_MAIN(TestStoricoGui)
#include "tst_storicogui.moc"
