#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <random>
#include <thread>
#include <vector>

#include "ExhaustiveSolver.h"
#include "TestPositions.h"
#include "core/MasterClock.h"
#include "core/MasterLevel.h"
#include "core/MasterSearch.h"
#include "core/MasterThinker.h"
#include "core/Move.h"
#include "core/RulesBoard.h"

namespace pimra {
namespace {

using test::board;
using test::ExhaustiveSolver;

// Deep enough for the four-stone start to come out right, shallow enough for the sanitizers.
constexpr int kFourStoneDepth = 12;

SearchLimits unlimited() {
    SearchLimits limits;
    limits.time = std::chrono::milliseconds(0);
    return limits;
}

// A random position late in a game: a few stones spread over the pits, the rest in stores.
Position randomEndgame(std::mt19937& random, int pitStones) {
    Position p;
    for (int k = 0; k < pitStones; ++k) {
        int pit = 0;
        do pit = std::uniform_int_distribution<int>(1, 13)(random);
        while (pit == kBottomStore);
        ++p[pit];
    }
    p[kBottomStore] = std::uniform_int_distribution<int>(0, 36)(random);
    p[kTopStore] = std::uniform_int_distribution<int>(0, 36)(random);
    return p;
}

TEST(RulesBoard, PlaysEveryMoveExactlyLikeTheGame) {
    std::mt19937 random(11);
    for (int game = 0; game < 300; ++game) {
        Position p;
        const int perPit = 1 + game % 8;
        for (int i = 1; i <= kPitCount; ++i) p[i] = Position::isStore(i) ? 0 : perPit;
        if (game % 3 == 0) p[1 + game % 6] = 13 + game % 20;  // laps around the board
        Side side = game % 2 == 0 ? Side::Bottom : Side::Top;
        for (int turn = 0; turn < 300 && p.rowSum(side) > 0; ++turn) {
            int pit = 0;
            do pit = Position::firstPitOf(side) + static_cast<int>(random() % 6);
            while (p[pit] == 0);
            auto fast = RulesBoard::from(p, side);
            ASSERT_TRUE(fast);
            ASSERT_TRUE(fast->canPlay(pit));
            const RulesMove quick = fast->play(pit);
            const MoveResult move = playMove(p, side, pit);
            ASSERT_EQ(fast->position(), move.position) << "game " << game << " turn " << turn;
            ASSERT_EQ(fast->sideToMove(), move.sideToMove);
            ASSERT_EQ(quick.extraTurn, move.extraTurn);
            ASSERT_EQ(quick.gameOver, move.gameOver);
            if (move.gameOver) break;
            p = move.position;
            side = move.sideToMove;
        }
    }
}

TEST(RulesBoard, RefusesBoardsItCannotHold) {
    Position big = Position::start();
    big[1] = 200;
    EXPECT_FALSE(RulesBoard::from(big, Side::Bottom));
    Position negative = Position::start();
    negative[3] = -1;
    EXPECT_FALSE(RulesBoard::from(negative, Side::Top));
    EXPECT_FALSE(RulesBoard::from(Position::start(), static_cast<Side>(3)));
    const auto start = RulesBoard::from(Position::start(), Side::Top);
    ASSERT_TRUE(start);
    EXPECT_FALSE(start->canPlay(3));
    EXPECT_FALSE(start->canPlay(14));
    EXPECT_TRUE(start->canPlay(8));
}

TEST(MasterSearch, ProvesTheValueOfSmallBoards) {
    ExhaustiveSolver solver;
    MasterSearch search(1 << 16);
    const Position small[] = {
        board({1, 1, 1, 1, 0, 0}, 0, {1, 1, 0, 0, 1, 1}, 0),
        board({2, 0, 0, 2, 0, 0}, 0, {2, 0, 0, 0, 0, 2}, 0),
        board({2, 2, 2, 0, 0, 2}, 0, {0, 0, 0, 0, 0, 1}, 0),
        board({0, 3, 0, 0, 0, 0}, 0, {3, 0, 0, 0, 0, 3}, 0),
    };
    for (const Position& p : small) {
        for (Side side : {Side::Bottom, Side::Top}) {
            if (p.rowSum(side) == 0) continue;
            const SearchResult result = search.search(p, side, unlimited());
            ASSERT_TRUE(result.exact);
            EXPECT_EQ(result.value, solver.value(p, side));
            // The chosen move really reaches that value.
            const MoveResult move = playMove(p, side, result.pit);
            ASSERT_TRUE(move.accepted);
            const int after = move.gameOver ? move.position[Position::storeOf(side)] -
                                                  move.position[Position::storeOf(other(side))]
                              : move.sideToMove == side ? solver.value(move.position, side)
                                                        : -solver.value(move.position, other(side));
            EXPECT_EQ(after, result.value);
        }
    }
}

TEST(MasterSearch, AnalysisGivesEachMoveItsOwnProvenValue) {
    ExhaustiveSolver solver;
    MasterSearch search(1 << 16);
    const Position p = board({2, 0, 0, 2, 0, 0}, 3, {2, 2, 0, 0, 2, 0}, 4);
    const SearchResult result = search.analyse(p, Side::Top, unlimited());
    ASSERT_TRUE(result.exact);
    ASSERT_EQ(result.moves.size(), 3u);
    for (const MoveValue& m : result.moves) {
        const MoveResult move = playMove(p, Side::Top, m.pit);
        const int expected = move.gameOver ? move.position[14] - move.position[7]
                             : move.sideToMove == Side::Top
                                 ? solver.value(move.position, Side::Top)
                                 : -solver.value(move.position, Side::Bottom);
        EXPECT_TRUE(m.exact);
        EXPECT_EQ(m.value, expected) << "pit " << m.pit;
    }
    EXPECT_EQ(result.value, solver.value(p, Side::Top));
}

TEST(MasterSearch, EndgamesAgreeWithExhaustiveSearch) {
    std::mt19937 random(5);
    ExhaustiveSolver solver;
    MasterSearch search(1 << 16);
    for (int k = 0; k < 40; ++k) {
        const Position p = randomEndgame(random, 3 + k % 6);
        const Side side = k % 2 == 0 ? Side::Bottom : Side::Top;
        if (p.rowSum(side) == 0) continue;
        const SearchResult result = search.search(p, side, unlimited());
        ASSERT_TRUE(result.exact) << k;
        EXPECT_EQ(result.value, solver.value(p, side)) << k;
    }
}

TEST(MasterSearch, DepthLimitedSearchIsRepeatableAndPlaysLegalMoves) {
    MasterSearch search(1 << 16);
    SearchLimits limits = unlimited();
    limits.depth = 6;
    const SearchResult first = search.search(Position::start(), Side::Top, limits);
    search.clear();
    const SearchResult second = search.search(Position::start(), Side::Top, limits);
    EXPECT_EQ(first.pit, second.pit);
    EXPECT_EQ(first.value, second.value);
    EXPECT_EQ(first.depth, 6);
    EXPECT_FALSE(first.exact);
    EXPECT_GE(first.pit, 8);
    EXPECT_LE(first.pit, 13);

    // Board too large for the search: the level falls back to the very hard choice.
    Position big = Position::start();
    big[10] = 250;
    const SearchResult fallback = MasterComputerMove(search, big, limits);
    EXPECT_FALSE(fallback.searched);
    EXPECT_TRUE(canPlayPit(big, fallback.pit));

    // No move left: the value is the end of the game, with the other row swept.
    const Position over = board({1, 2, 0, 0, 0, 0}, 20, {0, 0, 0, 0, 0, 0}, 30);
    const SearchResult none = search.search(over, Side::Top, limits);
    EXPECT_EQ(none.pit, 0);
    EXPECT_TRUE(none.exact);
    EXPECT_EQ(none.value, 30 - 23);
}

// Bottom's only move leaves its next stone able to land in the empty pit facing top's six:
// top, to move at the depth with nothing better than to stand, is worth half that capture
// less to a selective search, and exactly its stores to a plain one.
TEST(MasterSearch, AtTheDepthHalfOfTheCaptureTheOtherSideThreatensCounts) {
    const Position p = board({1, 0, 0, 0, 0, 0}, 10, {0, 0, 0, 6, 0, 0}, 10);
    SearchLimits limits = unlimited();
    limits.depth = 1;
    MasterSearch selective(1 << 10);
    EXPECT_EQ(selective.search(p, Side::Bottom, limits).value, 7 / 2);
    MasterSearch plain(1 << 10);
    plain.setSelective(false);
    EXPECT_EQ(plain.search(p, Side::Bottom, limits).value, 0);
}

TEST(MasterSearch, FromTheFourStoneStartPlaysTheThirdPit) {
    // With four stones per pit the first player wins by its third pit and by no other.
    Position p;
    for (int i = 1; i <= kPitCount; ++i) p[i] = Position::isStore(i) ? 0 : 4;
    MasterSearch search(1 << 18);
    SearchLimits limits = unlimited();
    limits.depth = kFourStoneDepth;
    EXPECT_EQ(search.search(p, Side::Bottom, limits).pit, 3);
    search.clear();
    EXPECT_EQ(search.search(p, Side::Top, limits).pit, 10);
}

TEST(MasterSearch, StopsSoonAfterBeingAsked) {
    MasterSearch search(1 << 16);
    std::stop_source stop;
    std::uint64_t nodesWhenAsked = 0;
    // Asked to stop after the third iteration, from inside the search.
    const SearchResult result = search.search(Position::start(), Side::Top, unlimited(),
                                              stop.get_token(), [&](const SearchResult& progress) {
                                                  if (progress.depth == 3) {
                                                      nodesWhenAsked = progress.nodes;
                                                      stop.request_stop();
                                                  }
                                              });
    EXPECT_EQ(result.depth, 3);
    EXPECT_LE(result.nodes, nodesWhenAsked + MasterSearch::kCheckInterval + 1);
    EXPECT_TRUE(canPlayPit(Position::start(), result.pit));
}

TEST(MasterThinker, ReportsOnTheWorkerAndStopsWithinFiftyMilliseconds) {
    MasterThinker thinker(1 << 16, false);
    std::promise<SearchResult> finished;
    SearchLimits limits = unlimited();
    limits.depth = 5;
    thinker.start(Position::start(), Side::Top, limits,
                  [&](const SearchResult& r) { finished.set_value(r); });
    const SearchResult result = finished.get_future().get();
    EXPECT_EQ(result.depth, 5);

    // A thought without limits ends when stopped, and its result is not reported.
    bool reported = false;
    thinker.start(Position::start(), Side::Top, unlimited(),
                  [&](const SearchResult&) { reported = true; });
    std::this_thread::yield();
    const auto asked = std::chrono::steady_clock::now();
    thinker.stop();
    const auto took = std::chrono::steady_clock::now() - asked;
    EXPECT_LT(took, std::chrono::milliseconds(50));
    EXPECT_FALSE(reported);
}

TEST(SearchStopwatch, ACpuClockCountsOnlyTheThreadsOwnWork) {
    using std::chrono::milliseconds;
    ASSERT_TRUE(threadCpuTime());
    const SearchStopwatch cpu(SearchClock::ThreadCpu);
    const SearchStopwatch wall(SearchClock::Wall);
    EXPECT_EQ(cpu.clock(), SearchClock::ThreadCpu);
    // Another thread works for 30 ms of its own CPU time while this one waits for it.
    std::thread worker([] {
        const auto started = *threadCpuTime();
        while (*threadCpuTime() - started < milliseconds(30)) {
        }
    });
    worker.join();
    EXPECT_GE(wall.elapsed(), milliseconds(30));
    EXPECT_LT(cpu.elapsed(), milliseconds(15));
    // This thread's own work does count.
    const auto before = cpu.elapsed();
    while (cpu.elapsed() < before + milliseconds(5)) {
    }
    EXPECT_GE(cpu.elapsed() - before, milliseconds(5));
}

TEST(MasterThinker, ANewThoughtReplacesTheOneUnderWay) {
    MasterThinker thinker(1 << 16, false);
    std::atomic<int> reports{0};
    std::promise<SearchResult> second;
    thinker.start(Position::start(), Side::Top, unlimited(),
                  [&](const SearchResult&) { ++reports; });
    SearchLimits limits = unlimited();
    limits.depth = 3;
    const Position p = board({0, 0, 0, 0, 0, 1}, 30, {0, 0, 0, 0, 2, 1}, 20);
    thinker.start(p, Side::Top, limits, [&](const SearchResult& r) {
        ++reports;
        second.set_value(r);
    });
    const SearchResult result = second.get_future().get();
    thinker.stop();
    EXPECT_EQ(reports.load(), 1);
    EXPECT_EQ(result.pit, 13);  // one stone into the store, then two more
}

TEST(MasterThinker, AnalysisReportsEveryDepthThenTheLastAndAStoppedOneNothing) {
    MasterThinker thinker(1 << 16, false);
    std::vector<int> depths;  // written on the worker, read after it has ended
    std::promise<SearchResult> finished;
    SearchLimits limits = unlimited();
    limits.depth = 4;
    thinker.analyse(
        Position::start(), Side::Bottom, limits,
        [&](const SearchResult& r) { depths.push_back(r.depth); },
        [&](const SearchResult& r) { finished.set_value(r); });
    const SearchResult result = finished.get_future().get();
    thinker.stop();
    EXPECT_EQ(depths, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(result.moves.size(), 6u);  // every pit with its own value

    std::atomic<int> reports{0};
    thinker.analyse(
        Position::start(), Side::Bottom, unlimited(), [&](const SearchResult&) {},
        [&](const SearchResult&) { ++reports; });
    thinker.stop();
    EXPECT_EQ(reports.load(), 0);
}

}  // namespace
}  // namespace pimra
