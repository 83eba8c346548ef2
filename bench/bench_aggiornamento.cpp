// One quote update in the main window, from the server's close to the painted chart:
// boxes, history record and chart rebuild, with a history file of 1,000,000 lines
// against the same update with an empty history file. Prints figures only.
#include <QApplication>
#include <QChartView>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QLineSeries>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "platform/FileSistema.h"
#include "history/Storico.h"
#include "quote/PaginaQuotazione.h"
#include "ui/Form1.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int HistoryLines = 1000000;
constexpr int TodayRecords = 22000;
constexpr int Runs = 41;

// A quote answer as the quote server writes it.
QByteArray quoteAnswer(const QString &time12, const QString &last, const QString &change,
                       const QString &close)
{
    const QByteArray page = ScriviPagina(time12, last, change, close);
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: "
           + QByteArray::number(page.size()) + "\r\n\r\n" + page;
}

bool writeHistory(const QString &path, int lines, int todayLines)
{
    const QDate day = QDate::currentDate();
    const QString today = TestoData(day);
    const QString otherDay = TestoData(day.addDays(-1));
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
                              n >= lines - todayLines ? today : otherDay);
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
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

double ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

struct Figures {
    double firstRebuild = 0; // whole file read ("Aggiorna")
    double update = 0;       // WscHttp_Close: boxes, record, chart rebuild
    double painted = 0;      // the same until the chart has been painted
    double rebuildOnly = 0;  // Command1_Click with nothing appended
    double replaceOnly = 0;  // the series' replace and the axis ranges alone
    qint64 points = 0;
    qint64 bytesRead = 0;    // by the last update's rebuild
    int repaints = 0;        // updates that repainted the chart
};

Figures measure(Form1 &form, PaintCounter &counter, int lines, int todayLines)
{
    Figures f;
    const QString path = form.FileStorico();
    if (lines > 0) {
        if (!writeHistory(path, lines, todayLines))
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    } else {
        platform::recreateEmpty(path, nullptr);
    }
    QElapsedTimer t;
    t.start();
    form.Aggiorna_Click();
    f.firstRebuild = ms(t);
    QApplication::processEvents();

    std::vector<double> update, painted, rebuild, replace;
    for (int run = 0; run < Runs + 3; ++run) {
        // Each answer carries another change, so each update appends a record.
        const int c = run % 90 + 10;
        form.BufferRisposta = QString::fromLatin1(
            quoteAnswer(QStringLiteral("3:%1pm").arg(c % 60, 2, 10, QLatin1Char('0')), QStringLiteral("9,551.12"),
                        QStringLiteral("%1%2%").arg(run % 2 ? "-" : "+").arg(double(c) / 100, 0, 'f', 2),
                        QStringLiteral("9,503.34")));
        const int paintsBefore = counter.paints;
        t.restart();
        form.WscHttp_Close();
        const double handler = ms(t);
        // The repaint comes a few event passes later, when anything changed at all.
        for (int pass = 0; pass < 5 && counter.paints == paintsBefore; ++pass)
            QApplication::processEvents();
        const double toPaint = ms(t);
        if (run >= 3 && counter.paints != paintsBefore)
            ++f.repaints;
        f.bytesRead = form.LettoreGrafico.ByteLetti();

        t.restart();
        form.Command1_Click();
        const double rebuildNothingNew = ms(t);
        QApplication::processEvents();

        const QList<QPointF> points = form.SerieGrafico()->points();
        t.restart();
        form.SerieGrafico()->replace(points);
        const double replaceAlone = ms(t);
        QApplication::processEvents();
        if (run < 3)
            continue; // warm-up
        update.push_back(handler);
        painted.push_back(toPaint);
        rebuild.push_back(rebuildNothingNew);
        replace.push_back(replaceAlone);
    }
    f.update = bench::median(update);
    f.painted = bench::median(painted);
    f.rebuildOnly = bench::median(rebuild);
    f.replaceOnly = bench::median(replace);
    f.points = form.NumeroPunti;
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid() || !bench::fillHome(home.path())) {
        std::fprintf(stderr, "no temporary application folder\n");
        return 0;
    }
    qputenv("QUOTARO_HOME", QFile::encodeName(home.path()));
    // Nobody listens on the discard port: the start-up futures download fails at once.
    qputenv("QUOTARO_QUOTE_SERVER", "127.0.0.1:9");
    qputenv("QUOTARO_FUTURES_SERVER", "127.0.0.1:9");
    QApplication app(argc, argv);

    Form1 form;
    if (!form.Form_Load()) {
        std::fprintf(stderr, "the main window did not load\n");
        return 0;
    }
    form.List1_Click(1);
    form.show();
    PaintCounter counter;
    form.MSChart1->viewport()->installEventFilter(&counter);
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    struct Case {
        const char *name;
        int lines;
        int today;
    };
    // A day of polls every 5 s from 9:30 to 16:00 gives 4,680 records.
    const Case cases[] = {
        {"empty history file (the floor)", 0, 0},
        {"1,000,000 lines, 22,000 of today", HistoryLines, TodayRecords},
        {"1,000,000 lines, 21,950 of today", HistoryLines, TodayRecords - 50},
        {"1,000,000 lines, 4,680 of today", HistoryLines, 4680},
        {"4,680 lines, all of today", 4680, 4680},
    };
    std::vector<Figures> figures;
    for (const Case &c : cases)
        figures.push_back(measure(form, counter, c.lines, c.today));
    QFile::remove(form.FileStorico());

    std::printf("One quote update in the main window (WscHttp_Close: boxes, record, chart rebuild),\n"
                "median of %d updates, each appending one record; times in ms\n\n", Runs);
    std::printf("%-34s %9s %7s %9s %7s %9s %9s %10s %7s %7s %9s\n", "history file", "update", "ratio",
                "painted", "ratio", "rebuild", "layout", "1st read", "points", "read B", "repaints");
    const Figures &floor = figures.front();
    for (size_t i = 0; i < figures.size(); ++i) {
        const Figures &f = figures[i];
        std::printf("%-34s %9.3f %7.2f %9.3f %7.2f %9.3f %9.3f %10.1f %7lld %7lld %9d\n", cases[i].name,
                    f.update, f.update / floor.update, f.painted, f.painted / floor.painted, f.rebuildOnly,
                    f.replaceOnly, f.firstRebuild, f.points, f.bytesRead, f.repaints);
    }
    std::printf("\nupdate:  WscHttp_Close alone; ratio against the empty history file\n"
                "painted: from WscHttp_Close until the chart has been painted (offscreen), or until\n"
                "         5 event passes found nothing to paint\n"
                "rebuild: Command1_Click with nothing appended since the last one\n"
                "layout:  the series' replace with the same %s points (one layout of all points)\n"
                "1st read: Aggiorna (whole file read and chart), once; read B: bytes the last update read;\n"
                "repaints: updates (of %d) after which the chart was repainted\n",
                "NumeroPunti + 1", Runs);
    return 0;
}
