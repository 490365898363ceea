#include <gtest/gtest.h>

#include <vector>

#include "net/Requests.h"
#include "online/PlayState.h"

using namespace pimra;
using namespace pimra::online;

namespace {

// A computer that answers when the test says so.
class SlowChooser : public MoveChooser {
  public:
    void choose(const Position&, int, Answer answer) override { pending = std::move(answer); }
    void cancel() override { ++cancelled; }
    void answer(int pit) {
        Answer waiting = std::move(pending);
        pending = nullptr;
        waiting(pit);
    }
    Answer pending;
    int cancelled = 0;
};

// The user's pit 1 passes the turn; the top row's pit 13 ends in its store, pit 8 does not.
Position twoReplies() {
    Position p;
    for (int i = 1; i <= 6; ++i) p[i] = 1;
    for (int i = 8; i <= 12; ++i) p[i] = 2;
    p[13] = 1;
    return p;
}

std::string Table(const std::string& active, const std::string& login2 = "Bob") {
    return R"({"response":"Success","login1":"Ann","login2":")" + login2 + R"(","activelogin":")" +
           active +
           R"(","time1":"300","time2":"300","isready1":"1","isready2":"1","result":"0",)"
           R"("lastrecord":"4","position":"6|6|6|6|6|6|0|6|6|6|6|6|6|0"})";
}

Answer Replied(const std::string& json) {
    std::optional<net::Reply> reply = net::ParseReply(json);
    return {net::PostResult{std::move(reply), true}, ""};
}

class PlayStateTest : public ::testing::Test {
  protected:
    PlayStateTest() {
        state.setRequestQuery([this] { return requestRunning; });
        state.local().setSink([this](Effects effects) { later.push_back(std::move(effects)); });
        state.game().loadPosition(twoReplies(), true);
    }
    void EnterTable(const std::string& login) {
        session = net::Session{"sid", "code", login};
        state.table().open(5);
        state.table().answered(Replied(Table("Ann")));
    }

    net::Session session;
    SlowChooser slow;
    PlayState state{session, &slow};
    bool requestRunning = false;
    std::vector<Effects> later;  // what the computer answered after thinking
};

TEST_F(PlayStateTest, ALocalTurnIsEffectsInAndOutUntilTheUserIsToMoveAgain) {
    const Effects own = state.click(1);
    ASSERT_TRUE(own.animate && own.animate->accepted);
    EXPECT_TRUE(own.historyChanged);
    EXPECT_TRUE(state.busy());
    EXPECT_FALSE(state.click(2).animate);  // one turn at a time

    const Effects asked = state.current().animationDone();
    EXPECT_EQ(asked.thinking, std::optional<bool>(true));
    EXPECT_FALSE(asked.animate);
    slow.answer(13);  // an extra turn for the computer
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].thinking, std::optional<bool>(false));
    ASSERT_TRUE(later[0].animate && later[0].animate->extraTurn);

    EXPECT_EQ(state.current().animationDone().thinking, std::optional<bool>(true));
    slow.answer(8);
    ASSERT_EQ(later.size(), 2u);
    const Effects over = state.current().animationDone();
    EXPECT_TRUE(over.historyChanged && !over.animate && !over.thinking);
    EXPECT_FALSE(state.busy());
    EXPECT_EQ(state.game().sideToMove(), Side::Bottom);
}

TEST_F(PlayStateTest, AComputerThatAnswersAtOnceRepliesWithTheEventItself) {
    PlayState quick{session, nullptr};
    quick.game().loadPosition(twoReplies(), true);
    ASSERT_TRUE(quick.click(1).animate);
    const Effects reply = quick.current().animationDone();
    ASSERT_TRUE(reply.animate);
    EXPECT_TRUE(reply.animate->accepted);
    EXPECT_NE(reply.thinking, std::optional<bool>(true));
}

TEST_F(PlayStateTest, CommandsFollowTheMoveTheThoughtAndTheTable) {
    Commands idle = state.commands();
    EXPECT_TRUE(idle.lobby && idle.save && idle.sound && idle.special && idle.background);
    EXPECT_TRUE(idle.history && idle.analysis && idle.recordCommands);

    state.click(1);
    state.setAnimating(true);
    const Commands moving = state.commands();
    EXPECT_FALSE(moving.lobby || moving.save || moving.sound || moving.special ||
                 moving.background || moving.history);
    EXPECT_TRUE(state.moveToShow());

    state.setAnimating(false);
    state.current().animationDone();  // the computer thinks
    const Commands thinking = state.commands();
    // The game may be begun anew, saved or loaded meanwhile, but not left for a table.
    EXPECT_TRUE(thinking.save && thinking.sound && thinking.background);
    EXPECT_FALSE(thinking.lobby || thinking.special || thinking.history);
    EXPECT_FALSE(state.moveToShow());

    state.local().abandon();
    EXPECT_EQ(slow.cancelled, 1);
    EXPECT_TRUE(state.commands().special);
    state.setHint(true);
    EXPECT_FALSE(state.commands().history);  // nothing running at all
    EXPECT_TRUE(state.busy());
    state.setHint(false);
    requestRunning = true;
    EXPECT_TRUE(state.busy());
    EXPECT_FALSE(state.click(1).animate);
}

TEST_F(PlayStateTest, AtATableTheLocalCommandsAreOffAndNewGameComesBack) {
    EnterTable("Bob");
    EXPECT_EQ(&state.current(), &state.table());
    const Commands atTable = state.commands();
    EXPECT_FALSE(atTable.special || atTable.analysis || atTable.history || atTable.recordCommands);
    EXPECT_TRUE(atTable.lobby && atTable.save);
    EXPECT_TRUE(state.boardTurned(true));  // seat 2 sees its row at the bottom
    EXPECT_FALSE(state.boardTurned(false));

    // The window's own work holds the table's requests back.
    requestRunning = true;
    EXPECT_FALSE(state.table().pollTick().send);
    requestRunning = false;
    EXPECT_TRUE(state.table().pollTick().send);

    state.table().answered({});
    const Effects back = state.newGame();
    EXPECT_EQ(back.status, std::optional<std::string>("Ваш ход"));
    EXPECT_TRUE(back.stopTimers && back.stopAlive && back.showBoard);
    EXPECT_EQ(&state.current(), &state.local());
    EXPECT_EQ(state.game().position(), Position::start());
    EXPECT_TRUE(state.commands().special);
    EXPECT_FALSE(state.boardTurned(true));
    EXPECT_FALSE(state.newGame().status);  // no table left: the status stays
    EXPECT_TRUE(state.table().aliveTick().stopAlive);
}

TEST_F(PlayStateTest, TheBoardIsEditedAndHintedOnlyBetweenTurnsAndAwayFromATable) {
    const Position before = state.game().position();
    const Effects swapped = state.edit(BoardEdit::SwapRows);
    EXPECT_TRUE(swapped.showBoard);
    EXPECT_EQ(state.game().position()[8], before[1]);
    EXPECT_EQ(state.game().position()[1], before[8]);
    EXPECT_NE(state.hintPit(), 0);
    state.setHint(true);
    EXPECT_EQ(state.hintPit(), 0);  // one hint at a time
    state.setHint(false);

    state.click(1);
    const Position turning = state.game().position();
    EXPECT_FALSE(state.edit(BoardEdit::AddStones).showBoard);
    EXPECT_FALSE(state.edit(BoardEdit::Back).showBoard);
    EXPECT_EQ(state.game().position(), turning);
    EXPECT_EQ(state.hintPit(), 0);
    state.current().animationDone();
    slow.answer(13);
    state.current().animationDone();
    slow.answer(8);
    state.current().animationDone();
    ASSERT_FALSE(state.busy());

    const Position turnOver = state.game().position();
    EXPECT_TRUE(state.edit(BoardEdit::Back).showBoard);
    EXPECT_NE(state.game().position(), turnOver);  // the history went back over the turn
    EXPECT_TRUE(state.edit(BoardEdit::Forward).showBoard);
    EXPECT_EQ(state.game().position(), turnOver);

    EnterTable("Bob");
    const Position shown = state.game().position();
    EXPECT_FALSE(state.edit(BoardEdit::RemoveStones).showBoard);
    EXPECT_EQ(state.game().position(), shown);
    EXPECT_EQ(state.hintPit(), 0);
}

TEST_F(PlayStateTest, TheRecordIsSteppedAndReadOnlyWhileNothingRuns) {
    GameRecord record(twoReplies());
    ASSERT_TRUE(record.append({1}));
    state.setHint(true);
    EXPECT_EQ(state.goToRecordMoves(0), PlayState::RecordStep::Refused);
    EXPECT_FALSE(state.loadRecord(record).showBoard);
    state.setHint(false);

    const Effects read = state.loadRecord(record);
    EXPECT_TRUE(read.showBoard && read.showTable);
    EXPECT_EQ(read.status, std::optional<std::string>(statusText(state.game().sideToMove())));
    EXPECT_EQ(state.game().record(), record);
    EXPECT_EQ(state.goToRecordMoves(0), PlayState::RecordStep::Reached);
    EXPECT_EQ(state.game().position(), twoReplies());
    EXPECT_EQ(state.goToRecordMoves(1), PlayState::RecordStep::Reached);
    EXPECT_EQ(state.game().position(), record.after(1).position);
}

TEST_F(PlayStateTest, AMoveCutShortGoesOnOnlyForATableReplay) {
    state.click(1);
    const Effects local = state.moveStopped(&state.local());
    EXPECT_FALSE(local.animate || local.send || local.showBoard || local.historyChanged);
    const Effects none = state.moveStopped(nullptr);
    EXPECT_FALSE(none.animate || none.send || none.showBoard);
}

}  // namespace
