#include "History.h"

#include <algorithm>

namespace pimra {

const Position& History::entry(int number) const {
    return entries_[static_cast<std::size_t>(std::clamp(number, 1, kCapacity) - 1)];
}

void History::dropOldest() {
    std::shift_left(entries_.begin(), entries_.end(), 1);
    entries_.back() = Position{};
    --moveNumber_;
}

void History::beginTurn(const Position& before) {
    redoCount_ = 0;
    // The turn's end goes into entry moveNumber + 2, which must stay inside the array.
    while (moveNumber_ + 2 > kCapacity) dropOldest();
    ++moveNumber_;
    entries_[static_cast<std::size_t>(moveNumber_ - 1)] = before;
}

void History::endTurn(const Position& after) {
    entries_[static_cast<std::size_t>(moveNumber_)] = after;
}

void History::startNewGame(const Position& previous, const Position& start) {
    entries_[0] = previous;
    entries_[1] = start;
    moveNumber_ = 1;
    redoCount_ = 0;
}

Position History::goBack() {
    if (!canGoBack()) return entry(1);
    const Position shown = entries_[static_cast<std::size_t>(moveNumber_ - 1)];
    --moveNumber_;
    ++redoCount_;
    return shown;
}

Position History::goForward() {
    if (!canGoForward()) return entry(moveNumber_ + 1);
    const Position shown = entries_[static_cast<std::size_t>(moveNumber_ + 1)];
    ++moveNumber_;
    --redoCount_;
    return shown;
}

}  // namespace pimra
