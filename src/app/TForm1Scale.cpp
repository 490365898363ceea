#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>

#include "BoardScale.h"
#include "InfoPanel.h"
#include "TForm1.h"
#include "TLunka.h"
#include "TextFit.h"

namespace pimra {

namespace {

constexpr int kInnerMargin = 1;
const QRect kStatusPanelPlace(270, 160, 183, 50);
// What a window manager's frame takes before the window is shown and its frame is known.
const QMargins kAssumedFrame(8, 32, 8, 8);

}  // namespace

WindowChrome TForm1::windowChrome(int boardWidth) const {
    WindowChrome chrome;
    const QRect inner = geometry();
    const QRect outer = frameGeometry();
    chrome.frame = isVisible() && outer != inner
                       ? QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                  outer.right() - inner.right(), outer.bottom() - inner.bottom())
                       : kAssumedFrame;
    // A narrow menu bar breaks its titles over more rows.
    chrome.menuBarHeight = menuBar()->heightForWidth(boardWidth);
    if (chrome.menuBarHeight <= 0) chrome.menuBarHeight = menuBar()->sizeHint().height();
    chrome.statusBarHeight = kStatusBarHeight;
    return chrome;
}

void TForm1::fitBoard(bool withPanel) {
    boardWithPanel_ = withPanel;
    const QSize designed(kClientWidth + (withPanel ? InfoPanel::kWidth : 0), kBoardHeight);
    const QRect available = screen() ? screen()->availableGeometry() : QRect();
    double scale = pimra::boardScale(designed, windowChrome(designed.width()), available);
    // Once more with the menu bar as it breaks at the smaller width.
    scale = pimra::boardScale(designed, windowChrome(static_cast<int>(designed.width() * scale)),
                              available);
    const QSize shown = scaledRect({{0, 0}, designed}, scale).size();
    board_->setFixedSize(shown);
    const int panelWidth = scaledRect({0, 0, InfoPanel::kWidth, 0}, scale).width();
    const int margin = scaledRect({0, 0, kInnerMargin, 0}, scale).width();
    iPanel->setGeometry(shown.width() - panelWidth - margin, margin, panelWidth,
                        shown.height() - margin);
    if (scale != boardScale_) {
        boardScale_ = scale;
        for (int i = 1; i <= kPitCount; ++i) pit(i)->setScale(scale);
        Panel1->setGeometry(scaledRect(kStatusPanelPlace, scale));
        setFullFont(Panel1, scaledFont(font(), scale));
        scaleChildren(iPanel, scale);
    }
    if (layout() != nullptr) layout()->activate();
    keepOnScreen();
}

void TForm1::keepOnScreen() {
    if (screen() == nullptr) return;
    const QRect available = screen()->availableGeometry();
    const WindowChrome chrome = windowChrome(board_->width());
    const QSize outer = size().grownBy(chrome.frame);
    QPoint place = pos();
    place.setX(
        std::max(available.left(), std::min(place.x(), available.right() + 1 - outer.width())));
    place.setY(
        std::max(available.top(), std::min(place.y(), available.bottom() + 1 - outer.height())));
    if (place != pos()) move(place);
}

void TForm1::followScreen() {
    if (windowHandle() == nullptr || followsScreen_) return;
    followsScreen_ = true;
    connect(windowHandle(), &QWindow::screenChanged, this, [this] { fitBoard(boardWithPanel_); });
}

}  // namespace pimra
