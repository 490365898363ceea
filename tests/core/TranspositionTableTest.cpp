#include <gtest/gtest.h>

#include <array>
#include <random>

#include "ExhaustiveSolver.h"
#include "TestPositions.h"
#include "core/MasterSearch.h"
#include "core/Move.h"
#include "core/RulesBoard.h"
#include "core/TranspositionTable.h"

namespace pimra {
namespace {

using test::board;

SearchLimits depthOnly(int depth) {
    SearchLimits limits;
    limits.time = std::chrono::milliseconds(0);
    limits.depth = depth;
    return limits;
}

std::uint64_t keyOf(const PositionKeys& keys, const Position& p, Side side) {
    return keys.key(*RulesBoard::from(p, side));
}

TEST(PositionKeys, StoresCountOnlyWhereTheLimitCanStillBeReached) {
    const PositionKeys keys;
    const Position start = Position::start();
    EXPECT_NE(keyOf(keys, start, Side::Bottom), keyOf(keys, start, Side::Top));
    Position moved = start;
    --moved[1];
    ++moved[2];
    EXPECT_NE(keyOf(keys, start, Side::Bottom), keyOf(keys, moved, Side::Bottom));

    // Five stones in the pits: stores with room for more than five share one key.
    const Position a = board({1, 0, 2, 0, 0, 0}, 3, {0, 0, 1, 0, 1, 0}, 10);
    Position b = a;
    b[kBottomStore] = 31;  // room 6
    b[kTopStore] = 0;
    EXPECT_EQ(keyOf(keys, a, Side::Top), keyOf(keys, b, Side::Top));
    Position near = a;
    near[kBottomStore] = 32;  // room 5: the bottom store can pass the limit
    EXPECT_NE(keyOf(keys, a, Side::Top), keyOf(keys, near, Side::Top));
    Position nearer = near;
    nearer[kBottomStore] = 33;
    EXPECT_NE(keyOf(keys, near, Side::Top), keyOf(keys, nearer, Side::Top));
    Position nearTop = a;
    nearTop[kTopStore] = 32;
    EXPECT_NE(keyOf(keys, near, Side::Top), keyOf(keys, nearTop, Side::Top));
}

TableEntry entry(std::uint64_t key, int lower, int upper, int depth, int pit, bool solved) {
    TableEntry e;
    e.key = key;
    e.lower = static_cast<std::int16_t>(lower);
    e.upper = static_cast<std::int16_t>(upper);
    e.depth = static_cast<std::uint8_t>(depth);
    e.bestPit = static_cast<std::uint8_t>(pit);
    e.solved = solved;
    return e;
}

constexpr int kNoLower = TableEntry::kNoLower;
constexpr int kNoUpper = TableEntry::kNoUpper;

TEST(TranspositionTable, JoinsBoundsKeepsSolvedValuesAndReplacesTheShallowest) {
    const PositionKeys keys;
    const std::uint64_t key = keyOf(keys, Position::start(), Side::Bottom);
    TranspositionTable table(1000);
    EXPECT_EQ(table.size(), 1024u);
    EXPECT_FALSE(table.find(key));
    table.store(entry(key, 5, 5, 3, 9, true));
    table.store(entry(key, -2, kNoUpper, 40, 8, false));  // a guess does not replace it
    ASSERT_TRUE(table.find(key));
    EXPECT_EQ(table.find(key)->lower, 5);
    EXPECT_EQ(table.find(key)->upper, 5);
    EXPECT_TRUE(table.find(key)->solved);
    EXPECT_EQ(table.find(key)->depth, 3);
    // Negative values and every field come back as stored.
    const std::uint64_t other = key ^ 0x5555'0000'0000'0000ULL;
    table.store(entry(other, kNoLower, -300, 255, 13, false));
    ASSERT_TRUE(table.find(other));
    EXPECT_EQ(table.find(other)->lower, kNoLower);
    EXPECT_EQ(table.find(other)->upper, -300);
    EXPECT_EQ(table.find(other)->depth, 255);
    EXPECT_EQ(table.find(other)->bestPit, 13);
    EXPECT_FALSE(table.find(other)->solved);
    // Solved bounds of two null-window tests join; a guess replaces the guess before it.
    const std::uint64_t joined = other ^ 1;
    table.store(entry(joined, 2, kNoUpper, 200, 10, true));
    table.store(entry(joined, kNoLower, 4, 190, 0, true));
    EXPECT_EQ(table.find(joined)->lower, 2);
    EXPECT_EQ(table.find(joined)->upper, 4);
    EXPECT_EQ(table.find(joined)->bestPit, 10);
    table.store(entry(joined, 3, kNoUpper, 180, 11, true));
    EXPECT_EQ(table.find(joined)->lower, 3);
    EXPECT_EQ(table.find(joined)->upper, 4);
    table.store(entry(other, kNoLower, -310, 255, 12, false));
    EXPECT_EQ(table.find(other)->upper, -310);
    table.store(entry(other, -320, kNoUpper, 255, 12, false));
    EXPECT_EQ(table.find(other)->lower, -320);
    EXPECT_EQ(table.find(other)->upper, kNoUpper);
    table.store(entry(other, -330, kNoUpper, 254, 12, false));
    EXPECT_EQ(table.find(other)->depth, 254);
    table.clear();

    // Positions of the same bucket: each finds room beside the others while there is some;
    // then a new one takes the place of the guess searched least deep, and the solved one
    // outlives them all.
    constexpr std::size_t kBucket = TranspositionTable::kBucket;
    const auto sameBucket = [&table, key](std::size_t i) { return key + i * table.size(); };
    table.store(entry(key, 5, 5, 3, 9, true));
    for (std::size_t i = 1; i < kBucket; ++i) {
        table.store(entry(sameBucket(i), kNoLower, 1, static_cast<int>(i), 10, false));
    }
    for (std::size_t i = 1; i < kBucket; ++i) EXPECT_TRUE(table.find(sameBucket(i))) << i;
    table.store(entry(sameBucket(kBucket), 2, 2, 6, 11, false));
    EXPECT_FALSE(table.find(sameBucket(1)));
    EXPECT_EQ(table.find(sameBucket(kBucket))->bestPit, 11);
    EXPECT_EQ(table.find(key)->lower, 5);
    for (std::size_t i = 2; i < kBucket; ++i) EXPECT_TRUE(table.find(sameBucket(i))) << i;
    table.clear();

    // Among solved entries the one that took the least work goes.
    const int works[] = {5, 1, 7, 3};
    for (std::size_t i = 0; i < kBucket; ++i) {
        TableEntry solved = entry(sameBucket(i), 0, 0, 200, 8, true);
        solved.work = static_cast<std::uint8_t>(works[i % 4] + static_cast<int>(i / 4) * 8);
        table.store(solved);
    }
    ASSERT_EQ(table.find(sameBucket(0))->work, 5);  // the work comes back as stored
    TableEntry late = entry(sameBucket(kBucket), 0, 0, 200, 8, true);
    late.work = 2;
    table.store(late);
    EXPECT_FALSE(table.find(sameBucket(1)));
    EXPECT_TRUE(table.find(sameBucket(kBucket)));
    EXPECT_TRUE(table.find(sameBucket(0)));
    EXPECT_TRUE(table.find(sameBucket(3)));

    // Once a new search has begun, the old search's guesses give way before its own, however
    // deep they were.
    TranspositionTable aging(1024);
    for (std::size_t i = 0; i < kBucket; ++i) aging.store(entry(64 + i * 1024, 0, 0, 9, 8, false));
    aging.newSearch();
    for (std::size_t i = kBucket; i < 2 * kBucket; ++i) {
        aging.store(entry(64 + i * 1024, 0, 0, 1, 8, false));
    }
    for (std::size_t i = 0; i < 2 * kBucket; ++i) {
        EXPECT_EQ(aging.find(64 + i * 1024).has_value(), i >= kBucket) << i;
    }
    table.clear();
    EXPECT_FALSE(table.find(key));
}

// The same pits with other stores, where the limit cannot bite, are worth the same gain: a
// search of the one at some depth gives the other's value at that depth, shifted by the
// stores, whether the table is fresh or already holds the first one's entries. With three
// stones a pit no store can pass the limit.
TEST(MasterSearch, StoresOutOfReachOfTheLimitOnlyShiftTheValue) {
    std::mt19937 random(23);
    for (int k = 0; k < 12; ++k) {
        const auto [p, side] = test::randomPlay(random, 3, 6 + k);
        if (p.rowSum(side) == 0) continue;
        const int depth = 5 + k % 3;
        Position lower = p;
        lower[kBottomStore] -= std::min(p[kBottomStore], 2);
        lower[kTopStore] -= std::min(p[kTopStore], 1);
        const int shift =
            (p[kBottomStore] - lower[kBottomStore]) - (p[kTopStore] - lower[kTopStore]);
        const int sign = side == Side::Bottom ? 1 : -1;

        MasterSearch fresh(1 << 16);
        const SearchResult original = fresh.search(p, side, depthOnly(depth));
        MasterSearch other(1 << 16);
        const SearchResult apart = other.search(lower, side, depthOnly(depth));
        EXPECT_EQ(apart.value + sign * shift, original.value) << k;
        EXPECT_EQ(apart.pit, original.pit) << k;
        EXPECT_EQ(apart.nodes, original.nodes) << k;
        // With the first search's entries, the second finds the same value with less work.
        const SearchResult shared = fresh.search(lower, side, depthOnly(depth));
        EXPECT_EQ(shared.value + sign * shift, original.value) << k;
        if (original.nodes > 20) {
            EXPECT_LT(shared.nodes, original.nodes) << k;
        }
    }
}

// Searches of 7 turns from positions of random play, as the table keyed by every count,
// stores included, found them (with the positions it searched). In the 6-stone game a store
// can always reach the limit, so the keys tell the same positions apart: the search finds
// the same values, with no more work; in the 4-stone game entries are shared, and the
// values stay the same.
TEST(MasterSearch, SameValuesAtTheSameDepthAsTheTableKeyedByTheStores) {
    struct Known {
        std::array<int, kPitCount> board;
        Side side;
        int value;
        int pit;
        std::uint64_t nodes;
    };
    const Known known[] = {
        {{10, 1, 10, 3, 9, 0, 3, 9, 2, 9, 0, 3, 10, 3}, Side::Bottom, 3, 4, 16570u},
        {{1, 4, 11, 3, 0, 3, 6, 12, 12, 2, 3, 0, 12, 3}, Side::Bottom, 12, 4, 36274u},
        {{11, 11, 0, 3, 14, 2, 5, 0, 2, 1, 1, 5, 12, 5}, Side::Top, 1, 11, 29334u},
        {{3, 0, 2, 1, 0, 8, 22, 0, 16, 2, 0, 3, 4, 11}, Side::Top, -14, 9, 3948u},
        {{4, 2, 3, 2, 1, 15, 6, 4, 2, 2, 3, 1, 19, 8}, Side::Top, 7, 11, 17339u},
        {{0, 2, 3, 2, 1, 6, 9, 17, 10, 1, 1, 0, 5, 15}, Side::Bottom, 11, 6, 6679u},
        {{0, 0, 0, 0, 0, 0, 25, 0, 5, 1, 0, 7, 3, 7}, Side::Top, -2, 9, 0u},
        {{0, 3, 1, 0, 2, 7, 9, 0, 2, 4, 3, 1, 3, 13}, Side::Top, 3, 11, 0u},
        {{1, 0, 12, 4, 2, 10, 2, 0, 0, 0, 0, 0, 1, 16}, Side::Top, -14, 13, 0u},
        {{0, 0, 0, 2, 1, 4, 19, 2, 0, 1, 2, 0, 3, 14}, Side::Bottom, 4, 5, 0u},
    };
    for (const Known& k : known) {
        Position p;
        for (int i = 1; i <= kPitCount; ++i) p[i] = k.board[static_cast<std::size_t>(i - 1)];
        MasterSearch search(std::size_t{1} << 22);  // no two positions in one bucket
        search.setSelective(false);                 // as the searches that found them
        const SearchResult result = search.search(p, k.side, depthOnly(7));
        EXPECT_EQ(result.value, k.value) << k.board[0] << " " << k.board[1];
        EXPECT_EQ(result.pit, k.pit) << k.board[0] << " " << k.board[1];
        if (p.total() == 72) {
            EXPECT_LE(result.nodes, k.nodes);  // joined bounds cut sooner
        }
    }
}

// Near the limit the stores do matter: many store pairs for the same pits, one table for all
// of them, each value checked against a plain exhaustive search.
TEST(MasterSearch, SharedEntriesNeverCarryValuesAcrossTheStoreLimit) {
    test::ExhaustiveSolver solver;
    MasterSearch search(1 << 16);
    std::mt19937 random(31);
    for (int k = 0; k < 4; ++k) {
        Position pits = test::scatteredStones(random, 6 + k % 3);
        for (const int bottom : {20, 30, 33, 35, 36}) {
            for (const int top : {25, 31, 34, 36}) {
                Position p = pits;
                p[kBottomStore] = bottom;
                p[kTopStore] = top;
                for (const Side side : {Side::Bottom, Side::Top}) {
                    if (p.rowSum(side) == 0) continue;
                    SearchLimits limits;
                    limits.time = std::chrono::milliseconds(0);
                    const SearchResult result = search.search(p, side, limits);
                    ASSERT_TRUE(result.exact);
                    EXPECT_EQ(result.value, solver.value(p, side))
                        << k << " stores " << bottom << "/" << top;
                }
            }
        }
    }
}

}  // namespace
}  // namespace pimra
