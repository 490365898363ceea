#include "FormWidgets.h"

#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QStatusBar>

#include "InfoPanel.h"
#include "ShownText.h"

namespace pimra {

namespace {

constexpr int kLoginPaneWidth = 136;

QWidget* makeBoard(QMainWindow* window) {
    auto* board = new QWidget(window);
    board->setAutoFillBackground(true);
    QPalette palette = board->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Highlight));
    board->setPalette(palette);
    board->setFixedSize(FormWidgets::kClientWidth, FormWidgets::kBoardHeight);
    window->setCentralWidget(board);
    return board;
}

QLabel* makeStatusPanel(QWidget* board) {
    auto* panel = new QLabel(board);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setAlignment(Qt::AlignCenter);
    panel->setWordWrap(true);
    panel->setTextFormat(Qt::PlainText);
    panel->setAutoFillBackground(true);
    panel->setBackgroundRole(QPalette::Button);
    panel->setGeometry(270, 160, 183, 50);
    return panel;
}

}  // namespace

FormWidgets::FormWidgets(QMainWindow* window)
    : board(makeBoard(window)),
      Panel1(makeStatusPanel(board)),
      iPanel(new InfoPanel(board)),
      sPanel1(new QLabel),
      sPanel2(new QLabel) {
    iPanel->hide();
    setShownText(sPanel1, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Вы не авторизованы")));
    sPanel1->setFixedWidth(kLoginPaneWidth);
    sPanel1->setTextFormat(Qt::PlainText);
    sPanel2->setTextFormat(Qt::PlainText);
    sPanel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QStatusBar* bar = window->statusBar();
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(kStatusBarHeight);
    bar->addWidget(sPanel1);
    bar->addWidget(sPanel2, 1);
    window->layout()->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace pimra
