#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "core/LocalMatch.h"
#include "online/PlayedGame.h"

namespace pimra::online {

// "Особые возможности" that change the board between turns.
enum class BoardEdit { Back, Forward, SwapRows, AddStones, RemoveStones };

// The local game against the computer as the window plays it: the match's turns answered
// with effects. A reply the computer finds later (the master level thinks on a worker
// thread) goes to the sink; one found at once comes with the event that asked for it.
class LocalGame : public PlayedGame {
  public:
    using Sink = std::function<void(Effects effects)>;

    explicit LocalGame(std::unique_ptr<RandomSource> random = std::make_unique<ClockRandom>(),
                       MoveChooser* chooser = nullptr)
        : match_(std::move(random), chooser) {}

    LocalMatch& match() { return match_; }
    const LocalMatch& match() const { return match_; }
    void setSink(Sink sink) { sink_ = std::move(sink); }

    // The user's click: refused while a turn runs or by the rules.
    Effects click(int pit) override;
    // The move is on the screen: the computer's reply, or the end of the turn.
    Effects animationDone() override;
    bool busy() const override { return match_.turnRunning(); }
    bool thinking() const { return match_.thinking(); }

    // The level changed: a thought under way starts again at the new level.
    Effects levelChanged();
    // Ends the turn where it stands (a new game, a load, the window closed).
    Effects abandon();
    // The board stepped through the history or edited; the game ignores what it cannot do.
    Effects edit(BoardEdit edit);

  private:
    LocalMatch::MoveReady replyTo();
    Effects collectReply(Effects effects);

    LocalMatch match_;
    Sink sink_;
    bool asking_ = false;  // a reply now comes with the event's own effects
    std::optional<Effects> reply_;
};

}  // namespace pimra::online
