#include "platform/Finestre.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <cstdlib>
#include <cstring>
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

// Asks the window manager to put the window into the always-on-top band or out of it.
// Qt's flag may say it is there while the window manager took it out (its menu, a
// pager, another program): only the window manager's state counts.
void sendAboveState(QWindow *handle, bool on)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    auto atom = [connection](const char *name) {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return found;
    };
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = xcb_window_t(handle->winId());
    message.type = atom("_NET_WM_STATE");
    message.data.data32[0] = on ? 1 : 0; // add, remove
    message.data.data32[1] = atom("_NET_WM_STATE_ABOVE");
    message.data.data32[3] = 1; // asked by an application
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);
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

void centreOnScreen(QWidget *window)
{
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        const QSize outer = window->frameGeometry().size();
        window->move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
    }
}

void setStaysOnTop(QWidget *window, bool on)
{
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) {
        if (window->isVisible() && window->windowHandle())
            sendAboveState(window->windowHandle(), on);
        return;
    }
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
