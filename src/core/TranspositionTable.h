#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "RulesBoard.h"

namespace pimra {

// What the search knows of a position's value: bounds on what the side to move still gains
// from it on (its final margin less the margin of the stores now), so positions with the
// same pits and different stores share them. Equal bounds are the value itself.
struct TableEntry {
    static constexpr std::int16_t kNoLower = -30000;
    static constexpr std::int16_t kNoUpper = 30000;

    std::uint64_t key = 0;
    std::int16_t lower = kNoLower;
    std::int16_t upper = kNoUpper;
    std::uint8_t depth = 0;
    std::uint8_t bestPit = 0;
    // How much searching the bounds took: the bit width of the positions searched (0..63).
    std::uint8_t work = 0;
    // The bounds came from finished games only, so they hold at every depth.
    bool solved = false;
    std::uint8_t generation = 0;  // set by the table: the search that stored it
};

// Position keys by Zobrist hashing: one random word per pit and count, one for the side.
// The stores count only where the store limit can still end the game: a store whose room
// before the limit is smaller than the stones in the pits adds a word for that room. Any
// other store never changes what the rest of the game brings, so it is left out.
class PositionKeys {
  public:
    PositionKeys();
    std::uint64_t key(const RulesBoard& board) const;

  private:
    std::vector<std::uint64_t> words_;  // (kPitCount + 1) * 256 words
    std::uint64_t topToMove_ = 0;
};

// A fixed-size table of searched positions in buckets of four entries (a cache line), shared by the
// threads of a search without locks: each entry is two words, the key mixed with the data and the
// data, so a half-written entry reads as a different key and is ignored.
//
// A new result for a position adds its bounds to the old ones when both are solved (the
// null-window tests of a proof); otherwise it replaces them unless the old ones are solved
// and the new ones are not. A new position takes the bucket's empty entry, else a guess left by an
// earlier search, else the one searched least deep; a solved entry counts as deeper than any
// guess and outlives its search, and of solved entries the one that took the least work goes.
class TranspositionTable {
  public:
    static constexpr std::size_t kBucket = 4;

    // The size is rounded down to a power of two (at least 1024 entries).
    explicit TranspositionTable(std::size_t entries);

    std::optional<TableEntry> find(std::uint64_t key) const;
    // Starts bringing the key's entries into the cache for a `find` soon after.
    void prefetch(std::uint64_t key) const { __builtin_prefetch(&slots_[bucketOf(key)]); }
    void store(const TableEntry& entry);
    // Entries stored from now on belong to a new search; older ones are given up first.
    void newSearch() { generation_.fetch_add(1, std::memory_order_relaxed); }
    void clear();
    std::size_t size() const { return size_; }

  private:
    struct Slot {
        std::atomic<std::uint64_t> check{0};  // key ^ data
        std::atomic<std::uint64_t> data{0};   // 0: empty
    };

    std::size_t bucketOf(std::uint64_t key) const { return key & mask_ & ~(kBucket - 1); }
    std::optional<TableEntry> read(const Slot& slot) const;
    // How much an entry is worth keeping when a new position needs its place.
    int keepScore(const std::optional<TableEntry>& entry) const;

    struct Release {
        void operator()(Slot* slots) const;
    };
    std::unique_ptr<Slot[], Release> slots_;
    std::size_t size_ = 0;
    std::size_t mask_ = 0;
    std::atomic<std::uint8_t> generation_{0};
};

}  // namespace pimra
