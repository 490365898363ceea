#pragma once

#include <array>

#include "Side.h"

namespace pimra {

constexpr int kPitCount = 14;
constexpr int kBottomStore = 7;
constexpr int kTopStore = 14;
constexpr int kStartStones = 6;
// A store holding more than this many stones ends the game, whatever the stones per pit.
constexpr int kStoreLimit = 36;

// Stone counts of pits 1..14 in board order: 1..6 bottom pits left to right, 7 the bottom
// store, 8..13 the top pits right to left, 14 the top store. Counts are held wider than a
// byte so that editing never loses stones; the file format and the search board narrow them.
class Position {
  public:
    Position() = default;

    static Position start();
    static bool isValidIndex(int index) { return index >= 1 && index <= kPitCount; }
    static bool isStore(int index) { return index == kBottomStore || index == kTopStore; }
    static Side sideOf(int index) { return index <= kBottomStore ? Side::Bottom : Side::Top; }
    static int storeOf(Side side) { return side == Side::Bottom ? kBottomStore : kTopStore; }
    static int opposite(int index) { return kPitCount - index; }
    // First pit of a side's row: 1 for the bottom, 8 for the top.
    static int firstPitOf(Side side) { return side == Side::Bottom ? 1 : 8; }

    int operator[](int index) const { return stones_[static_cast<std::size_t>(index - 1)]; }
    int& operator[](int index) { return stones_[static_cast<std::size_t>(index - 1)]; }

    // Stones in the six pits of a side's row, stores excluded.
    int rowSum(Side side) const;
    int total() const;
    // True when every count fits an unsigned byte (the saved-game file and the server).
    bool fitsInBytes() const;

    bool operator==(const Position&) const = default;

  private:
    std::array<int, kPitCount> stones_{};
};

// A pit can be played when it holds stones and is not a store; side and turn are not tested.
bool canPlayPit(const Position& position, int index);

}  // namespace pimra
