#include "TranspositionTable.h"

#include <bit>

namespace pimra {

namespace {

constexpr std::size_t kCounts = 256;

std::uint64_t splitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

}  // namespace

PositionKeys::PositionKeys() : words_((kPitCount + 1) * kCounts) {
    std::uint64_t state = 0x5049'4d52'4131'3424ULL;
    for (std::uint64_t& word : words_) word = splitMix(state);
    topToMove_ = splitMix(state);
}

std::uint64_t PositionKeys::key(const RulesBoard& board) const {
    std::uint64_t key = board.sideToMove() == Side::Top ? topToMove_ : 0;
    for (int i = 1; i <= kPitCount; ++i) {
        key ^= words_[static_cast<std::size_t>(i) * kCounts +
                      static_cast<std::size_t>(board.stones(i))];
    }
    return key;
}

TranspositionTable::TranspositionTable(std::size_t entries) {
    const std::size_t size = std::bit_floor(entries < 1024 ? std::size_t{1024} : entries);
    entries_.resize(size);
    mask_ = size - 1;
}

const TableEntry* TranspositionTable::find(std::uint64_t key) const {
    const TableEntry& entry = entries_[key & mask_];
    return entry.bound != Bound::None && entry.key == key ? &entry : nullptr;
}

void TranspositionTable::store(const TableEntry& entry) {
    TableEntry& slot = entries_[entry.key & mask_];
    if (slot.bound != Bound::None && slot.key == entry.key && slot.solved && !entry.solved) return;
    slot = entry;
}

void TranspositionTable::clear() {
    std::fill(entries_.begin(), entries_.end(), TableEntry{});
}

}  // namespace pimra
