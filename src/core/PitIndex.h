#pragma once

#include <array>
#include <cstdint>

#include "RulesBoard.h"

namespace pimra {

// The twelve pits of a board as the endgame tables read them: the row of the side to move
// first, each row in sowing order.
constexpr int kPitCells = 12;
using PitCells = std::array<int, kPitCells>;

PitCells pitCellsOf(const RulesBoard& board);

// Ranks of fillings of the twelve pits: every filling with n stones has its own place among
// those with n stones (0 .. fillingsWith(n) - 1). Up to kMaxRankedStones stones.
constexpr int kMaxRankedStones = 40;
std::uint64_t fillingsWith(int n);
// Fillings with fewer than n stones: the place of the first one with n.
std::uint64_t fillingsBelow(int n);
std::uint64_t rankOf(const PitCells& cells, int n);

// Calls `visit` with every filling of the twelve pits with n stones, in rank order.
template <typename Visit>
void forEachFilling(int n, Visit&& visit) {
    PitCells cells{};
    auto fill = [&](auto&& self, int i, int rest) -> void {
        if (i == kPitCells - 1) {
            cells[static_cast<std::size_t>(i)] = rest;
            visit(cells);
            return;
        }
        for (int here = 0; here <= rest; ++here) {
            cells[static_cast<std::size_t>(i)] = here;
            self(self, i + 1, rest - here);
        }
    };
    fill(fill, 0, n);
}

// A board of `cells` with the first row's side to move, its stores as given.
RulesBoard boardOf(const PitCells& cells, int ownStore, int otherStore);

}  // namespace pimra
