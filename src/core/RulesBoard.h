#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "Position.h"

namespace pimra {

// What one move did on a RulesBoard.
struct RulesMove {
    bool extraTurn = false;  // the mover moves again
    bool gameOver = false;   // the game ended with this move
};

// The game's own move rules on a compact board, without the steps the window animates: the
// master search plays millions of moves, and playMove builds a list of steps for each one.
// Counts are bytes, so a board holds at most 255 stones in all.
class RulesBoard {
  public:
    static constexpr int kMaxStones = 255;

    // Empty when the position holds more than kMaxStones stones or a negative count.
    static std::optional<RulesBoard> from(const Position& position, Side sideToMove);

    Side sideToMove() const { return side_; }
    int stones(int index) const { return cells_[static_cast<std::size_t>(index)]; }
    // The side's store minus the other side's store.
    int storeMargin(Side side) const {
        return stones(Position::storeOf(side)) - stones(Position::storeOf(other(side)));
    }
    // Stones in the twelve pits, stores excluded.
    int stonesInPits() const { return total_ - stones(kBottomStore) - stones(kTopStore); }
    int total() const { return total_; }
    // A pit of the side to move that holds stones.
    bool canPlay(int pit) const;
    bool hasMove() const;
    // The move from `pit` exactly as playMove makes it; the pit must be playable.
    RulesMove play(int pit);
    Position position() const;

    bool operator==(const RulesBoard&) const = default;

  private:
    RulesBoard() = default;

    std::array<std::uint8_t, kPitCount + 1> cells_{};  // index 0 unused
    Side side_ = Side::Bottom;
    std::uint8_t total_ = 0;  // moves never change it
};

}  // namespace pimra
