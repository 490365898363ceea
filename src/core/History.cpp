#include "History.h"

#include <algorithm>

namespace pimra {

const Position& History::entry(int number) const {
    return entries_[static_cast<std::size_t>(std::clamp(number, 1, kCapacity) - 1)];
}

int History::mark(int number) const {
    if (number < 1 || number > kCapacity) return kNoMark;
    return marks_[static_cast<std::size_t>(number - 1)];
}

std::array<int, History::kCapacity> History::noMarks() {
    std::array<int, kCapacity> marks{};
    marks.fill(kNoMark);
    return marks;
}

void History::clearMarks() {
    marks_ = noMarks();
}

void History::dropOldest() {
    std::shift_left(entries_.begin(), entries_.end(), 1);
    entries_.back() = Position{};
    std::shift_left(marks_.begin(), marks_.end(), 1);
    marks_.back() = kNoMark;
    --moveNumber_;
}

void History::beginTurn(const Position& before, int mark) {
    redoCount_ = 0;
    // The turn's end goes into entry moveNumber + 2, which must stay inside the array.
    while (moveNumber_ + 2 > kCapacity) dropOldest();
    ++moveNumber_;
    entries_[static_cast<std::size_t>(moveNumber_ - 1)] = before;
    marks_[static_cast<std::size_t>(moveNumber_ - 1)] = mark;
}

void History::endTurn(const Position& after, int mark) {
    entries_[static_cast<std::size_t>(moveNumber_)] = after;
    marks_[static_cast<std::size_t>(moveNumber_)] = mark;
}

void History::startNewGame(const Position& previous, const Position& start, int startMark) {
    entries_[0] = previous;
    entries_[1] = start;
    marks_ = noMarks();
    marks_[1] = startMark;
    moveNumber_ = 1;
    redoCount_ = 0;
}

void History::restart(const Position& start, int startMark) {
    entries_[0] = start;
    marks_ = noMarks();
    marks_[0] = startMark;
    moveNumber_ = 0;
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
