#include "platform/Finestre.h"

#include <QWidget>
#include <QWindow>
#include <cmath>

namespace platform {

int px(double twips)
{
    return int(std::lround(twips / TwipsPerPixel));
}

double twips(int pixels)
{
    return double(pixels) * TwipsPerPixel;
}

QRect pxRect(double left, double top, double width, double height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

void setStaysOnTop(QWidget *window, bool on)
{
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    const bool wasVisible = window->isVisible();
    const QPoint position = window->pos();
    // Changing the flag hides a shown window; show it again where it was.
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (wasVisible) {
        window->move(position);
        window->show();
    }
}

bool startSystemMove(QWidget *window)
{
    QWindow *handle = window->windowHandle();
    return handle && handle->startSystemMove();
}

} // namespace platform
