// The floor of bench_avvio: a minimal Qt Widgets program that shows one window of the
// main window's size, linked with Qt Widgets alone.
#include <QApplication>
#include <QWidget>

#include "FirstPaint.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(bench::WindowWidth, bench::WindowHeight);
    bench::FirstPaint watch(&window);
    return watch.run();
}
