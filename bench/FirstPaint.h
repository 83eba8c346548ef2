#pragma once
// The child side of the start-up benchmark: notes when a window's first paint cycle
// ends, waits for the start-up to settle and prints the figures on one line:
//   painted MS spawn MS rss KIB
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

#include "BenchSupport.h"

namespace bench {

// The main window's client area, 6330 x 3420 twips at 15 twips a pixel.
constexpr int WindowWidth = 422;
constexpr int WindowHeight = 228;

class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget *window) : window_(window) { qApp->installEventFilter(this); }

    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (!seen_ && event->type() == QEvent::Paint && object->isWidgetType()
            && static_cast<QWidget *>(object)->window() == window_) {
            seen_ = true;
            // Runs once the whole window has been painted in this cycle.
            QTimer::singleShot(0, this, [this] {
                paintedMs_ = msSinceProcessStart();
                const double spawn = qEnvironmentVariable("QUOTARO_BENCH_SPAWN_MS").toDouble();
                sinceSpawnMs_ = spawn > 0 ? boottimeMs() - spawn : -1;
                // The memory once the start-up has settled, a second later.
                QTimer::singleShot(1000, this, [this] {
                    std::printf("painted %.1f spawn %.2f rss %ld\n", paintedMs_, sinceSpawnMs_,
                                statusKiB(0, "VmRSS"));
                    std::fflush(stdout);
                    QApplication::exit(0);
                });
            });
        }
        return false;
    }

    // Shows the window and runs until the figures are printed (or 20 s without a paint).
    int run()
    {
        window_->show();
        QTimer::singleShot(20000, this, [] {
            std::printf("no paint\n");
            QApplication::exit(1);
        });
        return QApplication::exec();
    }

private:
    QWidget *window_;
    bool seen_ = false;
    double paintedMs_ = -1;    // since the start time in /proc (10 ms steps)
    double sinceSpawnMs_ = -1; // since the parent's stamp just before starting us
};

} // namespace bench
