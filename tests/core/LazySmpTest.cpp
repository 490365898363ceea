#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <random>

#include "ExhaustiveSolver.h"
#include "TestPositions.h"
#include "core/MasterSearch.h"
#include "core/MasterThinker.h"
#include "core/Move.h"

namespace pimra {
namespace {

constexpr int kThreads = 3;

SearchLimits depthOnly(int depth) {
    SearchLimits limits;
    limits.time = std::chrono::milliseconds(0);
    limits.depth = depth;
    return limits;
}

TEST(LazySmp, ExactValuesOnSeveralThreadsMatchExhaustiveSearch) {
    std::mt19937 random(43);
    test::ExhaustiveSolver solver;
    MasterSearch search(1 << 16);
    search.setThreads(kThreads);
    EXPECT_EQ(search.threads(), kThreads);
    for (int k = 0; k < 12; ++k) {
        Position p = test::scatteredStones(random, 6 + k % 5);
        p[kBottomStore] = 28 + k % 9;
        p[kTopStore] = 36 - k % 11;
        const Side side = k % 2 == 0 ? Side::Top : Side::Bottom;
        if (p.rowSum(side) == 0) continue;
        const SearchResult searched = search.search(p, side, depthOnly(0));
        ASSERT_TRUE(searched.exact) << k;
        EXPECT_EQ(searched.value, solver.value(p, side)) << k;
        const SearchResult proven = search.prove(p, side, depthOnly(0));
        ASSERT_TRUE(proven.exact) << k;
        EXPECT_EQ(proven.value, searched.value) << k;
    }
}

// From positions of random play of the 3-stone game, a search on several threads plays a
// legal move, and when it says its value is proven, that is the proof's value and the move
// reaches it.
TEST(LazySmp, MovesAreLegalAndNeverWorseThanProven) {
    std::mt19937 random(47);
    MasterSearch threaded(1 << 18);
    threaded.setThreads(kThreads);
    MasterSearch single(1 << 18);
    int tested = 0;
    int stonesLeft = 0;
    for (int k = 0; k < 5; ++k) {
        const auto [p, side] = test::randomPlay(random, 3, 12 + 2 * k);
        if (p.rowSum(side) == 0) continue;
        ++tested;
        stonesLeft = std::max(stonesLeft, p.rowSum(Side::Bottom) + p.rowSum(Side::Top));
        const SearchResult proof = single.prove(p, side, depthOnly(0));
        ASSERT_TRUE(proof.exact) << k;
        const SearchResult result = threaded.search(p, side, depthOnly(8));
        ASSERT_TRUE(canPlayPit(p, result.pit)) << k;
        ASSERT_EQ(Position::sideOf(result.pit), side) << k;
        const MoveResult move = playMove(p, side, result.pit);
        int after = 0;
        if (move.gameOver) {
            after = move.position[Position::storeOf(side)] -
                    move.position[Position::storeOf(other(side))];
        } else {
            const SearchResult next = single.prove(move.position, move.sideToMove, depthOnly(0));
            after = move.sideToMove == side ? next.value : -next.value;
        }
        EXPECT_LE(after, proof.value) << k;
        if (result.exact) {
            EXPECT_EQ(result.value, proof.value) << k;
            EXPECT_EQ(after, proof.value) << k;
        }
    }
    EXPECT_GE(tested, 4);
    EXPECT_GE(stonesLeft, 15);  // not only positions at the very end
}

TEST(LazySmp, TheThreeStoneProofHoldsOnSeveralThreads) {
    MasterSearch search(1 << 20);
    search.setThreads(kThreads);
    const SearchResult result = search.prove(test::startWith(3), Side::Top, depthOnly(0));
    ASSERT_TRUE(result.exact);
    EXPECT_EQ(result.value, 2);
    EXPECT_TRUE(canPlayPit(test::startWith(3), result.pit));

    // The thinker passes the count on, and a threaded thought still stops on request.
    MasterThinker thinker(1 << 16, false);
    thinker.setThreads(kThreads);
    EXPECT_EQ(thinker.threads(), kThreads);
    std::promise<SearchResult> done;
    thinker.start(test::startWith(6), Side::Top, depthOnly(6),
                  [&](const SearchResult& r) { done.set_value(r); });
    const SearchResult thought = done.get_future().get();
    EXPECT_EQ(thought.depth, 6);
    EXPECT_TRUE(canPlayPit(test::startWith(6), thought.pit));
    thinker.start(test::startWith(6), Side::Top, depthOnly(0), {});
    thinker.stop();
}

}  // namespace
}  // namespace pimra
