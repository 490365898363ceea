#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

#include "MoveAnimator.h"
#include "online/PlayState.h"

namespace pimra {

class BoardPits;
class SoundSwitch;

// A move on the board, step by step: the pits lit and counted, the sounds and the texts of
// its steps. While it runs the state knows the window is busy; at its end the game that handed
// it out is told.
class MoveShow : public QObject {
    Q_OBJECT

  public:
    struct Hooks {
        std::function<void(const QString& text)> status;  // a step's status text
        std::function<void(const QString& text)> result;  // the end of the game, in words
        // The move is on the screen; `mover` (none: a move of no game) is to hear of it.
        std::function<void(online::PlayedGame* mover)> done;
    };

    MoveShow(BoardPits& pits, SoundSwitch& sounds, online::PlayState& state, Hooks hooks);

    // An unaccepted move ends at once.
    void start(const MoveResult& result, online::PlayedGame* mover);
    // Stops where it is, the pits unlit; the game whose move it was, if one ran.
    std::optional<online::PlayedGame*> stop();
    // The game whose move is shown hears nothing more of it.
    void forget() { mover_ = nullptr; }
    const MoveAnimator& animator() const { return animator_; }

  private:
    void showStepStart(const MoveStep& step);
    void showStepSettled(const MoveStep& step);
    void finish();

    BoardPits& pits_;
    SoundSwitch& sounds_;
    online::PlayState& state_;
    Hooks hooks_;
    MoveAnimator animator_;
    online::PlayedGame* mover_ = nullptr;
};

}  // namespace pimra
