#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace pimra {

// How much smaller than designed the board is drawn so that the whole window fits the screen:
// 1 when it fits as designed, less when the screen's scale leaves too little room.
struct WindowChrome {
    QMargins frame;         // the window manager's frame around the window
    int menuBarHeight = 0;  // Qt's menu bar above the board
    int statusBarHeight = 0;
};
double boardScale(QSize designedBoard, const WindowChrome& chrome, const QRect& available);

// Places a panel's children at `scale` times the place and font they were built with (the first
// call records those). Labels keep fitting their texts.
void scaleChildren(QWidget* panel, double scale);

// The rectangle scaled, rounded to whole pixels.
QRect scaledRect(const QRect& rect, double scale);

}  // namespace pimra
