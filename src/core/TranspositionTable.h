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
    std::uint8_t generation = 0;  // set by the table: the search that stored it
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

// A fixed-size table of searched positions in buckets of two entries. A new result for a
// position replaces the old one unless the old one is solved and the new one is not; a new
// position takes the bucket's empty entry, else a guess left by an earlier search, else the
// one searched less deep (a solved value counts as the deepest and outlives its search).
class TranspositionTable {
  public:
    static constexpr std::size_t kBucket = 2;

    // The size is rounded down to a power of two (at least 1024 entries).
    explicit TranspositionTable(std::size_t entries);

    const TableEntry* find(std::uint64_t key) const;
    void store(const TableEntry& entry);
    // Entries stored from now on belong to a new search; older ones are given up first.
    void newSearch() { ++generation_; }
    void clear();
    std::size_t size() const { return entries_.size(); }

  private:
    std::size_t bucketOf(std::uint64_t key) const { return key & mask_ & ~(kBucket - 1); }
    // How much an entry is worth keeping when a new position needs its place.
    int keepScore(const TableEntry& entry) const;

    std::vector<TableEntry> entries_;
    std::size_t mask_ = 0;
    std::uint8_t generation_ = 0;
};

}  // namespace pimra
