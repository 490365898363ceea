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
    const std::size_t bucket = bucketOf(key);
    for (std::size_t i = bucket; i < bucket + kBucket; ++i) {
        const TableEntry& entry = entries_[i];
        if (entry.bound != Bound::None && entry.key == key) return &entry;
    }
    return nullptr;
}

int TranspositionTable::keepScore(const TableEntry& entry) const {
    if (entry.bound == Bound::None) return -1;
    if (entry.solved) return 1 + 256;  // holds in every later search too
    if (entry.generation != generation_) return 0;
    return 1 + entry.depth;
}

void TranspositionTable::store(const TableEntry& entry) {
    const std::size_t bucket = bucketOf(entry.key);
    TableEntry* slot = nullptr;
    for (std::size_t i = bucket; i < bucket + kBucket; ++i) {
        TableEntry& candidate = entries_[i];
        if (candidate.bound != Bound::None && candidate.key == entry.key) {
            if (candidate.solved && !entry.solved) return;
            slot = &candidate;
            break;
        }
        if (slot == nullptr || keepScore(candidate) < keepScore(*slot)) slot = &candidate;
    }
    *slot = entry;
    slot->generation = generation_;
}

void TranspositionTable::clear() {
    std::fill(entries_.begin(), entries_.end(), TableEntry{});
}

}  // namespace pimra
