#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "ExhaustiveSolver.h"
#include "TestPositions.h"
#include "core/MasterSearch.h"
#include "core/Move.h"
#include "core/MoveProofs.h"
#include "core/SharedPitDatabase.h"

namespace pimra {
namespace {

using test::board;

SearchLimits noLimits() {
    SearchLimits limits;
    limits.time = std::chrono::milliseconds(0);
    return limits;
}

// The proven value of the position after `pit`, for the side that played it.
int valueAfter(MasterSearch& search, const Position& p, Side side, int pit) {
    const MoveResult move = playMove(p, side, pit);
    if (move.gameOver) {
        return move.position[Position::storeOf(side)] -
               move.position[Position::storeOf(other(side))];
    }
    const SearchResult next = search.prove(move.position, move.sideToMove, noLimits());
    EXPECT_TRUE(next.exact);
    return move.sideToMove == side ? next.value : -next.value;
}

TEST(MasterProof, AgreesWithExhaustiveSearchOnRandomEndgames) {
    std::mt19937 random(41);
    test::ExhaustiveSolver solver;
    MasterSearch search(1 << 16);
    for (int k = 0; k < 24; ++k) {
        Position p = test::scatteredStones(random, 5 + k % 5);
        // Half of them near the store limit.
        p[kBottomStore] = k % 2 == 0 ? 30 + k % 7 : k;
        p[kTopStore] = k % 2 == 0 ? 36 - k % 5 : 2 * k % 19;
        const Side side = k % 3 == 0 ? Side::Top : Side::Bottom;
        if (p.rowSum(side) == 0) continue;
        const SearchResult result = search.prove(p, side, noLimits());
        ASSERT_TRUE(result.exact) << k;
        EXPECT_EQ(result.value, solver.value(p, side)) << k;
        EXPECT_EQ(result.upper, result.value) << k;
        EXPECT_EQ(valueAfter(search, p, side, result.pit), result.value) << k;
    }
}

TEST(MasterProof, TheThreeStoneStartIsAFirstPlayerWinByTwo) {
    for (const Side side : {Side::Bottom}) {
        MasterSearch search(1 << 20);
        std::vector<std::pair<int, int>> ranges;
        const SearchResult result =
            search.prove(test::startWith(3), side, noLimits(), {},
                         [&](const SearchResult& r) { ranges.emplace_back(r.value, r.upper); });
        ASSERT_TRUE(result.exact);
        EXPECT_EQ(result.value, 2);
        EXPECT_EQ(valueAfter(search, test::startWith(3), side, result.pit), 2);
        // Every report narrows the range, and the last one is the value.
        ASSERT_FALSE(ranges.empty());
        for (std::size_t i = 1; i < ranges.size(); ++i) {
            EXPECT_GE(ranges[i].first, ranges[i - 1].first);
            EXPECT_LE(ranges[i].second, ranges[i - 1].second);
        }
        EXPECT_EQ(ranges.back(), std::make_pair(2, 2));
    }
}

TEST(MasterProof, AProofCutShortGivesBoundsThatHold) {
    MasterSearch search(1 << 16);
    SearchLimits limits = noLimits();
    limits.nodes = 20000;
    const SearchResult result = search.prove(test::startWith(3), Side::Bottom, limits);
    EXPECT_FALSE(result.exact);
    EXPECT_LE(result.value, 2);
    EXPECT_GE(result.upper, 2);
    EXPECT_TRUE(canPlayPit(test::startWith(3), result.pit));

    // A board with no move for the side to move: the other row is swept.
    const Position over = board({1, 2, 0, 0, 0, 0}, 20, {0, 0, 0, 0, 0, 0}, 30);
    const SearchResult none = search.prove(over, Side::Top, noLimits());
    EXPECT_TRUE(none.exact);
    EXPECT_EQ(none.value, 30 - 23);
    EXPECT_EQ(none.pit, 0);
}

// Set up as `pimra-engine --solve` is. Run with PIMRA_SLOW_TESTS=1: a Release build takes about
// a minute to build the proof's pit database on first use and 40 s for the proof.
TEST(MasterProof, TheFourStoneStartIsAFirstPlayerWinByEightWithTheThirdPit) {
    if (std::getenv("PIMRA_SLOW_TESTS") == nullptr) GTEST_SKIP() << "set PIMRA_SLOW_TESTS=1";
    MasterSearch search(MasterSearch::kProofTableEntries);
    search.setEndgame(sharedEndgameWait());
    search.setPitDatabase(loadProofPitDatabase().database);
    const SearchResult result = search.prove(test::startWith(4), Side::Bottom, noLimits());
    ASSERT_TRUE(result.exact);
    EXPECT_EQ(result.value, 8);
    EXPECT_EQ(result.pit, 3);
}

TEST(MoveProofs, ProveWhatAShallowAnalysisGuessedAndChooseTheBestMove) {
    std::mt19937 random(12);
    test::ExhaustiveSolver solver;
    MasterSearch search(1 << 16);
    int proven = 0;
    for (int k = 0; k < 8; ++k) {
        Position p = test::scatteredStones(random, 9);
        p[kBottomStore] = k % 2 == 0 ? 31 : 3;
        const Side side = k % 4 < 2 ? Side::Bottom : Side::Top;
        if (p.rowSum(side) == 0) continue;
        SearchLimits shallow = noLimits();
        shallow.depth = 1;
        SearchResult analysis = search.analyse(p, side, shallow);
        int reports = 0;
        proveMoves(search, p, side, analysis, noLimits(), {},
                   [&](const SearchResult&) { ++reports; });
        ASSERT_TRUE(analysis.exact) << k;
        int best = -1000;
        for (const MoveValue& move : analysis.moves) {
            EXPECT_TRUE(move.exact) << k;
            EXPECT_EQ(move.value, valueAfter(search, p, side, move.pit)) << k;
            best = std::max(best, move.value);
        }
        EXPECT_EQ(analysis.value, solver.value(p, side)) << k;
        EXPECT_EQ(analysis.value, best) << k;
        EXPECT_EQ(valueAfter(search, p, side, analysis.pit), best) << k;
        proven += reports;
    }
    EXPECT_GT(proven, 0);  // some value was a guess before

    // Out of time: the guesses stay, and the proofs end.
    MasterSearch big(1 << 16);
    SearchLimits brief;
    brief.time = std::chrono::milliseconds(40);
    brief.clock = SearchClock::Wall;
    SearchResult start = big.analyse(Position::start(), Side::Bottom, brief);
    proveMoves(big, Position::start(), Side::Bottom, start, brief);
    EXPECT_FALSE(start.exact);
}

}  // namespace
}  // namespace pimra
