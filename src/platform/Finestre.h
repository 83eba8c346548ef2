#pragma once
// Window geometry in twips and the always-on-top band.
#include <QRect>

class QWidget;
class QMouseEvent;

namespace platform {

inline constexpr int TwipsPerPixel = 15;

// Twips to logical pixels and back; every layout table goes through these.
int px(double twips);
double twips(int pixels);
QRect pxRect(double left, double top, double width, double height);

// Centres the whole window, frame included (once the window manager has framed it),
// on the primary screen.
void centreOnScreen(QWidget *window);

// Enters or leaves the always-on-top band without moving or resizing the window; asked
// again of the window manager when the window should already be there.
void setStaysOnTop(QWidget *window, bool on);

// Lets the window manager move a window from a left-button press, while that button
// is still down at the window system; false when it is not or the window manager
// refuses (no window manager), in which case the caller moves the window itself.
bool startSystemMove(QWidget *window);

} // namespace platform
