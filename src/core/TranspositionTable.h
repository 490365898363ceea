#pragma once

#include <cstdint>
#include <vector>

#include "RulesBoard.h"

namespace pimra {

// What a stored value says about the true value of a position.
enum class Bound : std::uint8_t { None, Exact, Lower, Upper };

struct TableEntry {
    std::uint64_t key = 0;
    std::int16_t value = 0;
    std::uint8_t depth = 0;
    Bound bound = Bound::None;
    std::uint8_t bestPit = 0;
    // The value came from finished games only, so it holds at every depth.
    bool solved = false;
};

// Position keys by Zobrist hashing: one random word per place and count, one for the side.
class PositionKeys {
  public:
    PositionKeys();
    std::uint64_t key(const RulesBoard& board) const;

  private:
    std::vector<std::uint64_t> words_;  // (kPitCount + 1) * 256 words
    std::uint64_t topToMove_ = 0;
};

// A fixed-size table of searched positions, one entry per slot, newer results replacing
// older ones unless the older one is a solved value of the same position.
class TranspositionTable {
  public:
    // The size is rounded down to a power of two (at least 1024 entries).
    explicit TranspositionTable(std::size_t entries);

    const TableEntry* find(std::uint64_t key) const;
    void store(const TableEntry& entry);
    void clear();
    std::size_t size() const { return entries_.size(); }

  private:
    std::vector<TableEntry> entries_;
    std::size_t mask_ = 0;
};

}  // namespace pimra
