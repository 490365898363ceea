#pragma once

class QLabel;
class QMainWindow;
class QWidget;

namespace pimra {

class InfoPanel;

// The main window's widgets below its menu bar: the board with its status panel and the
// table's information panel, and the status bar's login and message panes.
struct FormWidgets {
    static constexpr int kClientWidth = 724;
    static constexpr int kBoardHeight = 351;
    static constexpr int kStatusBarHeight = 21;

    // Builds them into `window`: the board as its central widget, the panes in its status bar.
    explicit FormWidgets(QMainWindow* window);

    QWidget* board;
    QLabel* Panel1;     // the board's status: whose turn, the move's texts
    InfoPanel* iPanel;  // the table: seats, clocks, buttons; hidden in local play
    QLabel* sPanel1;    // who is logged in
    QLabel* sPanel2;    // the server's state, the computer thinking
};

}  // namespace pimra
