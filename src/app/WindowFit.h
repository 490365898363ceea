#pragma once

#include <array>

#include "BoardScale.h"

class QLabel;
class QMainWindow;
class QWidget;

namespace pimra {

class InfoPanel;
class TLunka;

// Size and place of the main window: the board as large as designed unless the screen is too
// small for it, and the window kept on its screen, on whichever screen it moves to.
class WindowFit {
  public:
    struct Parts {
        QMainWindow* window;
        QWidget* board;
        InfoPanel* panel;
        QLabel* status;
        const std::array<TLunka*, 15>* pits;  // 1-based
        int clientWidth;
        int boardHeight;
        int statusBarHeight;
    };

    explicit WindowFit(Parts parts) : parts_(parts) {}

    void fit(bool withPanel);
    void refit() { fit(withPanel_); }
    // Once shown: a move to another screen fits the window to it.
    void followScreen();
    // Below 1 when the board is drawn smaller so that the window fits the screen.
    double scale() const { return scale_; }

  private:
    WindowChrome chrome(int boardWidth) const;
    void keepOnScreen();

    Parts parts_;
    double scale_ = 1.0;
    bool withPanel_ = false;
    bool followsScreen_ = false;
};

}  // namespace pimra
