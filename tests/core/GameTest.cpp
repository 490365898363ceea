#include <gtest/gtest.h>

#include "TestPositions.h"
#include "core/Game.h"
#include "core/LocalMatch.h"

namespace pimra {
namespace {

using test::board;

// Plays a whole local turn through the match, as the window does, without animation.
void playTurn(LocalMatch& match, int pit) {
    ASSERT_TRUE(match.click(pit).has_value());
    bool refused = false;
    while (match.next([&](const MoveResult& reply) { refused = refused || !reply.accepted; }) ==
           LocalMatch::Next::Reply) {
    }
    EXPECT_FALSE(refused);
    EXPECT_FALSE(match.turnRunning());
}

TEST(Game, StartState) {
    Game game;
    EXPECT_EQ(game.position(), Position::start());
    EXPECT_EQ(game.sideToMove(), Side::Bottom);
    EXPECT_EQ(game.level(), kLevelHard);
    EXPECT_EQ(game.history().moveNumber(), 0);
    EXPECT_FALSE(game.history().canGoBack());
    EXPECT_FALSE(game.history().canGoForward());
    EXPECT_TRUE(game.canAddStones());
    EXPECT_TRUE(game.canRemoveStones());
}

TEST(Game, ClicksAcceptedOnlyOnTheBottomRowWhenItIsToMove) {
    Game game;
    for (int pit : {0, 7, 8, 13, 14, 15}) EXPECT_FALSE(game.acceptsLocalClick(pit)) << pit;
    for (int pit = 1; pit <= 6; ++pit) EXPECT_TRUE(game.acceptsLocalClick(pit));
    game.setSideToMove(Side::Top);
    EXPECT_FALSE(game.acceptsLocalClick(1));
}

TEST(Game, EmptyPitClickIsRecordedAsATurnButChangesNothing) {
    LocalMatch match;
    Game& game = match.game();
    game.loadPosition(board({0, 6, 6, 6, 6, 6}, 0, {6, 6, 6, 6, 6, 6}, 0), true);
    const Position before = game.position();
    playTurn(match, 1);
    EXPECT_EQ(game.history().moveNumber(), 1);
    EXPECT_EQ(game.history().entry(1), before);
    EXPECT_EQ(game.history().entry(2), before);
    EXPECT_EQ(game.position(), before);
}

TEST(Game, BackAndForwardWalkTheHistory) {
    LocalMatch match;
    Game& game = match.game();
    playTurn(match, 3);
    const Position afterFirst = game.position();
    EXPECT_EQ(game.sideToMove(), Side::Bottom);
    EXPECT_TRUE(game.history().canGoBack());

    game.goBack();
    EXPECT_EQ(game.position(), Position::start());
    EXPECT_FALSE(game.history().canGoBack());
    EXPECT_TRUE(game.history().canGoForward());
    game.goForward();
    EXPECT_EQ(game.position(), afterFirst);
    EXPECT_FALSE(game.history().canGoForward());

    // Two steps back and a new turn forget what lay ahead.
    playTurn(match, 1);
    game.goBack();
    game.goBack();
    EXPECT_EQ(game.history().redoCount(), 2);
    playTurn(match, 2);
    EXPECT_EQ(game.history().redoCount(), 0);
    EXPECT_FALSE(game.history().canGoForward());
}

TEST(Game, ComputerKeepsTheTurnAfterItsStoreAndOnlyTheFinalPositionIsRecorded) {
    LocalMatch match;
    Game& game = match.game();
    game.setLevel(kLevelNormal);
    // The user's pit 1 passes the turn; Board 13's single stone lands in store 14 and the
    // computer moves again.
    game.loadPosition(board({1, 1, 1, 1, 1, 1}, 0, {2, 2, 2, 2, 2, 1}, 0), true);
    playTurn(match, 1);
    EXPECT_EQ(game.sideToMove(), Side::Bottom);
    EXPECT_EQ(game.history().moveNumber(), 1);
    EXPECT_EQ(game.history().entry(2), game.position());
    EXPECT_GE(game.position()[14], 2);
}

TEST(Game, NewGameKeepsThePreviousPositionOneStepBack) {
    LocalMatch match;
    Game& game = match.game();
    playTurn(match, 2);
    const Position played = game.position();
    game.setSideToMove(Side::Top);
    game.newGame();
    EXPECT_EQ(game.position(), Position::start());
    EXPECT_EQ(game.sideToMove(), Side::Bottom);
    EXPECT_EQ(game.history().moveNumber(), 1);
    game.goBack();
    EXPECT_EQ(game.position(), played);
    EXPECT_FALSE(game.history().canGoBack());
    game.goForward();
    EXPECT_EQ(game.position(), Position::start());
}

TEST(Game, SteppingBackAfterAGameEndedWithTheTopToMoveGivesTheMoveBack) {
    LocalMatch match;
    Game& game = match.game();
    game.loadPosition(board({0, 0, 0, 0, 1, 0}, 30, {0, 0, 0, 0, 0, 0}, 30), true);
    playTurn(match, 5);  // the top is to move with an empty row: the bottom row is swept
    EXPECT_EQ(game.sideToMove(), Side::Top);
    EXPECT_FALSE(game.computerToMove());
    EXPECT_EQ(game.position()[7], 31);
    game.goBack();
    EXPECT_EQ(game.sideToMove(), Side::Bottom);
    EXPECT_TRUE(game.acceptsLocalClick(5));
}

TEST(Game, SwapAndStoneEditing) {
    Game game;
    game.loadPosition(board({1, 2, 3, 4, 5, 6}, 7, {8, 9, 10, 11, 12, 13}, 14), true);
    const Position original = game.position();
    game.swapRows();
    EXPECT_EQ(game.position(), board({8, 9, 10, 11, 12, 13}, 14, {1, 2, 3, 4, 5, 6}, 7));
    game.swapRows();
    EXPECT_EQ(game.position(), original);

    Game fresh;
    for (int i = 0; i < 6; ++i) fresh.addStones();
    EXPECT_EQ(fresh.position(), board({12, 12, 12, 12, 12, 12}, 0, {12, 12, 12, 12, 12, 12}, 0));
    EXPECT_FALSE(fresh.canAddStones());
    fresh.addStones();  // a seventh click does nothing
    EXPECT_EQ(fresh.position()[1], 12);

    // The shift survives a new game: three more, new game, three more reach the limit.
    Game shifted;
    for (int i = 0; i < 3; ++i) shifted.addStones();
    shifted.newGame();
    for (int i = 0; i < 3; ++i) shifted.addStones();
    EXPECT_EQ(shifted.position()[1], 9);
    EXPECT_FALSE(shifted.canAddStones());

    Game fewer;
    fewer.loadPosition(board({0, 1, 2, 0, 1, 2}, 5, {2, 0, 0, 0, 0, 1}, 5), true);
    fewer.removeStones();
    EXPECT_EQ(fewer.position(), board({0, 0, 1, 0, 0, 1}, 5, {1, 0, 0, 0, 0, 0}, 5));
    EXPECT_EQ(fewer.stoneShift(), -1);
    for (int i = 0; i < 5; ++i) fewer.removeStones();
    EXPECT_FALSE(fewer.canRemoveStones());
}

TEST(Game, FullHistoryDropsTheOldestTurns) {
    LocalMatch match;
    Game& game = match.game();
    game.loadPosition(board({0, 0, 0, 0, 0, 0}, 0, {1, 1, 1, 1, 1, 1}, 0), true);
    // Clicks on an empty pit are turns that change nothing; play far past the 200 entries.
    for (int turn = 0; turn < 450; ++turn) playTurn(match, 1);
    EXPECT_EQ(game.history().moveNumber(), History::kCapacity - 1);
    for (int back = 0; back < History::kCapacity - 1; ++back) game.goBack();
    EXPECT_FALSE(game.history().canGoBack());
    EXPECT_EQ(game.history().redoCount(), History::kCapacity - 1);
}

TEST(Game, WholeGamesAtEveryLevelEndWithEveryStoneInAStore) {
    for (int level = 0; level <= 4; ++level) {
        LocalMatch match;
        Game& game = match.game();
        game.setLevel(level);
        int turns = 0;
        while (game.position().rowSum(Side::Bottom) > 0 && game.sideToMove() == Side::Bottom &&
               turns < 300) {
            // The user always takes the hint.
            playTurn(match, game.hint());
            ++turns;
        }
        EXPECT_LT(turns, 300) << level;
        EXPECT_EQ(game.position().total(), 72) << level;
    }
}

}  // namespace
}  // namespace pimra
