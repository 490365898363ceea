#include "TranspositionTable.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <memory>
#include <new>

#include "HugePages.h"

namespace pimra {

namespace {

constexpr std::size_t kCounts = 256;

std::uint64_t splitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

constexpr std::uint64_t kPresent = std::uint64_t{1} << 27;  // an empty slot reads 0

// One word for all of an entry but its key.
std::uint64_t pack(const TableEntry& e) {
    return std::uint64_t{static_cast<std::uint16_t>(e.lower)} | std::uint64_t{e.depth} << 16 |
           std::uint64_t{e.work & 3u} << 24 |
           std::uint64_t{static_cast<std::uint8_t>(e.work >> 2)} << 28 |
           std::uint64_t{e.solved} << 26 | kPresent | std::uint64_t{e.bestPit} << 32 |
           std::uint64_t{e.generation} << 40 |
           std::uint64_t{static_cast<std::uint16_t>(e.upper)} << 48;
}

TableEntry unpack(std::uint64_t key, std::uint64_t word) {
    TableEntry e;
    e.key = key;
    e.lower = static_cast<std::int16_t>(static_cast<std::uint16_t>(word & 0xffff));
    e.depth = static_cast<std::uint8_t>(word >> 16);
    e.solved = ((word >> 26) & 1) != 0;
    e.work = static_cast<std::uint8_t>(((word >> 24) & 3) | ((word >> 28) & 0xf) << 2);
    e.bestPit = static_cast<std::uint8_t>(word >> 32);
    e.generation = static_cast<std::uint8_t>(word >> 40);
    e.upper = static_cast<std::int16_t>(static_cast<std::uint16_t>(word >> 48));
    return e;
}

// The old entry's bounds joined to the new one's where both are proven; a guess replaces.
TableEntry merged(const TableEntry& old, const TableEntry& entry) {
    if (!old.solved || !entry.solved) return entry;
    TableEntry joined = entry;
    joined.lower = std::max(old.lower, entry.lower);
    joined.upper = std::min(old.upper, entry.upper);
    if (joined.lower > joined.upper) return entry;  // cannot happen to proven bounds
    if (joined.bestPit == 0) joined.bestPit = old.bestPit;
    joined.work = std::max(old.work, entry.work);
    return joined;
}

template <typename Slot>
Slot* allocateSlots(std::size_t count) {
    void* memory = allocateHugePages(count * sizeof(Slot));
    if (memory == nullptr) throw std::bad_alloc();
    Slot* slots = static_cast<Slot*>(memory);
    std::uninitialized_default_construct_n(slots, count);
    return slots;
}

}  // namespace

void TranspositionTable::Release::operator()(Slot* slots) const {
    std::free(slots);
}

PositionKeys::PositionKeys() : words_((kPitCount + 1) * kCounts) {
    std::uint64_t state = 0x5049'4d52'4131'3424ULL;
    for (std::uint64_t& word : words_) word = splitMix(state);
    topToMove_ = splitMix(state);
}

std::uint64_t PositionKeys::key(const RulesBoard& board) const {
    std::uint64_t key = board.sideToMove() == Side::Top ? topToMove_ : 0;
    for (int i = 1; i <= kPitCount; ++i) {
        if (Position::isStore(i)) continue;
        key ^= words_[static_cast<std::size_t>(i) * kCounts +
                      static_cast<std::size_t>(board.stones(i))];
    }
    // A store can gain at most the stones in the pits; only a smaller room can be used up.
    const int open = board.stonesInPits();
    for (const int store : {kBottomStore, kTopStore}) {
        const int room = std::max(kStoreLimit + 1 - board.stones(store), 0);
        if (room <= open) {
            key ^=
                words_[static_cast<std::size_t>(store) * kCounts + static_cast<std::size_t>(room)];
        }
    }
    return key;
}

TranspositionTable::TranspositionTable(std::size_t entries) {
    size_ = std::bit_floor(entries < 1024 ? std::size_t{1024} : entries);
    slots_.reset(allocateSlots<Slot>(size_));
    mask_ = size_ - 1;
}

std::optional<TableEntry> TranspositionTable::read(const Slot& slot) const {
    const std::uint64_t data = slot.data.load(std::memory_order_relaxed);
    if (data == 0) return std::nullopt;
    return unpack(slot.check.load(std::memory_order_relaxed) ^ data, data);
}

std::optional<TableEntry> TranspositionTable::find(std::uint64_t key) const {
    const std::size_t bucket = bucketOf(key);
    for (std::size_t i = bucket; i < bucket + kBucket; ++i) {
        std::optional<TableEntry> entry = read(slots_[i]);
        if (entry && entry->key == key) return entry;
    }
    return std::nullopt;
}

int TranspositionTable::keepScore(const std::optional<TableEntry>& entry) const {
    if (!entry) return -1;
    if (entry->solved) return 1 + 256 + entry->work;  // holds in every later search too
    if (entry->generation != generation_.load(std::memory_order_relaxed)) return 0;
    return 1 + entry->depth;
}

void TranspositionTable::store(const TableEntry& entry) {
    const std::size_t bucket = bucketOf(entry.key);
    Slot* slot = nullptr;
    int slotScore = 0;
    TableEntry stored = entry;
    for (std::size_t i = bucket; i < bucket + kBucket; ++i) {
        const std::optional<TableEntry> candidate = read(slots_[i]);
        if (candidate && candidate->key == entry.key) {
            if (candidate->solved && !entry.solved) return;
            slot = &slots_[i];
            stored = merged(*candidate, entry);
            break;
        }
        const int score = keepScore(candidate);
        if (slot == nullptr || score < slotScore) {
            slot = &slots_[i];
            slotScore = score;
        }
    }
    stored.generation = generation_.load(std::memory_order_relaxed);
    const std::uint64_t data = pack(stored);
    slot->data.store(data, std::memory_order_relaxed);
    slot->check.store(entry.key ^ data, std::memory_order_relaxed);
}

void TranspositionTable::clear() {
    for (std::size_t i = 0; i < size_; ++i) {
        slots_[i].data.store(0, std::memory_order_relaxed);
        slots_[i].check.store(0, std::memory_order_relaxed);
    }
}

}  // namespace pimra
