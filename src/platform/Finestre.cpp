#include "platform/Finestre.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <cstdlib>
#include <xcb/xcb.h>

namespace platform {

namespace {

// Whether the left button is down at the X server now, whatever Qt's queue still holds:
// when the program was busy, the release may be waiting there behind the press and the
// move. True where this cannot be told (no X server).
bool leftButtonStillDown(QWindow *handle)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return true;
    xcb_query_pointer_reply_t *reply = xcb_query_pointer_reply(
        connection, xcb_query_pointer(connection, xcb_window_t(handle->winId())), nullptr);
    const bool down = reply && (reply->mask & XCB_BUTTON_MASK_1);
    std::free(reply);
    return down;
}

} // namespace

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
    // A move asked for after the release would be ended by no release.
    return handle && leftButtonStillDown(handle) && handle->startSystemMove();
}

} // namespace platform
