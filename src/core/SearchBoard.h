#pragma once

#include <array>
#include <cstdint>

#include "Position.h"

namespace pimra {

// The computer opponent's compact copy of the board: two rows of seven unsigned bytes.
// Row r is side r (1 bottom, 2 top); positions 1..6 are its pits in sowing order and 7 its store,
// so position p of row r is board index 7*(r-1)+p. All arithmetic here wraps modulo 256 on purpose:
// it is part of how the computer plays.
class SearchPosition {
  public:
    SearchPosition() = default;
    // Counts above 255 are held as 255 so that a pit with stones never looks empty.
    static SearchPosition fromBoard(const Position& board);

    std::uint8_t at(Side row, int pos) const { return cells_[index(row, pos)]; }
    std::uint8_t& at(Side row, int pos) { return cells_[index(row, pos)]; }

    bool operator==(const SearchPosition&) const = default;

  private:
    static std::size_t index(Side row, int pos) {
        return static_cast<std::size_t>(7 * (sideNumber(row) - 1) + pos - 1);
    }
    std::array<std::uint8_t, 14> cells_{};
};

struct SimulatedMove {
    SearchPosition position;
    std::uint8_t extra = 0;  // 1 when the mover moves again
};

// The silent move of the search: sows like the game, but also captures against an empty
// facing pit, and sweeps whenever either row is empty, which cancels the extra move.
SimulatedMove SimulateMove(const SearchPosition& position, Side side, int pit);

struct ChainValue {
    std::uint8_t value = 0;  // store gain since the root, as a byte; 255 reads as -1
    int bestPit = 0;
};

// Values moves by the growth of the mover's store since the root of the decision
// (`SearchBoard`), following chains of extra moves to their end.
class ChainEvaluator {
  public:
    explicit ChainEvaluator(const SearchPosition& searchBoard) : searchBoard_(searchBoard) {}

    const SearchPosition& searchBoard() const { return searchBoard_; }
    std::uint8_t gain(const SearchPosition& position, Side side) const;
    // pit 0: every pit of the side, giving the best value and pit; pit 1..6: that pit alone.
    ChainValue BestChainMove(const SearchPosition& position, Side side, int pit) const;

  private:
    SearchPosition searchBoard_;
};

}  // namespace pimra
