#include <QLabel>

#include "BoardPits.h"
#include "MainMenu.h"
#include "MoveShow.h"
#include "ShownText.h"
#include "SideWindows.h"
#include "TForm1.h"

namespace pimra {

void TForm1::PitClick(int index) {
    if (pits_->pit(index) == nullptr) return;
    online::PlayedGame& played = state_.current();
    apply(state_.click(index), &played);
}

void TForm1::animate(const MoveResult& result, online::PlayedGame* mover) {
    moves_->start(result, mover);
    // The menu locks while the move is shown.
    if (state_.animating()) showCommands();
}

void TForm1::moveShown(online::PlayedGame* mover) {
    if (mover != nullptr) {
        apply(mover->animationDone(), mover);
        return;
    }
    showCommands();
}

void TForm1::stopMove() {
    const std::optional<online::PlayedGame*> stopped = moves_->stop();
    if (!stopped) return;
    // The game holds the move's end already; only the screen is behind.
    showBoard();
    showCommands();
    apply(state_.moveStopped(*stopped), *stopped);
}

void TForm1::showThinking(bool thinking) {
    if (thinking == thinkingShown_) return;
    thinkingShown_ = thinking;
    if (thinking) {
        paneBeforeThought_ = shownSource(w_->sPanel2);
        setShownText(w_->sPanel2,
                     QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Компьютер думает…")));
        return;
    }
    setShownText(w_->sPanel2, paneBeforeThought_);
}

void TForm1::showBoard() {
    pits_->show(game_.position());
    side_->update();
}

void TForm1::showCommands() {
    menu_->mirror(state_.commands());
    side_->update();
}

}  // namespace pimra
