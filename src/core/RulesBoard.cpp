#include "RulesBoard.h"

namespace pimra {

namespace {

int rowSum(const RulesBoard& board, Side side) {
    const int first = Position::firstPitOf(side);
    int sum = 0;
    for (int i = first; i < first + 6; ++i) sum += board.stones(i);
    return sum;
}

}  // namespace

std::optional<RulesBoard> RulesBoard::from(const Position& position, Side sideToMove) {
    if (sideToMove != Side::Bottom && sideToMove != Side::Top) return std::nullopt;
    int total = 0;
    for (int i = 1; i <= kPitCount; ++i) {
        if (position[i] < 0) return std::nullopt;
        total += position[i];
        if (total > kMaxStones) return std::nullopt;
    }
    RulesBoard board;
    for (int i = 1; i <= kPitCount; ++i) {
        board.cells_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(position[i]);
    }
    board.side_ = sideToMove;
    board.total_ = static_cast<std::uint8_t>(total);
    return board;
}

bool RulesBoard::canPlay(int pit) const {
    return pit >= 1 && pit <= 13 && pit != kBottomStore && Position::sideOf(pit) == side_ &&
           stones(pit) > 0;
}

bool RulesBoard::hasMove() const {
    return rowSum(*this, side_) > 0;
}

RulesMove RulesBoard::play(int pit) {
    const Side mover = side_;
    const int ownStore = Position::storeOf(mover);
    const int opponentStore = Position::storeOf(other(mover));
    auto cell = [this](int index) -> std::uint8_t& {
        return cells_[static_cast<std::size_t>(index)];
    };

    int hand = cell(pit);
    cell(pit) = 0;
    int i = pit;
    // Whole laps put one stone into each of the 13 places the mover sows.
    const int laps = (hand - 1) / 13;
    if (laps > 0) {
        for (int k = 1; k <= kPitCount; ++k) {
            if (k != opponentStore) cell(k) = static_cast<std::uint8_t>(cell(k) + laps);
        }
        hand -= 13 * laps;
    }
    while (hand > 0) {
        i = i == kPitCount ? 1 : i + 1;
        if (i == opponentStore) continue;
        ++cell(i);
        --hand;
    }

    const int facing = Position::opposite(i);
    if (i != ownStore && Position::sideOf(i) == mover && cell(i) == 1 && cell(facing) > 0) {
        cell(ownStore) = static_cast<std::uint8_t>(cell(ownStore) + cell(facing) + 1);
        cell(i) = 0;
        cell(facing) = 0;
    }

    RulesMove result;
    result.extraTurn = i == ownStore;
    const Side next = result.extraTurn ? mover : other(mover);
    side_ = next;
    const bool nextEmpty = rowSum(*this, next) == 0;
    if (nextEmpty) {
        // The player to move has no stones: the other row goes to its own store.
        const Side owner = other(next);
        const int first = Position::firstPitOf(owner);
        const int store = Position::storeOf(owner);
        for (int k = first; k < first + 6; ++k) {
            cell(store) = static_cast<std::uint8_t>(cell(store) + cell(k));
            cell(k) = 0;
        }
    }
    result.gameOver =
        nextEmpty || cell(kBottomStore) > kStoreLimit || cell(kTopStore) > kStoreLimit;
    return result;
}

Position RulesBoard::position() const {
    Position position;
    for (int i = 1; i <= kPitCount; ++i) position[i] = stones(i);
    return position;
}

}  // namespace pimra
