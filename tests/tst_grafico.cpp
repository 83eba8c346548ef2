// The chart: what it shows for today's points, and its rebuild from a history file with
// the tooltip of a picked point.
#include <QChart>
#include <QLineSeries>
#include <QtTest>

#include "TestSupport.h"
#include "history/VistaGrafico.h"
#include "ui/GraficoIndice.h"

using Values = QList<double>;

class GraficoTest : public QObject {
    Q_OBJECT
private slots:
    void vista_data() {
        // colour as read from the file: 0 none of today, 1 red, 2 green; axes: x end, y min, y max, x step
        QTest::addColumn<Values>("values"); QTest::addColumn<int>("colour");
        QTest::addColumn<Values>("axes"); QTest::addColumn<bool>("markers");
        QTest::newRow("no point") << Values{} << 0 << Values{2, -0.05, 0.05, 1} << true;
        QTest::newRow("one rise") << Values{0.5} << 2 << Values{2, -0.05, 0.55, 1} << true;
        QTest::newRow("fall and rise") << Values{-1, 1} << 1 << Values{3, -1.2, 1.2, 1} << true;
        QTest::newRow("500 points") << Values(500, 0.1) << 2 << Values{501, -0.05, 0.15, 100} << true;
        QTest::newRow("501 points") << Values(501, 0.1) << 2 << Values{502, -0.05, 0.15, 100} << false;
    }
    void vista() {
        QFETCH(Values, values); QFETCH(int, colour); QFETCH(Values, axes); QFETCH(bool, markers);
        // Its points: rebuild().
        const VistaGrafico v = CalcolaVista({{}, values, colour});
        QVERIFY(v.FineX == axes[0] && qFuzzyCompare(v.MinimoY + 10, axes[1] + 10));
        QVERIFY(qFuzzyCompare(v.MassimoY, axes[2]));
        QVERIFY(v.PassoX == axes[3] && v.Segni == markers && v.NuovoColore == (colour != 0));
        QVERIFY(!colour || v.Colore == (colour == 1 ? QColor(255, 0, 0) : QColor(0, 100, 50)));
    }

    // More points than pixel columns: each column keeps its lowest and highest, the line its end.
    void thinning() {
        PuntiGrafico punti;
        for (int i = 0; i < 1000; ++i)
            punti.Valori << (i == 500 ? 9 : i == 501 ? -9 : i == 999 ? 0.15 : i % 3 * 0.1);
        const QList<QPointF> drawn = CalcolaVista(punti, 10).Punti;
        QVERIFY(drawn.size() <= 1 + 2 * 11 + 1);
        QVERIFY(drawn.contains(QPointF(502, 9)) && drawn.contains(QPointF(503, -9)));
        QCOMPARE(drawn.last(), QPointF(1001, 0.15)); // neither its column's lowest nor highest
        QVERIFY(std::is_sorted(drawn.begin(), drawn.end(), [](QPointF a, QPointF b) { return a.x() < b.x(); }));
    }

    void rebuild_data() {
        // content null: no file; row3: the tooltip of the third chart row
        QTest::addColumn<QByteArray>("content"); QTest::addColumn<Values>("values");
        QTest::addColumn<QColor>("colour"); QTest::addColumn<QByteArray>("row3");
        const QColor red(255, 0, 0), green(0, 100, 50);
        const QByteArray none;
        const QByteArray upA = rec("16:00", "9503,34", "+ 0,52 %", "9551,12");
        const QByteArray downB = rec("16:05", "9503,34", "- 1,25 %", "9384,55");
        const QByteArray old = rec("9:30", "1,00", "+ 3,00 %", "2,00", day(-1));
        QTest::newRow("fall then rise") << downB + upA << Values{-1.25, 0.52} << green << upA;
        QTest::newRow("other days skipped, lone CR") << old + upA.chopped(1) + old + downB << Values{0.52, -1.25}
                                                     << red << downB;
        // A blank change adds no point, but its line still sets the colour.
        QTest::newRow("blank change") << upA + rec("16:10", "9503,34", "", "9384,55") << Values{0.52} << red << none;
        QTest::newRow("a hair below") << rec("16:00", "9503,34", "- 0,01 %", "9503,10") << Values{-0.01} << red << none;
        QTest::newRow("equal") << rec("16:00", "9503,34", "+ 0,00 %", "9503,34") << Values{0} << green << none;
        QTest::newRow("five digits") << rec("16:00", "9998,10", "+ 0,14 %", "10012,5") << Values{0.14} << green << none;
        const QByteArray unreadable = rec("16:10", "9503,34", "0,10 %", "9,9,9"); // as the boxes: no colour change
        QTest::newRow("unreadable value") << upA + unreadable << Values{0.52, 0.1} << green << unreadable;
        QTest::newRow("missing file") << none << Values{} << red << none;
    }
    void rebuild() {
        QFETCH(QByteArray, content); QFETCH(Values, values); QFETCH(QColor, colour); QFETCH(QByteArray, row3);
        TempHome home; GraficoIndice chart;
        auto *series = static_cast<QLineSeries *>(chart.chart()->series().first());
        // Three red points first, so that shrinking shows.
        home.write("Nasdaq.txt", rec("15:00", "2,00", "- 9,00 %", "1,00").repeated(3));
        chart.Ricostruisci(home.file("Nasdaq.txt"), day());
        QVERIFY(series->count() == 4 && QFile::remove(home.file("Nasdaq.txt")));
        if (!content.isNull()) home.write("Nasdaq.txt", content);
        chart.Ricostruisci(home.file("Nasdaq.txt"), day());
        QList<QPointF> points{{1, 0}};
        for (double v : values)
            points << QPointF(points.size() + 1, v);
        QCOMPARE(series->points(), points);
        QCOMPARE(series->pen().color(), colour);
        QVERIFY(chart.Riga(3).toLatin1() == row3.trimmed() && chart.Riga(1).isEmpty());
    }

    // A click picks the drawn point nearest it in both directions, within a few pixels; elsewhere none (row 0).
    void picking_data() {
        QTest::addColumn<int>("count"); QTest::addColumn<QPointF>("at"); QTest::addColumn<int>("row");
        QTest::newRow("3000 points, spike") << 3000 << QPointF(1501, 2) << 1501;
        QTest::newRow("300 points, edge of a marker") << 300 << QPointF(149.6, 2) << 151;
        QTest::newRow("on the line, far from points") << 300 << QPointF(151, 1) << 0;
    }
    void picking() {
        QFETCH(int, count); QFETCH(QPointF, at); QFETCH(int, row); TempHome home; GraficoIndice chart;
        for (int i = 1; i <= count; ++i) // the spike is the record in row count / 2 + 1
            home.write("N.txt", home.read("N.txt") + rec("16:00", "1", i == count / 2 ? "+ 2,00 %" : "+ 0,10 %", "1"));
        chart.resize(412, 174), chart.show(), chart.Ricostruisci(home.file("N.txt"), day());
        QSignalSpy picked(&chart, &GraficoIndice::PuntoSelezionato);
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        QTest::qWait(50); // laid out
        const QPointF p = chart.chart()->mapToScene(chart.chart()->mapToPosition(at, chart.chart()->series()[0]));
        QTest::mouseClick(chart.viewport(), Qt::LeftButton, {}, chart.mapFromScene(p));
        QCOMPARE(picked.value(0).value(0, -1).toInt(), row);
        QCOMPARE(chart.Riga(row).contains("2,00"), row != 0);
    }
};

QTEST_MAIN(GraficoTest)
#include "tst_grafico.moc"
