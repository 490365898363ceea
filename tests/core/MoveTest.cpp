#include <gtest/gtest.h>

#include <algorithm>

#include "TestPositions.h"
#include "core/Move.h"

namespace pimra {
namespace {

using test::board;

std::vector<int> sownPits(const MoveResult& r) {
    std::vector<int> pits;
    for (const MoveStep& s : r.steps) {
        if (s.kind == StepKind::Sow) pits.push_back(s.pit);
    }
    return pits;
}

int count(const MoveResult& r, StepKind kind) {
    return static_cast<int>(std::count_if(r.steps.begin(), r.steps.end(),
                                          [kind](const MoveStep& s) { return s.kind == kind; }));
}

TEST(Move, StartPositionPitOneEndsInOwnStoreAndKeepsTheTurn) {
    const MoveResult r = playMove(Position::start(), Side::Bottom, 1);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(sownPits(r), (std::vector<int>{2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(r.position, board({0, 7, 7, 7, 7, 7}, 1, {6, 6, 6, 6, 6, 6}, 0));
    EXPECT_TRUE(r.extraTurn);
    EXPECT_EQ(r.sideToMove, Side::Bottom);
    EXPECT_FALSE(r.gameOver);
    // Lift first, then the six stones, the end of sowing and the status text.
    ASSERT_EQ(r.steps.size(), 9u);
    EXPECT_EQ(r.steps.front().kind, StepKind::Lift);
    EXPECT_EQ(r.steps.front().position[1], 0);
    EXPECT_EQ(r.steps[7].kind, StepKind::EndSowing);
    EXPECT_EQ(r.steps[7].pit, 1);
    EXPECT_EQ(r.steps.back().kind, StepKind::Status);
    EXPECT_EQ(r.steps.back().text, "Ход нижнего игрока");
}

TEST(Move, SowingSkipsTheOpponentsStoreInBothDirections) {
    Position p = Position::start();
    p[6] = 8;
    MoveResult r = playMove(p, Side::Bottom, 6);
    EXPECT_EQ(sownPits(r), (std::vector<int>{7, 8, 9, 10, 11, 12, 13, 1}));
    EXPECT_EQ(r.position[14], 0);
    EXPECT_EQ(r.sideToMove, Side::Top);
    EXPECT_EQ(r.steps.back().text, "Ход верхнего игрока");

    p = Position::start();
    p[13] = 8;
    r = playMove(p, Side::Top, 13);
    EXPECT_EQ(sownPits(r), (std::vector<int>{14, 1, 2, 3, 4, 5, 6, 8}));
    EXPECT_EQ(r.position[7], 0);
    EXPECT_EQ(r.sideToMove, Side::Bottom);
}

TEST(Move, ThirteenStonesComeBackToTheStartPitAndCapture) {
    const Position p = board({13, 1, 1, 1, 1, 1}, 0, {1, 1, 1, 1, 1, 1}, 0);
    const MoveResult r = playMove(p, Side::Bottom, 1);
    ASSERT_TRUE(r.captured);
    EXPECT_EQ(r.lastPit, 1);
    // Pit 13 got one stone during the lap, so 2 + the last stone go to store 7 (which got 1).
    EXPECT_EQ(r.position, board({0, 2, 2, 2, 2, 2}, 4, {2, 2, 2, 2, 2, 0}, 0));
    const auto capture = std::find_if(r.steps.begin(), r.steps.end(), [](const MoveStep& s) {
        return s.kind == StepKind::Capture;
    });
    ASSERT_NE(capture, r.steps.end());
    EXPECT_EQ(capture->pit, 1);
    EXPECT_EQ(capture->otherPit, 13);
    EXPECT_EQ(capture->store, 7);
}

TEST(Move, LoneStoneFacingAnEmptyPitStaysAndOpponentRowNeverCaptures) {
    // Pit 1's stone lands in the empty pit 2 facing the empty pit 12: no capture.
    const Position p = board({1, 0, 3, 3, 3, 3}, 0, {2, 2, 2, 2, 0, 2}, 0);
    MoveResult r = playMove(p, Side::Bottom, 1);
    EXPECT_FALSE(r.captured);
    EXPECT_EQ(r.position[2], 1);
    EXPECT_EQ(r.sideToMove, Side::Top);

    // The last stone of a top move landing in an empty bottom pit captures nothing.
    const Position q = board({0, 3, 3, 3, 3, 3}, 0, {2, 2, 2, 2, 2, 2}, 0);
    r = playMove(q, Side::Top, 13);
    EXPECT_FALSE(r.captured);
    EXPECT_EQ(r.position[1], 1);
}

TEST(Move, TopMoveCapturesIntoTheTopStore) {
    // Pit 12's stone lands in the empty pit 13, facing pit 1 with 4 stones.
    const Position p = board({4, 1, 1, 1, 1, 1}, 0, {1, 1, 1, 1, 1, 0}, 0);
    const MoveResult r = playMove(p, Side::Top, 12);
    ASSERT_TRUE(r.captured);
    EXPECT_EQ(r.position[14], 5);
    EXPECT_EQ(r.position[1], 0);
    EXPECT_EQ(r.position[13], 0);
}

TEST(Move, EmptyBottomRowWithBottomToMoveSweepsTheTopRowAndEnds) {
    // The top player's last stone leaves the bottom row empty with the bottom to move.
    const Position p = board({0, 0, 0, 0, 0, 0}, 30, {2, 0, 0, 0, 0, 1}, 30);
    const MoveResult r = playMove(p, Side::Top, 8);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.sideToMove, Side::Bottom);
    EXPECT_EQ(count(r, StepKind::Sweep), 6);
    EXPECT_TRUE(r.gameOver);
    EXPECT_EQ(r.position.rowSum(Side::Top), 0);
    EXPECT_EQ(r.position[14], 33);
    EXPECT_EQ(r.steps.back().kind, StepKind::Result);
    EXPECT_EQ(r.steps.back().text, "Верхний игрок выиграл !   30:33");
    // Sweep steps go pit 8..13 in order, each into store 14.
    std::vector<int> swept;
    for (const MoveStep& s : r.steps) {
        if (s.kind == StepKind::Sweep) {
            swept.push_back(s.pit);
            EXPECT_EQ(s.store, 14);
        }
    }
    EXPECT_EQ(swept, (std::vector<int>{8, 9, 10, 11, 12, 13}));
}

TEST(Move, OwnRowEmptiedWithTheOpponentToMoveDoesNotEnd) {
    const Position p = board({0, 0, 0, 0, 0, 2}, 5, {3, 3, 3, 3, 3, 3}, 5);
    const MoveResult r = playMove(p, Side::Bottom, 6);
    EXPECT_EQ(r.sideToMove, Side::Top);
    EXPECT_EQ(r.position.rowSum(Side::Bottom), 0);
    EXPECT_EQ(count(r, StepKind::Sweep), 0);
    EXPECT_FALSE(r.gameOver);
}

TEST(Move, StoreAboveThirtySixEndsWithRowsLeftAndResultTexts) {
    const Position p = board({0, 0, 0, 0, 1, 1}, 36, {3, 3, 3, 3, 3, 3}, 2);
    MoveResult r = playMove(p, Side::Bottom, 6);
    EXPECT_TRUE(r.gameOver);
    EXPECT_EQ(r.steps.back().text, "Нижний игрок выиграл !   37:2");
    EXPECT_EQ(resultText(board({0, 0, 0, 0, 0, 0}, 36, {0, 0, 0, 0, 0, 0}, 36)), "Ничья !   36:36");
    // The game can go on afterwards and the message comes again.
    r = playMove(board({1, 0, 0, 0, 0, 1}, 37, {3, 3, 3, 3, 3, 3}, 2), Side::Bottom, 1);
    EXPECT_TRUE(r.gameOver);
}

TEST(Move, RefusedMovesChangeNothing) {
    const Position p = board({0, 6, 6, 6, 6, 6}, 0, {6, 6, 6, 6, 6, 6}, 3);
    for (int pit : {-1, 0, 1, 7, 8, 14, 15, 255}) {
        const MoveResult r = playMove(p, Side::Bottom, pit);
        EXPECT_FALSE(r.accepted) << pit;
        EXPECT_TRUE(r.steps.empty()) << pit;
        EXPECT_EQ(r.position, p) << pit;
        EXPECT_EQ(r.sideToMove, Side::Bottom) << pit;
    }
}

TEST(Move, LargeCountsNeverWrapAround) {
    Position p = Position::start();
    p[1] = 300;
    const MoveResult r = playMove(p, Side::Bottom, 1);
    ASSERT_TRUE(r.accepted);
    EXPECT_EQ(r.position.total(), p.total());
    EXPECT_GT(r.position[7], 20);
}

}  // namespace
}  // namespace pimra
