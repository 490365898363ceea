#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "Game.h"
#include "MoveChooser.h"

namespace pimra {

// A local game against the computer, one turn at a time: the user's click, then the computer's
// replies, each handed out as the move to animate. The computer's move is asked for only when
// the previous move has been shown, so a level chosen during an animation applies to it.
class LocalMatch {
  public:
    using MoveReady = std::function<void(const MoveResult& move)>;

    // Plays with the levels of today; `chooser`, when given, must outlive the match.
    explicit LocalMatch(std::unique_ptr<RandomSource> random = std::make_unique<ClockRandom>(),
                        MoveChooser* chooser = nullptr);

    Game& game() { return game_; }
    const Game& game() const { return game_; }
    void setChooser(MoveChooser* chooser);

    // A click on `pit`: none when it is refused; otherwise the turn is counted and the user's
    // move is given (not accepted, with no steps, for an empty pit).
    std::optional<MoveResult> click(int pit);

    enum class Next {
        TurnOver,  // the turn is recorded; the user is to move (or the game is over)
        Reply,     // the computer's move goes to `ready` (at once with a level of today)
    };
    // The last move is on the screen: asks for the computer's next move, or ends the turn.
    Next next(MoveReady ready);

    bool turnRunning() const { return turnRunning_; }
    bool thinking() const { return thinking_; }
    // Ends a running turn where it stands (the window closed, a new game): an answer still
    // to come is dropped.
    void abandonTurn();
    // The level changed while the computer thinks: the thought under way is stopped and the
    // move is asked for again at the new level. False when nothing was being thought.
    bool rethink(MoveReady ready);

  private:
    void endTurn();
    void answered(unsigned turn, int pit, const MoveReady& ready);

    std::unique_ptr<RandomSource> random_;
    LevelMoveChooser levels_;
    MoveChooser* chooser_;
    Game game_;
    bool turnRunning_ = false;
    bool thinking_ = false;
    unsigned turn_ = 0;   // answers to an earlier question are dropped
    int askedLevel_ = 0;  // the level the computer was asked at, for the record
};

}  // namespace pimra
