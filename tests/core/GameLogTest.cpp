#include <gtest/gtest.h>

#include "TestPositions.h"
#include "core/LocalMatch.h"
#include "core/RecordFormat.h"

namespace pimra {
namespace {

using test::board;

// Plays a whole local turn through the match, as the window does, without animation.
void playTurn(LocalMatch& match, int pit) {
    ASSERT_TRUE(match.click(pit).has_value());
    while (match.next([](const MoveResult&) {}) == LocalMatch::Next::Reply) {
    }
    ASSERT_FALSE(match.turnRunning());
}

int firstPit(const Game& game) {
    int pit = 1;
    while (pit < 6 && game.position()[pit] == 0) ++pit;
    return pit;
}

// The record replayed from its start reaches `position`.
void expectReplaysTo(const GameRecord& record, const Position& position) {
    GameRecord replay(record.start(), record.firstSide());
    for (const RecordedMove& move : record.moves()) ASSERT_TRUE(replay.append(move));
    EXPECT_EQ(replay.current().position, position);
}

TEST(GameLog, EveryMoveOfTheLocalGameIsRecordedWithWhoPlayedItAndTheLevel) {
    LocalMatch match;
    Game& game = match.game();
    game.setLevel(kLevelNormal);
    playTurn(match, 1);  // ends in store 7: a turn of its own
    playTurn(match, 3);
    game.setLevel(kLevelVeryHard);
    playTurn(match, 2);

    const GameRecord& record = game.record();
    EXPECT_EQ(record.start(), Position::start());
    EXPECT_EQ(record.firstSide(), Side::Bottom);
    ASSERT_GE(record.moves().size(), 4u);
    EXPECT_EQ(record.moves()[0], (RecordedMove{1, Mover::Human, 0}));
    EXPECT_EQ(record.moves()[1], (RecordedMove{3, Mover::Human, 0}));
    EXPECT_EQ(record.moves()[2].mover, Mover::Computer);
    EXPECT_EQ(record.moves()[2].level, kLevelNormal);
    EXPECT_EQ(record.moves().back().level, kLevelVeryHard);
    expectReplaysTo(record, game.position());
    EXPECT_EQ(game.recordMoves(), record.moves().size());
    // Each history entry knows how far into the record it lies.
    EXPECT_EQ(game.history().mark(1), 0);
    EXPECT_EQ(game.history().mark(2), 1);

    // Played to its end, the record carries the result.
    for (int turn = 0; turn < 300 && !record.current().gameOver; ++turn)
        playTurn(match, firstPit(game));
    ASSERT_TRUE(record.current().gameOver);
    const Position end = record.current().position;
    EXPECT_EQ(record.result(), std::to_string(end[7]) + ":" + std::to_string(end[14]));
    expectReplaysTo(record, end);
}

TEST(GameLog, MovesPlayedOnAfterTheEndAreNotTheGames) {
    LocalMatch match;
    Game& game = match.game();
    // Pit 6 reaches store 7 with its 37th stone: the game is over, yet both rows hold stones.
    const Position start = board({0, 0, 0, 0, 2, 1}, 36, {1, 1, 1, 1, 1, 1}, 0);
    game.loadPosition(start, true);
    playTurn(match, 6);
    const GameRecord& record = game.record();
    ASSERT_TRUE(record.current().gameOver);
    EXPECT_EQ(record.result(), "37:0");
    const GameRecord finished = record;

    playTurn(match, 5);  // play goes on past the end
    EXPECT_EQ(record, finished);
    EXPECT_FALSE(game.recordMoves().has_value());
    playTurn(match, 6);
    EXPECT_EQ(record, finished);

    game.goBack();
    game.goBack();
    EXPECT_EQ(game.recordMoves(), 1u);  // the end of the recorded game
    game.goBack();
    EXPECT_EQ(game.recordMoves(), 0u);
    playTurn(match, 5);  // another game from the same start
    ASSERT_EQ(record.moves().size(), 1u);
    EXPECT_EQ(record.moves()[0].pit, 5);
    EXPECT_EQ(record.start(), start);
}

TEST(GameLog, BackAndForwardMoveTheCursorAndAMoveAfterBackCutsTheTail) {
    LocalMatch match;
    Game& game = match.game();
    playTurn(match, 1);
    playTurn(match, 3);
    const std::size_t afterTwo = game.record().moves().size();
    game.goBack();
    EXPECT_EQ(game.recordMoves(), 1u);
    EXPECT_EQ(game.record().moves().size(), afterTwo);  // still there for "Вперед"
    game.goBack();
    EXPECT_EQ(game.recordMoves(), 0u);
    game.goForward();
    game.goForward();
    EXPECT_EQ(game.recordMoves(), afterTwo);

    game.goBack();
    playTurn(match, 2);  // another move where 3 was played
    const GameRecord& record = game.record();
    EXPECT_EQ(record.moves()[1], (RecordedMove{2, Mover::Human, 0}));
    EXPECT_EQ(game.recordMoves(), record.moves().size());
    expectReplaysTo(record, game.position());
    EXPECT_FALSE(game.history().canGoForward());
}

TEST(GameLog, EditsAndNewGamesBeginANewRecordAtTheNextTurn) {
    LocalMatch match;
    Game& game = match.game();
    playTurn(match, 3);
    game.swapRows();
    EXPECT_FALSE(game.recordMoves().has_value());  // the board left the record's line
    const Position swapped = game.position();
    playTurn(match, 2);
    EXPECT_EQ(game.record().start(), swapped);
    EXPECT_EQ(game.record().moves().front(), (RecordedMove{2, Mover::Human, 0}));
    expectReplaysTo(game.record(), game.position());
    // Back at the swapped board, then before it: the old game is no longer on the record.
    game.goBack();
    EXPECT_EQ(game.recordMoves(), 0u);
    game.goBack();
    EXPECT_FALSE(game.recordMoves().has_value());
    ASSERT_TRUE(game.goToRecordMoves(0));  // the record's start is the swapped board
    EXPECT_EQ(game.position(), swapped);

    game.removeStones();
    game.removeStones();
    game.newGame();
    EXPECT_EQ(game.record().start(), Position::start());
    EXPECT_TRUE(game.record().moves().empty());
    game.goBack();  // the position before "Новая" is not part of the new record
    EXPECT_FALSE(game.recordMoves().has_value());
    game.goForward();
    EXPECT_EQ(game.recordMoves(), 0u);
    game.addStones();
    playTurn(match, 1);
    EXPECT_EQ(game.record().start()[1], 7);  // the edited board is the new start
}

TEST(GameLog, ALoadedRecordBecomesTheHistoryTurnByTurn) {
    // The bottom row plays 1 (extra move), then 3; the top row answers; the bottom plays 2.
    const RecordReading reading = parseRecord(
        "[Start \"6 6 6 6 6 6 0 6 6 6 6 6 6 0\"]\n"
        "1. 1 human\n2. 3 human\n3. 8 computer master\n4. 2 human\n5. 9 computer hard\n");
    ASSERT_TRUE(reading.record) << reading.problem.message;
    LocalMatch match;
    Game& game = match.game();
    game.loadRecord(*reading.record);
    const GameRecord& record = game.record();
    EXPECT_EQ(game.position(), record.current().position);
    EXPECT_EQ(game.sideToMove(), Side::Bottom);
    EXPECT_EQ(game.recordMoves(), 5u);
    EXPECT_EQ(game.history().moveNumber(), 3);  // start, after 1, after 3 8, after 2 9

    // A move inside a turn shows where that turn ended; the start is reached too.
    ASSERT_TRUE(game.goToRecordMoves(2));
    EXPECT_EQ(game.recordMoves(), 3u);
    EXPECT_EQ(game.position(), record.after(3).position);
    EXPECT_EQ(game.history().redoCount(), 1);
    ASSERT_TRUE(game.goToRecordMoves(0));
    EXPECT_EQ(game.position(), Position::start());
    EXPECT_FALSE(game.history().canGoBack());
    ASSERT_TRUE(game.goToRecordMoves(5));
    EXPECT_EQ(game.position(), record.current().position);

    game.goToRecordMoves(1);
    playTurn(match, 4);
    EXPECT_EQ(record.moves()[1], (RecordedMove{4, Mover::Human, 0}));
    expectReplaysTo(record, game.position());
}

TEST(GameLog, TheHistoryDroppingItsOldestTurnsKeepsTheMarksInStep) {
    LocalMatch match;
    Game& game = match.game();
    playTurn(match, 3);
    // Clicks on the empty pit 3 are turns without a move: the history fills up.
    for (int k = 0; k < History::kCapacity + 10; ++k) playTurn(match, 3);
    EXPECT_EQ(game.history().moveNumber(), History::kCapacity - 1);
    const std::size_t played = game.record().moves().size();
    EXPECT_EQ(game.recordMoves(), played);
    EXPECT_FALSE(game.goToRecordMoves(0));  // the start has left the history
    EXPECT_EQ(game.recordMoves(), played);
    EXPECT_TRUE(game.goToRecordMoves(played));
}

TEST(GameLog, OnlineMovesAndLoadedPositionsAreNotWrittenIntoTheRecord) {
    LocalMatch match;
    Game& game = match.game();
    playTurn(match, 3);
    const GameRecord before = game.record();
    game.loadPosition(board({1, 2, 3, 4, 5, 6}, 0, {6, 5, 4, 3, 2, 1}, 0), true);
    game.setSideToMove(Side::Bottom);
    game.move(2);  // as the online table plays it
    EXPECT_EQ(game.record(), before);
    EXPECT_FALSE(game.recordMoves().has_value());
}

}  // namespace
}  // namespace pimra
