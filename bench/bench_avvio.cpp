// Start-up to the first painted main window, and resident memory after start-up, of
// the main window against a minimal Qt Widgets program that shows one window of the
// same size (floor_window, linked with Qt Widgets alone). This program runs itself as a
// child for the main window and for two more references: the minimal window linked like
// the program, and that window holding one chart. Prints figures only.
//
//   bench_avvio [RUNS]      RUNS of each kind (default 11, or $QUOTARO_BENCH_RUNS)
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QLineSeries>
#include <QProcess>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "FirstPaint.h"
#include "platform/Finestre.h"
#include "platform/Desktop.h"
#include "ui/Form1.h"
#include "ui/Layout.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

namespace {

const char *const ChildFlag = "--child";

// One start-up: shows the window of the given kind; FirstPaint prints the figures.
int child(int argc, char **argv, const QString &kind)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quotaro"));
    platform::Desktop desktop(false);
    std::unique_ptr<QWidget> window;
    if (kind == u"quotaro") {
        // As the program starts without arguments.
        auto *form = new Form1(desktop, QString());
        window.reset(form);
        if (!form->Form_Load())
            return 1;
    } else {
        window = std::make_unique<QWidget>();
        window->resize(bench::WindowWidth, bench::WindowHeight);
        if (kind == u"chart") {
            auto *series = new QLineSeries;
            series->append(1, 0);
            auto *chart = new QChart;
            chart->addSeries(series);
            chart->createDefaultAxes();
            auto *view = new QChartView(chart, window.get());
            view->setGeometry(platform::pxRect(90, 765, 6195, 2580));
        }
    }
    bench::FirstPaint watch(window.get());
    return watch.run();
}

struct Sample {
    double painted = -1;
    double spawn = -1;
    double rssKiB = -1;
};

Sample runChild(const QString &kind, const QString &home)
{
    Sample s;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUOTARO_HOME"), home);
    // Nobody listens on the discard port: the start-up futures download fails at once.
    env.insert(QStringLiteral("QUOTARO_QUOTE_SERVER"), QStringLiteral("127.0.0.1:9"));
    env.insert(QStringLiteral("QUOTARO_FUTURES_SERVER"), QStringLiteral("127.0.0.1:9"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.speech*=false"));
    env.insert(QStringLiteral("QUOTARO_BENCH_SPAWN_MS"), QString::number(bench::boottimeMs(), 'f', 3));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    if (kind == u"floor")
        p.start(QStringLiteral(QUOTARO_FLOOR_WINDOW), {});
    else
        p.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(ChildFlag), kind});
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(5000);
        return s;
    }
    const QList<QByteArray> words = p.readAllStandardOutput().trimmed().split(' ');
    if (words.size() == 6 && words[0] == "painted") {
        s.painted = words[1].toDouble();
        s.spawn = words[3].toDouble();
        s.rssKiB = words[5].toDouble();
    }
    return s;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], ChildFlag) == 0)
        return child(argc, argv, QString::fromLatin1(argv[2]));

    QCoreApplication app(argc, argv);
    QString screen;
    const int rerun = bench::rerunOnVirtualScreen(argc, argv, &screen);
    if (rerun >= 0)
        return rerun;

    int runs = argc > 1 ? atoi(argv[1]) : qEnvironmentVariableIntValue("QUOTARO_BENCH_RUNS");
    if (runs <= 0)
        runs = 11;
    QTemporaryDir home;
    if (!home.isValid() || !bench::fillHome(home.path())) {
        std::fprintf(stderr, "no temporary application folder\n");
        return 0;
    }

    const QStringList kinds{QStringLiteral("floor"), QStringLiteral("minimal"), QStringLiteral("chart"),
                            QStringLiteral("quotaro")};
    std::map<QString, std::vector<Sample>> samples;
    // One start of each first, to fill the disk cache; then the kinds take turns.
    for (const QString &kind : kinds)
        runChild(kind, home.path());
    int failed = 0;
    for (int run = 0; run < runs; ++run) {
        for (const QString &kind : kinds) {
            const Sample s = runChild(kind, home.path());
            if (s.painted < 0)
                ++failed;
            else
                samples[kind].push_back(s);
        }
    }

    auto med = [&](const QString &kind, double Sample::*field) {
        std::vector<double> v;
        for (const Sample &s : samples[kind])
            v.push_back(s.*field);
        return bench::median(v);
    };
    std::printf("Start-up to the first painted window and resident memory 1 s later, median of %d starts "
                "(%s)\n\n", runs, qPrintable(screen));
    std::printf("%-36s %12s %14s %10s\n", "program", "spawn ms", "/proc start ms", "RSS MiB");
    const char *names[] = {"minimal Qt Widgets program (floor)", "the same, linked like Quotaro",
                           "the same with one chart", "Quotaro main window"};
    for (int i = 0; i < kinds.size(); ++i) {
        std::printf("%-36s %12.1f %14.1f %10.1f\n", names[i], med(kinds[i], &Sample::spawn),
                    med(kinds[i], &Sample::painted), med(kinds[i], &Sample::rssKiB) / 1024);
    }
    const double floorTime = med(QStringLiteral("floor"), &Sample::spawn);
    const double floorRss = med(QStringLiteral("floor"), &Sample::rssKiB);
    const double chartRss = med(QStringLiteral("chart"), &Sample::rssKiB) - med(QStringLiteral("minimal"), &Sample::rssKiB);
    const double time = med(QStringLiteral("quotaro"), &Sample::spawn);
    const double rss = med(QStringLiteral("quotaro"), &Sample::rssKiB);
    std::printf("\nstart-up ratio:                          %.2f  (aim: at most 1.5)\n", time / floorTime);
    std::printf("memory ratio:                            %.2f\n", rss / floorRss);
    std::printf("chart (with one chart - linked like Quotaro): %.1f MiB\n", chartRss / 1024);
    std::printf("memory against 1.5 x floor + chart:      %.1f MiB of %.1f MiB (%.2f; aim: at most 1)\n",
                rss / 1024, (1.5 * floorRss + chartRss) / 1024, rss / (1.5 * floorRss + chartRss));
    std::printf("\nspawn ms: from the parent's clock just before starting the child to the end of its first\n"
                "paint cycle; /proc start ms: from the child's start time in /proc/self/stat (10 ms steps)\n"
                "to the same moment. RSS: VmRSS one second after that paint.\n");
    if (failed)
        std::printf("%d starts gave no figures\n", failed);
    return 0;
}
