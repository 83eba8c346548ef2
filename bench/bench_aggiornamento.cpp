// The chart's part of one quote update, from the appended record to the painted chart,
// with history files of 1,000,000 lines against an empty history file. Prints figures only.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "history/Storico.h"
#include "platform/FileSistema.h"
#include "ui/GraficoIndice.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 41;

bool writeHistory(const QString &path, int lines, int todayLines)
{
    const QDate day = QDate::currentDate();
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray block;
    for (int n = 0; n < lines; ++n) {
        const int minute = n % 600;
        const QString time = QStringLiteral("%1:%2").arg(9 + minute / 60).arg(minute % 60, 2, 10, QLatin1Char('0'));
        const QString change = QStringLiteral("%1 %2,%3 %").arg(n % 3 ? '+' : '-').arg(n % 4).arg(n % 100, 2, 10, QLatin1Char('0'));
        const QString value = QStringLiteral("%1,%2").arg(9400 + n % 200).arg(n % 100, 2, 10, QLatin1Char('0'));
        block += ScriviRecord(time, QStringLiteral("9503,34"), change, value,
                              TestoData(n >= lines - todayLines ? day : day.addDays(-1)));
        if (block.size() > (1 << 20) || n == lines - 1) {
            if (f.write(block) != block.size())
                return false;
            block.clear();
        }
    }
    return true;
}

// Counts the paints of the chart, to wait for the one after an update.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

double ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

struct Figures {
    double firstRead = 0; // the whole file ("Aggiorna")
    double rebuild = 0;   // after one appended record
    double painted = 0;   // the same until the chart has been painted
    int points = 0;
};

Figures measure(GraficoIndice &chart, PaintCounter &counter, const QString &path, int lines, int today)
{
    Figures f;
    if (lines > 0)
        writeHistory(path, lines, today);
    else
        platform::recreateEmpty(path, nullptr);
    const QString oggi = TestoData(QDate::currentDate());
    QElapsedTimer t;
    t.start();
    chart.Dimentica();
    chart.Ricostruisci(path, oggi);
    f.firstRead = ms(t);
    QApplication::processEvents();
    std::vector<double> rebuild, painted;
    for (int run = 0; run < Runs + 3; ++run) {
        platform::appendRecord(path, ScriviRecord(QStringLiteral("15:59"), QStringLiteral("9503,34"),
                                                  QStringLiteral("+ 0,%1 %").arg(run % 90 + 10),
                                                  QStringLiteral("9551,12"), oggi), nullptr);
        const int paintsBefore = counter.paints;
        t.restart();
        chart.Ricostruisci(path, oggi);
        const double alone = ms(t);
        for (int pass = 0; pass < 5 && counter.paints == paintsBefore; ++pass)
            QApplication::processEvents();
        if (run >= 3) // warm-up
            rebuild.push_back(alone), painted.push_back(ms(t));
    }
    f.rebuild = bench::median(rebuild);
    f.painted = bench::median(painted);
    f.points = chart.NumeroPunti();
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral("Nasdaq.txt"));
    GraficoIndice chart;
    chart.resize(413, 172); // its size in the main window
    chart.show();
    PaintCounter counter;
    chart.viewport()->installEventFilter(&counter);

    struct Case { const char *name; int lines; int today; };
    // A day of polls every 5 s from 9:30 to 16:00 gives 4,680 records.
    const Case cases[] = {
        {"empty history file (the floor)", 0, 0},
        {"1,000,000 lines, 21,950 of today", 1000000, 21950},
        {"1,000,000 lines, 4,680 of today", 1000000, 4680},
        {"4,680 lines, all of today", 4680, 4680},
    };
    std::printf("The chart after one appended record, median of %d updates; times in ms\n\n", Runs);
    std::printf("%-34s %9s %9s %7s %10s %7s\n", "history file", "rebuild", "painted", "ratio", "1st read", "points");
    double floor = 0;
    for (const Case &c : cases) {
        const Figures f = measure(chart, counter, path, c.lines, c.today);
        floor = floor > 0 ? floor : f.painted;
        std::printf("%-34s %9.3f %9.3f %7.2f %10.1f %7d\n", c.name, f.rebuild, f.painted, f.painted / floor,
                    f.firstRead, f.points);
    }
    std::printf("\nrebuild: Ricostruisci alone; painted: until the chart has been painted (offscreen);\n"
                "ratio: painted against the empty history file; 1st read: the whole file, once\n");
    return 0;
}
