#include "WindowFit.h"

#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>

#include "InfoPanel.h"
#include "TLunka.h"
#include "TextFit.h"
#include "core/Position.h"

namespace pimra {

namespace {

constexpr int kInnerMargin = 1;
const QRect kStatusPanelPlace(270, 160, 183, 50);
// What a window manager's frame takes before the window is shown and its frame is known.
const QMargins kAssumedFrame(8, 32, 8, 8);

}  // namespace

WindowChrome WindowFit::chrome(int boardWidth) const {
    const QMainWindow* window = parts_.window;
    WindowChrome chrome;
    const QRect inner = window->geometry();
    const QRect outer = window->frameGeometry();
    chrome.frame = window->isVisible() && outer != inner
                       ? QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                  outer.right() - inner.right(), outer.bottom() - inner.bottom())
                       : kAssumedFrame;
    // A narrow menu bar breaks its titles over more rows.
    chrome.menuBarHeight = window->menuBar()->heightForWidth(boardWidth);
    if (chrome.menuBarHeight <= 0) chrome.menuBarHeight = window->menuBar()->sizeHint().height();
    chrome.statusBarHeight = parts_.statusBarHeight;
    return chrome;
}

void WindowFit::fit(bool withPanel) {
    withPanel_ = withPanel;
    QMainWindow* window = parts_.window;
    const QSize designed(parts_.clientWidth + (withPanel ? parts_.panel->designedWidth() : 0),
                         parts_.boardHeight);
    const QRect available = window->screen() ? window->screen()->availableGeometry() : QRect();
    double scale = pimra::boardScale(designed, chrome(designed.width()), available);
    // Once more with the menu bar as it breaks at the smaller width.
    scale =
        pimra::boardScale(designed, chrome(static_cast<int>(designed.width() * scale)), available);
    const QSize shown = scaledRect({{0, 0}, designed}, scale).size();
    parts_.board->setFixedSize(shown);
    const int panelWidth = scaledRect({0, 0, parts_.panel->designedWidth(), 0}, scale).width();
    const int margin = scaledRect({0, 0, kInnerMargin, 0}, scale).width();
    parts_.panel->setGeometry(shown.width() - panelWidth - margin, margin, panelWidth,
                              shown.height() - margin);
    if (scale != scale_) {
        scale_ = scale;
        for (int i = 1; i <= kPitCount; ++i)
            (*parts_.pits)[static_cast<std::size_t>(i)]->setScale(scale);
        parts_.status->setGeometry(scaledRect(kStatusPanelPlace, scale));
        setFullFont(parts_.status, scaledFont(window->font(), scale));
        scaleChildren(parts_.panel, scale);
    }
    if (window->layout() != nullptr) window->layout()->activate();
    keepOnScreen();
}

void WindowFit::keepOnScreen() {
    QMainWindow* window = parts_.window;
    if (window->screen() == nullptr) return;
    const QRect available = window->screen()->availableGeometry();
    const QSize outer = window->size().grownBy(chrome(parts_.board->width()).frame);
    QPoint place = window->pos();
    place.setX(
        std::max(available.left(), std::min(place.x(), available.right() + 1 - outer.width())));
    place.setY(
        std::max(available.top(), std::min(place.y(), available.bottom() + 1 - outer.height())));
    if (place != window->pos()) window->move(place);
}

void WindowFit::followScreen() {
    if (parts_.window->windowHandle() == nullptr || followsScreen_) return;
    followsScreen_ = true;
    QObject::connect(parts_.window->windowHandle(), &QWindow::screenChanged, parts_.window,
                     [this] { refit(); });
}

}  // namespace pimra
