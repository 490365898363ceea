#include "LocalMatch.h"

#include <utility>

namespace pimra {

LocalMatch::LocalMatch(std::unique_ptr<RandomSource> random, MoveChooser* chooser)
    : random_(std::move(random)), levels_(*random_), chooser_(chooser ? chooser : &levels_) {}

void LocalMatch::setChooser(MoveChooser* chooser) {
    chooser_ = chooser ? chooser : &levels_;
}

std::optional<MoveResult> LocalMatch::click(int pit) {
    if (turnRunning_ || !game_.acceptsLocalClick(pit)) return std::nullopt;
    ++turn_;
    turnRunning_ = true;
    game_.beginTurn();
    return game_.play(RecordedMove{pit, Mover::Human, 0});
}

LocalMatch::Next LocalMatch::next(MoveReady ready) {
    if (!turnRunning_) return Next::TurnOver;
    if (thinking_) return Next::Reply;
    if (!game_.computerToMove()) {
        endTurn();
        return Next::TurnOver;
    }
    thinking_ = true;
    const unsigned turn = ++turn_;
    askedLevel_ = game_.level();
    chooser_->choose(game_.position(), askedLevel_,
                     [this, turn, ready](int pit) { answered(turn, pit, ready); });
    return Next::Reply;
}

void LocalMatch::answered(unsigned turn, int pit, const MoveReady& ready) {
    if (turn != turn_ || !thinking_) return;
    thinking_ = false;
    if (!canPlayPit(game_.position(), pit) || Position::sideOf(pit) != Side::Top) {
        // No playable answer: the turn ends where it stands rather than asking for ever.
        endTurn();
        ready(MoveResult{});
        return;
    }
    ready(game_.play(RecordedMove{pit, Mover::Computer, askedLevel_}));
}

void LocalMatch::abandonTurn() {
    if (thinking_) chooser_->cancel();
    if (turnRunning_) endTurn();
}

bool LocalMatch::rethink(MoveReady ready) {
    if (!thinking_) return false;
    chooser_->cancel();
    thinking_ = false;
    ++turn_;
    next(std::move(ready));
    return true;
}

void LocalMatch::endTurn() {
    ++turn_;
    thinking_ = false;
    turnRunning_ = false;
    game_.endTurn();
}

}  // namespace pimra
