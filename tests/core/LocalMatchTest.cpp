#include <gtest/gtest.h>

#include <vector>

#include "TestPositions.h"
#include "core/LocalMatch.h"

namespace pimra {
namespace {

using test::board;

// A computer that thinks for as long as the test likes: answers wait until `answer` is called.
class SlowChooser : public MoveChooser {
  public:
    void choose(const Position& position, int level, Answer answer) override {
        asked.push_back({position, level});
        pending = std::move(answer);
    }
    void answer(int pit) {
        Answer waiting = std::move(pending);
        pending = nullptr;
        waiting(pit);
    }

    struct Question {
        Position position;
        int level;
    };
    void cancel() override { ++cancelled; }

    std::vector<Question> asked;
    Answer pending;
    int cancelled = 0;
};

// The user's pit 1 passes the turn; the top row's pit 13 holds one stone that ends in its
// store, so the computer may move twice.
Position twoReplies() {
    return board({1, 1, 1, 1, 1, 1}, 0, {2, 2, 2, 2, 2, 1}, 0);
}

struct Played {
    std::vector<MoveResult> moves;
    LocalMatch::MoveReady ready() {
        return [this](const MoveResult& move) { moves.push_back(move); };
    }
};

TEST(LocalMatch, AClickGivesTheUserMoveAndNextGivesTheComputerRepliesOneByOne) {
    SlowChooser slow;
    LocalMatch match(std::make_unique<ClockRandom>(), &slow);
    match.game().loadPosition(twoReplies(), true);
    const std::optional<MoveResult> own = match.click(1);
    ASSERT_TRUE(own && own->accepted);
    EXPECT_TRUE(match.turnRunning());
    EXPECT_FALSE(match.click(2).has_value());  // one turn at a time

    Played played;
    EXPECT_EQ(match.next(played.ready()), LocalMatch::Next::Reply);
    ASSERT_EQ(slow.asked.size(), 1u);
    EXPECT_EQ(slow.asked[0].position, own->position);
    EXPECT_TRUE(match.thinking());
    EXPECT_EQ(match.next(played.ready()), LocalMatch::Next::Reply);  // still thinking
    EXPECT_EQ(slow.asked.size(), 1u);

    // The level chosen while the move was shown applies to the next question.
    match.game().setLevel(kLevelEasy);
    slow.answer(13);
    ASSERT_EQ(played.moves.size(), 1u);
    EXPECT_TRUE(played.moves[0].extraTurn);
    EXPECT_EQ(match.next(played.ready()), LocalMatch::Next::Reply);
    ASSERT_EQ(slow.asked.size(), 2u);
    EXPECT_EQ(slow.asked[1].level, kLevelEasy);
    slow.answer(8);
    ASSERT_EQ(played.moves.size(), 2u);
    ASSERT_EQ(match.game().sideToMove(), Side::Bottom);

    // Only the position after the last reply is recorded, as one turn.
    EXPECT_EQ(match.next(played.ready()), LocalMatch::Next::TurnOver);
    EXPECT_FALSE(match.turnRunning());
    EXPECT_EQ(match.game().history().moveNumber(), 1);
    EXPECT_EQ(match.game().history().entry(1), twoReplies());
    EXPECT_EQ(match.game().history().entry(2), match.game().position());
}

TEST(LocalMatch, RefusedAndEmptyClicks) {
    LocalMatch match;
    for (int pit : {0, 7, 8, 14, 15}) EXPECT_FALSE(match.click(pit).has_value()) << pit;
    match.game().loadPosition(board({0, 6, 6, 6, 6, 6}, 0, {6, 6, 6, 6, 6, 6}, 0), true);
    // An empty pit of the user's row is a turn with nothing to show.
    const std::optional<MoveResult> empty = match.click(1);
    ASSERT_TRUE(empty.has_value());
    EXPECT_FALSE(empty->accepted);
    EXPECT_TRUE(empty->steps.empty());
    EXPECT_EQ(match.next([](const MoveResult&) { FAIL(); }), LocalMatch::Next::TurnOver);
    EXPECT_EQ(match.game().history().moveNumber(), 1);
}

TEST(LocalMatch, AnAnswerThatCannotBePlayedEndsTheTurnInsteadOfAskingForEver) {
    SlowChooser slow;
    LocalMatch match(std::make_unique<ClockRandom>(), &slow);
    match.game().loadPosition(twoReplies(), true);
    ASSERT_TRUE(match.click(1));
    Played played;
    match.next(played.ready());
    slow.answer(3);  // a pit of the user's row
    ASSERT_EQ(played.moves.size(), 1u);
    EXPECT_FALSE(played.moves[0].accepted);
    EXPECT_FALSE(match.turnRunning());
    EXPECT_EQ(match.next(played.ready()), LocalMatch::Next::TurnOver);
    EXPECT_EQ(slow.asked.size(), 1u);
}

TEST(LocalMatch, AnAnswerForAnAbandonedTurnIsDropped) {
    SlowChooser slow;
    LocalMatch match(std::make_unique<ClockRandom>(), &slow);
    match.game().loadPosition(twoReplies(), true);
    ASSERT_TRUE(match.click(1));
    Played played;
    match.next(played.ready());
    const MoveChooser::Answer late = slow.pending;
    match.abandonTurn();
    EXPECT_FALSE(match.turnRunning());
    const Position before = match.game().position();
    late(13);
    EXPECT_TRUE(played.moves.empty());
    EXPECT_EQ(match.game().position(), before);
    // The next turn asks afresh.
    match.game().setSideToMove(Side::Bottom);
    ASSERT_TRUE(match.click(2));
    match.next(played.ready());
    EXPECT_EQ(slow.asked.size(), 2u);
}

TEST(LocalMatch, AbandoningStopsTheThoughtButNotAFinishedOne) {
    SlowChooser slow;
    LocalMatch match(std::make_unique<ClockRandom>(), &slow);
    match.game().loadPosition(twoReplies(), true);
    ASSERT_TRUE(match.click(1));
    match.abandonTurn();  // the user's move was still on the screen: nothing to stop
    EXPECT_EQ(slow.cancelled, 0);
    match.game().loadPosition(twoReplies(), true);
    ASSERT_TRUE(match.click(1));
    Played played;
    match.next(played.ready());
    match.abandonTurn();
    EXPECT_EQ(slow.cancelled, 1);
}

TEST(LocalMatch, ALevelChangeWhileThinkingAsksAgainAndDropsTheOldAnswer) {
    SlowChooser slow;
    LocalMatch match(std::make_unique<ClockRandom>(), &slow);
    match.game().loadPosition(twoReplies(), true);
    ASSERT_TRUE(match.click(1));
    Played played;
    EXPECT_FALSE(match.rethink(played.ready()));  // not thinking yet
    EXPECT_TRUE(slow.asked.empty());
    match.next(played.ready());
    const MoveChooser::Answer stale = slow.pending;

    match.game().setLevel(kLevelMaster);
    EXPECT_TRUE(match.rethink(played.ready()));
    EXPECT_EQ(slow.cancelled, 1);
    ASSERT_EQ(slow.asked.size(), 2u);
    EXPECT_EQ(slow.asked[1].level, kLevelMaster);
    EXPECT_EQ(slow.asked[1].position, slow.asked[0].position);
    EXPECT_TRUE(match.thinking());
    stale(13);  // the answer of the stopped thought
    EXPECT_TRUE(played.moves.empty());
    slow.answer(12);
    ASSERT_EQ(played.moves.size(), 1u);
    EXPECT_TRUE(played.moves[0].accepted);
}

TEST(LocalMatch, NoReplyWhenTheTopRowIsEmptyAtTheEnd) {
    LocalMatch match;
    match.game().loadPosition(board({0, 0, 0, 0, 1, 0}, 30, {0, 0, 0, 0, 0, 0}, 30), true);
    const std::optional<MoveResult> last = match.click(5);
    ASSERT_TRUE(last && last->gameOver);
    EXPECT_EQ(match.next([](const MoveResult&) { FAIL(); }), LocalMatch::Next::TurnOver);
    EXPECT_FALSE(match.click(1).has_value());  // the top row is to move: the game is over
}

}  // namespace
}  // namespace pimra
