#include <gtest/gtest.h>

#include "net/Requests.h"
#include "online/TableController.h"

using namespace pimra;
using namespace pimra::online;

namespace {

std::string Field(const net::Request& request, const std::string& name) {
    for (const net::RequestLine& line : request) {
        if (line.name == name) return line.value;
    }
    return "<missing>";
}

Answer Replied(const std::string& json, std::string status = "") {
    std::optional<net::Reply> reply = net::ParseReply(json);
    EXPECT_TRUE(reply.has_value()) << json;
    const bool ok = reply && net::FieldText(*reply, "response") == "Success";
    return {net::PostResult{std::move(reply), ok}, std::move(status)};
}

// The server could not be reached: no reply, the connection says why.
Answer Unreachable() {
    return {net::PostResult{}, net::kServerUnreachableText};
}

std::string Table(const std::string& active, const std::string& result = "0",
                  const std::string& time1 = "300", const std::string& time2 = "300") {
    return R"({"response":"Success","login1":"Ann","login2":"Bob","activelogin":")" + active +
           R"(","time1":")" + time1 + R"(","time2":")" + time2 +
           R"(","isready1":"1","isready2":"1","result":")" + result +
           R"(","lastrecord":"4","position":"6|6|6|6|6|6|0|6|6|6|6|6|6|0"})";
}

class TableControllerTest : public ::testing::Test {
  protected:
    void LogIn(const std::string& login) { session = net::Session{"sid", "code", login}; }
    // Opens table 5 and answers its first reload.
    Effects Enter(const std::string& json) {
        const Effects asked = controller.open(5);
        EXPECT_TRUE(asked.send && asked.send->kind == RequestKind::Reload);
        return controller.answered(Replied(json));
    }
    std::string Sent(const Effects& effects) const {
        return effects.send ? Field(effects.send->request, "action") : "nothing";
    }

    // The event with the window busy with other work.
    Effects WhileBusy(Effects (TableController::*event)()) {
        windowBusy = true;
        const Effects effects = (controller.*event)();
        windowBusy = false;
        return effects;
    }

    net::Session session;
    Game game;
    std::chrono::milliseconds now{5'000'000};
    bool windowBusy = false;
    TableController controller{session, game, [this] { return now; }};

  public:
    TableControllerTest() {
        controller.setOtherWork([this] { return windowBusy; });
    }
};

TEST_F(TableControllerTest, EnteringATableShowsTheServersBoardAndStartsTheTimers) {
    LogIn("Ann");
    Position board = Position::start();
    const Effects loaded = Enter(Table("Bob"));
    EXPECT_TRUE(loaded.showBoard && loaded.showTable && loaded.startTimers);
    EXPECT_EQ(loaded.message, std::string());  // the user opened it: the pane shows the answer
    EXPECT_EQ(game.position(), board);
    EXPECT_EQ(game.sideToMove(), Side::Top);
    EXPECT_FALSE(controller.busy());
}

TEST_F(TableControllerTest, PollingStopsAtTheNextTickAfterAnyGameEnd) {
    for (const char* result : {"1", "2", "", "draw"}) {
        for (const char* login : {"Ann", "Bob", "Carl", ""}) {  // players and spectators
            LogIn(login);
            Enter(Table("Ann", result));
            const Effects tick = controller.pollTick();
            EXPECT_TRUE(tick.stopTimers) << result << login;
            EXPECT_EQ(Sent(tick), "nothing");
            // Neither the clock nor a pending run-out pause asks again.
            EXPECT_FALSE(controller.clockTick().pauseThenReload);
            EXPECT_EQ(Sent(controller.pauseOver()), "nothing");
            EXPECT_TRUE(WhileBusy(&TableController::pollTick).stopTimers);  // even while busy
        }
    }
}

TEST_F(TableControllerTest, LossOnTimeEndsInOneReloadAndThenSilence) {
    LogIn("Bob");
    Enter(Table("Ann", "0", "2", "300"));
    now += std::chrono::milliseconds(1000);
    EXPECT_FALSE(controller.clockTick().pauseThenReload);
    now += std::chrono::milliseconds(1500);
    const Effects runOut = controller.clockTick();
    EXPECT_TRUE(runOut.pauseThenReload);
    EXPECT_EQ(controller.table().Clocks().clock1, "00:00");
    const Effects afterPause = controller.pauseOver();
    EXPECT_EQ(Sent(afterPause), "gettable");
    // The server still allows its grace: asked again after the pause, not another tick.
    const Effects grace = controller.answered(Replied(Table("Ann", "0", "0", "300")));
    EXPECT_TRUE(grace.pauseThenReload);
    EXPECT_EQ(Sent(controller.pauseOver()), "gettable");
    const Effects lost = controller.answered(Replied(Table("Ann", "2", "0", "300")));
    EXPECT_FALSE(lost.pauseThenReload);
    EXPECT_TRUE(lost.resultBox.has_value());
    EXPECT_TRUE(controller.pollTick().stopTimers);
    for (int second = 0; second < 10; ++second) {
        now += std::chrono::milliseconds(1000);
        EXPECT_EQ(controller.clockTick().pauseThenReload, false);
        EXPECT_EQ(Sent(controller.pauseOver()), "nothing");
        EXPECT_EQ(Sent(controller.pollTick()), "nothing");
    }
}

TEST_F(TableControllerTest, EveryClientShowsTheServersClocksWhateverItIsBusyWith) {
    // The mover, the opponent and a spectator get the state at different moments.
    LogIn("Bob");
    Enter(Table("Ann", "0", "200", "300"));
    net::Session annSession{"sid", "code", "Ann"};
    Game annGame;
    TableController ann{annSession, annGame, [this] { return now; }};
    now += std::chrono::milliseconds(700);
    ann.open(5);
    ann.answered(Replied(Table("Ann", "0", "199", "300")));
    for (int second = 0; second < 60; ++second) {
        now += std::chrono::milliseconds(1000);
        // Bob's poll runs half the time: his clock goes on all the same.
        if (second % 2 == 0) controller.pollTick();
        const Effects tick = controller.clockTick();
        EXPECT_TRUE(tick.showClocks);
        ASSERT_TRUE(tick.nextClockTick.has_value());
        EXPECT_GT(tick.nextClockTick->count(), 0);
        EXPECT_LE(tick.nextClockTick->count(), 1000);
        const std::int64_t bob = *controller.table().RemainingMs(Side::Bottom);
        const std::int64_t anns = *ann.table().RemainingMs(Side::Bottom);
        EXPECT_LT(std::abs(bob - anns), 1000) << second;
        if (second % 2 == 0) controller.answered(Replied(R"({"response":"Success","ind":"4"})"));
    }
    EXPECT_EQ(controller.table().Clocks().clock1, "02:19");
    EXPECT_EQ(controller.table().Clocks().clock2, "05:00");
}

TEST_F(TableControllerTest, AMoveThatWasNotSentIsNotShown) {
    LogIn("Ann");
    Enter(Table("Ann"));
    const Position before = game.position();
    const Effects click = controller.click(2);
    EXPECT_EQ(Sent(click), "move");
    EXPECT_EQ(Field(click.send->request, "move"), "2");
    EXPECT_TRUE(controller.busy());
    EXPECT_EQ(Sent(controller.click(3)), "nothing");  // one exchange at a time

    const Effects failed = controller.answered(Unreachable());
    EXPECT_FALSE(failed.animate.has_value());
    EXPECT_FALSE(failed.historyChanged);
    EXPECT_EQ(failed.message,
              std::string(kMoveNotSentText) + std::string(net::kServerUnreachableText));
    EXPECT_EQ(game.position(), before);
    EXPECT_EQ(game.history().moveNumber(), 0);
    // Still the user's turn: the same move may be tried again.
    EXPECT_EQ(Sent(controller.click(2)), "move");
}

TEST_F(TableControllerTest, ASentMoveIsShownThenTheTableReloaded) {
    LogIn("Ann");
    Enter(Table("Ann"));
    controller.click(1);
    // A refusal still came from the server: the move is shown and the answer stays.
    const Effects shown = controller.answered(Replied(R"({"response":"Не ваш ход"})", "Ответ"));
    ASSERT_TRUE(shown.animate.has_value());
    EXPECT_EQ(shown.animate->steps.front().pit, 1);
    EXPECT_TRUE(shown.historyChanged);
    EXPECT_EQ(shown.message, std::string("Ответ"));
    EXPECT_EQ(game.history().moveNumber(), 1);
    EXPECT_EQ(Sent(controller.pollTick()), "nothing");  // busy while it is shown
    const Effects done = controller.animationDone();
    EXPECT_EQ(Sent(done), "gettable");
    // The reload after the move keeps the server's answer in the pane.
    EXPECT_FALSE(controller.answered(Replied(Table("Bob"))).message.has_value());
}

TEST_F(TableControllerTest, OpponentsMovesAreReplayedOnceEach) {
    LogIn("Carl");  // watching
    Enter(Table("Ann"));
    const Effects tick = controller.pollTick();
    EXPECT_EQ(Sent(tick), "nextrecord");
    EXPECT_EQ(Field(tick.send->request, "ind"), "4");
    EXPECT_TRUE(tick.showClocks);
    const Effects same = controller.answered(Replied(R"({"response":"Success","ind":"4"})"));
    EXPECT_FALSE(same.animate.has_value());
    EXPECT_EQ(Sent(same), "nothing");
    EXPECT_FALSE(same.message.has_value());  // a quiet poll leaves the pane alone

    controller.pollTick();
    const Effects replay =
        controller.answered(Replied(R"({"response":"Success","ind":"5","move":"3"})"));
    ASSERT_TRUE(replay.animate.has_value());
    EXPECT_FALSE(replay.historyChanged);
    EXPECT_TRUE(replay.attention);
    // After a shown move the next record is asked at once; none: the reload.
    EXPECT_EQ(Sent(controller.animationDone()), "nextrecord");
    EXPECT_EQ(controller.animationDone().send.has_value(), false);
    EXPECT_EQ(Sent(controller.answered(Replied(R"({"response":"Success","ind":"5"})"))),
              "gettable");

    // A failing poll says so.
    controller.answered(Replied(Table("Ann")));
    controller.pollTick();
    EXPECT_EQ(controller.answered(Unreachable()).message, std::string(net::kServerUnreachableText));
}

TEST_F(TableControllerTest, NothingIsSentWhileTheWindowIsBusyOrAfterLeaving) {
    LogIn("Carl");
    Enter(Table(""));
    EXPECT_EQ(Sent(WhileBusy(&TableController::pollTick)), "nothing");
    EXPECT_EQ(Sent(WhileBusy(&TableController::ready)), "nothing");
    EXPECT_TRUE(
        WhileBusy(&TableController::pauseOver).pauseThenReload);  // tried again after a pause
    EXPECT_EQ(Sent(controller.pollTick()), "gettable");           // nobody to move: a reload
    controller.leave();
    EXPECT_FALSE(controller.busy());
    const Effects late = controller.answered(Replied(Table("Ann")));
    EXPECT_FALSE(late.showBoard || late.showTable || late.startTimers);
    EXPECT_EQ(Sent(controller.pollTick()), "nothing");
    EXPECT_EQ(Sent(controller.click(1)), "nothing");
}

TEST_F(TableControllerTest, ReadyIsSentAndItsAnswerStaysThroughTheReload) {
    LogIn("Ann");
    Enter(R"({"response":"Success","login1":"Ann","login2":"","activelogin":"","result":"0"})");
    const Effects ready = controller.ready();
    EXPECT_EQ(Sent(ready), "ready");
    const Effects answer = controller.answered(Replied(R"({"response":"Нет"})", "Ответ: Нет"));
    EXPECT_EQ(answer.message, std::string("Ответ: Нет"));
    EXPECT_EQ(Sent(answer), "gettable");
}

}  // namespace

// A table where Ann waits for an opponent, or for Bob to press ready.
std::string WaitingTable(const std::string& login2, const std::string& ready2 = "0") {
    return R"({"response":"Success","login1":"Ann","login2":")" + login2 +
           R"(","activelogin":"","time1":"300","time2":"300","isready1":"1","isready2":")" +
           ready2 + R"(","result":"0","lastrecord":"0","position":"6|6|6|6|6|6|0|6|6|6|6|6|6|0"})";
}

TEST_F(TableControllerTest, LeavingIsOfferedOnlyToASeatedPlayerBeforeTheGameStarts) {
    LogIn("Ann");
    Enter(WaitingTable(""));
    EXPECT_TRUE(controller.table().View().leaveVisible);
    LogIn("Bob");
    Enter(WaitingTable("Bob"));
    EXPECT_TRUE(controller.table().View().leaveVisible);
    LogIn("Carl");  // a spectator holds no seat
    Enter(WaitingTable("Bob"));
    EXPECT_FALSE(controller.table().View().leaveVisible);
    EXPECT_EQ(Sent(controller.leaveTable()), "nothing");
    LogIn("Ann");  // both ready: the game runs
    Enter(Table("Ann"));
    EXPECT_FALSE(controller.table().View().leaveVisible);
    EXPECT_EQ(Sent(controller.leaveTable()), "nothing");
    LogIn("");  // not logged in: nobody's seat
    Enter(WaitingTable(""));
    EXPECT_FALSE(controller.table().View().leaveVisible);
}

TEST_F(TableControllerTest, LeavingGoesBackToTheLocalGameUnlessTheGameBegan) {
    LogIn("Ann");
    Enter(WaitingTable(""));
    const Effects asked = controller.leaveTable();
    ASSERT_EQ(Sent(asked), "leave");
    EXPECT_EQ(Field(asked.send->request, "tableid"), "5");
    EXPECT_EQ(Sent(controller.leaveTable()), "nothing");  // one exchange at a time
    const Effects left = controller.answered(Replied(R"({"response":"Success"})", "Success"));
    EXPECT_TRUE(left.backToLocalGame);
    EXPECT_FALSE(left.message);

    // A server without the action refuses it; the user still gets the local game, quietly.
    Enter(WaitingTable(""));
    controller.leaveTable();
    const Effects old = controller.answered(Replied(R"({"response":"Неизвестное действие"})"));
    EXPECT_TRUE(old.backToLocalGame);
    EXPECT_FALSE(old.message);

    // Out of reach: the local game, and the pane says why.
    Enter(WaitingTable(""));
    controller.leaveTable();
    const Effects cut = controller.answered(Unreachable());
    EXPECT_TRUE(cut.backToLocalGame);
    EXPECT_EQ(cut.message, std::string(net::kServerUnreachableText));

    // Bob pressed ready first: Ann stays for the game and the table is read again.
    Enter(WaitingTable("Bob"));
    controller.leaveTable();
    const Effects begun = controller.answered(Replied(R"({"response":"Партия уже началась"})"));
    EXPECT_FALSE(begun.backToLocalGame);
    EXPECT_EQ(Sent(begun), "gettable");
}

namespace {

// A running (or finished) table of Ann and Bob with members added or replaced.
std::string TableWith(net::Reply members) {
    net::Reply table = *net::ParseReply(Table("Ann"));
    table.update(members);
    return table.dump();
}

std::string Record(int ind, int move) {
    return R"({"response":"Success","ind":")" + std::to_string(ind) + R"(","move":")" +
           std::to_string(move) + R"("})";
}

}  // namespace

TEST_F(TableControllerTest, QuickMovesAreAllReplayedOneByOneBeforeTheBoardIsReloaded) {
    LogIn("Carl");
    Enter(Table("Ann"));  // record 4
    EXPECT_EQ(Sent(controller.pollTick()), "nextrecord");
    // Ann 1 (ends in her store: again), Ann 3, then Bob 8: all arrived within one poll.
    const int moves[] = {1, 3, 8};
    int ind = 4;
    for (int move : moves) {
        const Effects shown = controller.answered(Replied(Record(++ind, move)));
        ASSERT_TRUE(shown.animate.has_value()) << move;
        EXPECT_EQ(shown.animate->steps.front().pit, move);
        const Effects next = controller.animationDone();
        ASSERT_EQ(Sent(next), "nextrecord");
        EXPECT_EQ(Field(next.send->request, "ind"), std::to_string(ind));
    }
    const Position replayed = game.position();
    const Effects reload = controller.answered(Replied(Record(ind, 0)));
    EXPECT_EQ(Sent(reload), "gettable");
    controller.answered(Replied(TableWith({{"lastrecord", "7"}, {"activelogin", "Ann"}})));
    EXPECT_EQ(controller.table().State().LastRecord, 7);
    EXPECT_NE(game.position(), replayed);  // the server's board, taken as it is

    // A reload that finds newer records than those shown replays them first.
    controller.refresh();
    const Effects behind = controller.answered(
        Replied(TableWith({{"lastrecord", "8"}, {"position", "0|0|0|0|0|0|0|0|0|0|0|0|0|0"}})));
    EXPECT_FALSE(behind.showBoard);
    EXPECT_EQ(Sent(behind), "nextrecord");
    EXPECT_NE(game.position()[1], 0);
}

TEST_F(TableControllerTest, TheUsersOwnMoveIsNotReplayedButTheRepliesAfterItAre) {
    LogIn("Ann");
    Enter(Table("Ann"));
    controller.click(2);
    const Effects shown = controller.answered(Replied(R"({"response":"Success"})"));
    ASSERT_TRUE(shown.animate.has_value());
    EXPECT_FALSE(shown.attention);
    EXPECT_EQ(Sent(controller.animationDone()), "nextrecord");
    const Position afterOwn = game.position();
    // Record 5 is Ann's own move: counted, not played again.
    const Effects own = controller.answered(Replied(Record(5, 2)));
    EXPECT_FALSE(own.animate.has_value());
    EXPECT_EQ(game.position(), afterOwn);
    ASSERT_EQ(Sent(own), "nextrecord");
    EXPECT_EQ(Field(own.send->request, "ind"), "5");
    // Bob's quick reply is.
    const Effects reply = controller.answered(Replied(Record(6, 9)));
    ASSERT_TRUE(reply.animate.has_value());
    EXPECT_TRUE(reply.attention);
}

TEST_F(TableControllerTest, EveryoneAtTheTableGetsTheSameResultBoxOnce) {
    for (const char* login : {"Ann", "Bob", "Carl", ""}) {
        LogIn(login);
        Enter(Table("Bob"));
        controller.refresh();
        const Effects over = controller.answered(Replied(TableWith(
            {{"result", "1"}, {"finish", "time"}, {"time2", "0"}, {"activelogin", "Bob"}})));
        ASSERT_TRUE(over.resultBox.has_value()) << login;
        EXPECT_EQ(*over.resultBox, "Победил: Ann по времени !   0:0");
        EXPECT_TRUE(over.attention);
        // The clocks stay: the loser's shows that it ran out.
        EXPECT_EQ(controller.table().View().clocks, (ClockTexts{"05:00", "00:00"}));
        controller.refresh();
        EXPECT_FALSE(controller.answered(Replied(TableWith({{"result", "1"}}))).resultBox);
    }
    // Without "finish": the loser's clock at 0 tells a loss on time; a finished board tells
    // one on the board; otherwise the result alone.
    LogIn("Carl");
    Enter(TableWith({{"result", "2"}, {"time1", "0"}}));
    EXPECT_EQ(controller.table().View().clocks.clock1, "00:00");
    for (const auto& [members, text] : std::vector<std::pair<net::Reply, std::string>>{
             {{{"result", "2"}, {"time1", "0"}}, "Победил: Bob по времени !   0:0"},
             {{{"result", "2"}, {"time2", "0"}}, "Победил: Bob !   0:0"},
             {{{"result", "1"}, {"finish", "moves"}, {"time2", "0"}}, "Победил: Ann !   0:0"},
             {{{"result", "2"}, {"position", "0|0|0|0|0|0|30|0|0|0|0|0|0|42"}},
              "Победил: Bob !   30:42"},
             {{{"result", "3"}, {"position", "0|0|0|0|0|0|36|0|0|0|0|0|0|36"}},
              "Ничья !   36:36"}}) {
        EXPECT_EQ(Enter(TableWith(members)).resultBox, text);
    }
}

TEST_F(TableControllerTest, TheLastMoveOfAGameIsReplayedWithoutTheLocalResultMessage) {
    LogIn("Carl");
    Enter(TableWith({{"position", "0|0|0|0|0|1|20|1|1|1|1|1|1|10"}, {"activelogin", "Ann"}}));
    controller.pollTick();
    const Effects last = controller.answered(Replied(Record(5, 6)));
    ASSERT_TRUE(last.animate.has_value());
    EXPECT_TRUE(last.animate->gameOver);
    for (const MoveStep& step : last.animate->steps) EXPECT_NE(step.kind, StepKind::Result);
}

TEST_F(TableControllerTest, ThePlayerIsToldWhenTheOpponentSitsDownOrGetsReady) {
    LogIn("Ann");
    Enter(WaitingTable(""));
    controller.pollTick();
    EXPECT_FALSE(controller.answered(Replied(WaitingTable(""))).attention);
    controller.pollTick();
    EXPECT_TRUE(controller.answered(Replied(WaitingTable("Bob"))).attention);
    controller.pollTick();
    EXPECT_TRUE(controller.answered(Replied(WaitingTable("Bob", "1"))).attention);
    // Entering a table is no news; nor is anything for a spectator.
    EXPECT_FALSE(Enter(WaitingTable("Bob", "1")).attention);
    LogIn("Carl");
    Enter(WaitingTable(""));
    controller.refresh();
    EXPECT_FALSE(controller.answered(Replied(WaitingTable("Bob", "1"))).attention);
}

TEST_F(TableControllerTest, RematchIsOfferedAfterTheGameAndMovesBothToTheNewTable) {
    LogIn("Bob");
    Enter(Table("Ann"));
    EXPECT_FALSE(controller.table().View().rematchVisible);
    EXPECT_EQ(Sent(controller.rematch()), "nothing");
    Enter(TableWith({{"result", "1"}}));
    EXPECT_TRUE(controller.table().View().rematchVisible);
    const Effects asked = controller.rematch();
    ASSERT_EQ(Sent(asked), "rematch");
    EXPECT_EQ(Field(asked.send->request, "sid"), "sid");
    EXPECT_EQ(Field(asked.send->request, "tableid"), "5");
    // Ann has not asked yet.
    const Effects waiting =
        controller.answered(Replied(R"({"response":"Success","tableid":""})", "Success"));
    EXPECT_EQ(Sent(waiting), "nothing");
    EXPECT_TRUE(controller.table().View().rematchAsked);
    // She asks: the poll's reload names the new table, and Bob goes there.
    controller.refresh();
    const Effects moved =
        controller.answered(Replied(TableWith({{"result", "1"}, {"nexttable", "9"}})));
    ASSERT_EQ(Sent(moved), "gettable");
    EXPECT_EQ(Field(moved.send->request, "tableid"), "9");
    EXPECT_EQ(controller.table().TableId(), 9);
    EXPECT_FALSE(controller.table().View().rematchVisible);

    // The reply itself may carry the new table.
    Enter(TableWith({{"result", "1"}}));
    controller.rematch();
    controller.answered(Replied(R"({"response":"Success","tableid":"11"})"));
    EXPECT_EQ(controller.table().TableId(), 11);

    // A spectator does not follow.
    LogIn("Carl");
    Enter(TableWith({{"result", "1"}, {"nexttable", "9"}}));
    EXPECT_EQ(controller.table().TableId(), 5);
    EXPECT_FALSE(controller.table().View().rematchVisible);
}

TEST_F(TableControllerTest, AServerWithoutTheNewActionsIsLivedWithQuietly) {
    LogIn("Ann");
    Enter(Table("Bob"));
    const Effects alive = controller.aliveTick();
    ASSERT_EQ(Sent(alive), "alive");
    EXPECT_EQ(Field(alive.send->request, "code"), "code");
    EXPECT_EQ(Sent(controller.aliveTick()), "nothing");  // one exchange at a time
    const Effects old = controller.answered(Replied(R"({"response":"Неизвестное действие"})"));
    EXPECT_FALSE(old.message);
    EXPECT_EQ(Sent(controller.aliveTick()), "nothing");  // never again

    Enter(TableWith({{"result", "2"}}));
    controller.rematch();
    const Effects refused =
        controller.answered(Replied(R"({"response":"Неизвестное действие"})", "Ответ"));
    EXPECT_FALSE(refused.message);
    EXPECT_FALSE(controller.table().View().rematchVisible);
    Enter(TableWith({{"result", "1"}}));  // nor at the next table
    EXPECT_FALSE(controller.table().View().rematchVisible);
}

TEST_F(TableControllerTest, OnlyASeatedPlayerOfARunningGameSaysItIsAlive) {
    LogIn("Carl");
    Enter(Table("Bob"));
    EXPECT_EQ(Sent(controller.aliveTick()), "nothing");
    LogIn("Bob");
    Enter(TableWith({{"result", "1"}}));
    EXPECT_EQ(Sent(controller.aliveTick()), "nothing");
    Enter(Table("Bob"));
    EXPECT_EQ(Sent(WhileBusy(&TableController::aliveTick)), "nothing");  // the window is busy
    EXPECT_EQ(Sent(controller.aliveTick()), "alive");
    // Its answer, whatever it is, changes nothing on the screen.
    const Effects answer = controller.answered(Unreachable());
    EXPECT_FALSE(answer.message || answer.showTable || answer.send);
}

TEST_F(TableControllerTest, AfterAnOutageTheServerIsAskedAgainAndTheTableReloaded) {
    LogIn("Bob");
    Enter(Table("Ann"));
    EXPECT_EQ(Sent(controller.pollTick()), "nextrecord");
    Effects failed = controller.answered(Unreachable());
    EXPECT_EQ(failed.message, std::string(net::kServerUnreachableText));
    EXPECT_EQ(controller.failures(), 1);
    // Tried again sooner first, then no less often than the poll.
    std::vector<long> pauses{failed.retryAfter->count()};
    for (int attempt = 0; attempt < 5; ++attempt) {
        const Effects retry = controller.retryTick();
        ASSERT_EQ(Sent(retry), "gettable");
        EXPECT_TRUE(retry.send->afterFailure);  // the connection is to try the server again
        failed = controller.answered(Unreachable());
        pauses.push_back(failed.retryAfter->count());
    }
    EXPECT_EQ(pauses, (std::vector<long>{250, 500, 1000, 2000, 2000, 2000}));
    // A busy window puts the try off; the poll tries as well.
    EXPECT_EQ(WhileBusy(&TableController::retryTick).retryAfter, std::chrono::milliseconds(2000));
    const Effects poll = controller.pollTick();
    EXPECT_EQ(Sent(poll), "gettable");
    const Effects back = controller.answered(Replied(Table("Bob")));
    EXPECT_EQ(back.message, std::string(kReconnectedText));
    EXPECT_TRUE(back.showBoard && back.startTimers);
    EXPECT_FALSE(back.retryAfter.has_value());
    EXPECT_EQ(controller.failures(), 0);
    EXPECT_EQ(Sent(controller.retryTick()), "nothing");

    // Whatever exchange finds the server again, the table is reloaded after it.
    Enter(Table("Ann"));
    controller.pollTick();
    controller.answered(Unreachable());
    EXPECT_EQ(Sent(controller.aliveTick()), "alive");
    const Effects alive = controller.answered(Replied(R"({"response":"Success"})"));
    EXPECT_EQ(Sent(alive), "gettable");
    EXPECT_EQ(alive.message, std::string(kReconnectedText));
}

TEST_F(TableControllerTest, AMoveNotSentDuringAnOutageIsMadeAgainAtOnce) {
    LogIn("Ann");
    Enter(Table("Ann"));
    controller.click(2);
    const Effects failed = controller.answered(Unreachable());
    EXPECT_TRUE(failed.retryAfter.has_value());
    const Effects again = controller.click(2);
    ASSERT_EQ(Sent(again), "move");
    EXPECT_TRUE(again.send->afterFailure);
    const Effects played = controller.answered(Replied(R"({"response":"Success"})"));
    EXPECT_TRUE(played.animate.has_value());
    EXPECT_EQ(played.message, std::string(kReconnectedText));
    EXPECT_EQ(Sent(controller.animationDone()), "nextrecord");
}

TEST_F(TableControllerTest, AClickWhileTheTableAsksTheServerIsPlayedAfterwards) {
    // Ann pressed ready second: the game begins with her move while the reload runs.
    LogIn("Ann");
    Enter(WaitingTable("Bob", "1"));
    controller.ready();
    EXPECT_EQ(Sent(controller.answered(Replied(R"({"response":"Success"})"))), "gettable");
    EXPECT_EQ(Sent(controller.click(3)), "nothing");
    Effects started = controller.answered(Replied(TableWith({{"lastrecord", "0"}})));
    ASSERT_EQ(Sent(started), "move");
    EXPECT_EQ(Field(started.send->request, "move"), "3");
    EXPECT_TRUE(started.startTimers);

    // The "alive" under way when the user clicks.
    Enter(Table("Ann"));
    EXPECT_EQ(Sent(controller.aliveTick()), "alive");
    controller.click(4);
    started = controller.answered(Replied(R"({"response":"Success"})"));
    ASSERT_EQ(Sent(started), "move");
    EXPECT_EQ(Field(started.send->request, "move"), "4");

    // A click that is no move any more by then is dropped: the opponent's turn, another row,
    // a second click during the user's own move.
    Enter(Table("Ann"));
    controller.aliveTick();
    controller.click(10);
    EXPECT_EQ(Sent(controller.answered(Replied(R"({"response":"Success"})"))), "nothing");
    controller.click(1);
    controller.click(1);
    const Effects own = controller.answered(Replied(R"({"response":"Success"})"));
    EXPECT_EQ(Sent(own), "nothing");
    EXPECT_EQ(Sent(controller.animationDone()), "nextrecord");
    EXPECT_EQ(Sent(controller.answered(Replied(Record(5, 1)))),
              "nextrecord");  // the user's own record
    EXPECT_EQ(Sent(controller.answered(Replied(R"({"response":"Success","ind":"5"})"))),
              "gettable");
    EXPECT_EQ(Sent(controller.answered(Replied(Table("Ann")))), "nothing");
}

namespace {

// What a server with resignations, draw offers and rematches adds to a table state.
net::Reply NewServer(net::Reply members = net::Reply::object()) {
    net::Reply all = {{"finish", ""},    {"rematch1", "0"},   {"rematch2", "0"},
                      {"nexttable", ""}, {"drawoffer1", "0"}, {"drawoffer2", "0"},
                      {"away1", "0"},    {"away2", "0"}};
    all.update(members);
    return all;
}

}  // namespace

TEST_F(TableControllerTest, AFinishedGameIsFollowedWhileARematchMayComeOfIt) {
    const net::Reply over = NewServer({{"result", "1"}, {"finish", "moves"}});
    LogIn("Ann");
    Enter(TableWith(over));
    // The poll goes on, with the whole table each time; the clocks stand.
    const Effects tick = controller.pollTick();
    EXPECT_FALSE(tick.stopTimers);
    ASSERT_EQ(Sent(tick), "gettable");
    EXPECT_FALSE(controller.answered(Replied(TableWith(over))).attention);
    EXPECT_FALSE(controller.clockTick().showClocks);
    EXPECT_EQ(Sent(controller.aliveTick()), "alive");  // Ann is still there for Bob
    controller.answered(Replied(R"({"response":"Success"})"));

    // Bob asks: Ann is called and the panel says so.
    controller.pollTick();
    net::Reply asked = over;
    asked["rematch2"] = "1";
    EXPECT_TRUE(controller.answered(Replied(TableWith(asked))).attention);
    EXPECT_EQ(controller.endings().View().rematchNote, kOpponentAsksRematchText);
    controller.pollTick();
    EXPECT_FALSE(controller.answered(Replied(TableWith(asked))).attention);  // told once
    // She asks as well; the next reload takes her to the new table, no refresh needed.
    controller.rematch();
    controller.answered(Replied(R"({"response":"Success","tableid":""})"));
    controller.pollTick();
    asked["rematch1"] = "1";
    asked["nexttable"] = "9";
    EXPECT_EQ(Field(controller.answered(Replied(TableWith(asked))).send->request, "tableid"), "9");

    // A spectator is asked whether to follow: the button, then the poll stops.
    LogIn("Carl");
    Enter(TableWith(over));
    EXPECT_FALSE(controller.endings().View().watchRematchVisible);
    EXPECT_TRUE(controller.endings().View().rematchNote.empty());
    EXPECT_EQ(Sent(controller.watchRematch()), "nothing");
    EXPECT_EQ(Sent(controller.pollTick()), "gettable");
    controller.answered(Replied(TableWith(asked)));
    EXPECT_EQ(controller.table().TableId(), 5);
    EXPECT_TRUE(controller.endings().View().watchRematchVisible);
    EXPECT_TRUE(controller.pollTick().stopTimers);
    const Effects watched = controller.watchRematch();
    ASSERT_EQ(Sent(watched), "gettable");
    EXPECT_EQ(Field(watched.send->request, "tableid"), "9");
    EXPECT_EQ(controller.table().TableId(), 9);

    // A server that tells nothing of rematches: silence after the game, as before.
    LogIn("Ann");
    Enter(TableWith({{"result", "1"}}));
    EXPECT_TRUE(controller.pollTick().stopTimers);
}

TEST_F(TableControllerTest, AClientThatRunsNeverShowsItsOwnPlayerAway) {
    LogIn("Ann");
    Enter(TableWith(NewServer({{"away1", "1"}, {"away2", "1"}})));
    EXPECT_FALSE(controller.table().View().seat1.away);
    EXPECT_TRUE(controller.table().View().seat2.away);
    LogIn("Carl");
    Enter(TableWith(NewServer({{"away1", "1"}})));
    EXPECT_TRUE(controller.table().View().seat1.away);

    // An alive tick that finds an exchange under way is sent once the exchange is over.
    LogIn("Ann");
    Enter(Table("Bob"));
    ASSERT_EQ(Sent(controller.pollTick()), "nextrecord");
    EXPECT_EQ(Sent(controller.aliveTick()), "nothing");
    const Effects polled = controller.answered(Replied(R"({"response":"Success","ind":"4"})"));
    EXPECT_EQ(Sent(polled), "alive");
    EXPECT_EQ(Sent(controller.answered(Replied(R"({"response":"Success"})"))), "nothing");
}

TEST_F(TableControllerTest, ResignAndDrawAreOfferedToThePlayersOfARunningGame) {
    LogIn("Ann");
    Enter(Table("Bob"));  // a server without them
    EXPECT_FALSE(controller.endings().View().resignVisible);
    EXPECT_EQ(Sent(controller.resign()), "nothing");
    EXPECT_EQ(Sent(controller.offerDraw()), "nothing");
    LogIn("Carl");
    Enter(TableWith(NewServer()));
    EXPECT_EQ(controller.endings().View(), EndingsView{});
    EXPECT_EQ(Sent(controller.resign()), "nothing");
    LogIn("Ann");
    Enter(WaitingTable("Bob", "1"));
    EXPECT_FALSE(controller.endings().View().resignVisible);

    Enter(TableWith(NewServer()));
    EndingsView view = controller.endings().View();
    EXPECT_TRUE(view.resignVisible && view.drawVisible && view.drawEnabled);
    EXPECT_FALSE(view.drawAccepts);
    const Effects resigned = controller.resign();
    ASSERT_EQ(Sent(resigned), "resign");
    EXPECT_EQ(Field(resigned.send->request, "tableid"), "5");
    EXPECT_EQ(Field(resigned.send->request, "code"), "code");
    EXPECT_EQ(Sent(controller.offerDraw()), "nothing");  // one exchange at a time
    const Effects done = controller.answered(Replied(R"({"response":"Success"})", "Success"));
    EXPECT_EQ(Sent(done), "gettable");
    const Effects over =
        controller.answered(Replied(TableWith(NewServer({{"result", "2"}, {"finish", "resign"}}))));
    EXPECT_EQ(over.resultBox, "Победил: Bob. Сдался: Ann !   0:0");
    EXPECT_EQ(controller.table().View().resultText, "Сдался: Ann");
    EXPECT_FALSE(controller.endings().View().resignVisible);

    // Ann offers; the button waits for Bob, and a refusal of the server is shown.
    Enter(TableWith(NewServer()));
    const Effects offered = controller.offerDraw();
    ASSERT_EQ(Sent(offered), "offerdraw");
    EXPECT_FALSE(controller.endings().View().drawEnabled);
    const Effects refused =
        controller.answered(Replied(R"({"response":"Партия завершена"})", "Ответ сервера: ..."));
    EXPECT_EQ(refused.message, std::string("Ответ сервера: ..."));
    controller.answered(Replied(TableWith(NewServer({{"drawoffer1", "1"}}))));
    view = controller.endings().View();
    EXPECT_FALSE(view.drawEnabled);
    EXPECT_EQ(view.drawNote, kOwnDrawOfferText);
    EXPECT_EQ(Sent(controller.offerDraw()), "nothing");
    // Her move lets it lapse; then Bob offers: Ann is called, and her button accepts.
    controller.refresh();
    EXPECT_FALSE(controller.answered(Replied(TableWith(NewServer()))).attention);
    EXPECT_TRUE(controller.endings().View().drawEnabled);
    controller.refresh();
    EXPECT_TRUE(
        controller.answered(Replied(TableWith(NewServer({{"drawoffer2", "1"}})))).attention);
    view = controller.endings().View();
    EXPECT_TRUE(view.drawAccepts && view.drawEnabled);
    EXPECT_EQ(view.drawNote, kOpponentOffersDrawText);
    ASSERT_EQ(Sent(controller.offerDraw()), "offerdraw");
    controller.answered(Replied(R"({"response":"Success"})"));
    const Effects drawn = controller.answered(
        Replied(TableWith(NewServer({{"result", "3"}, {"finish", "agreement"}}))));
    EXPECT_EQ(drawn.resultBox, "Ничья по согласию !   0:0");
    EXPECT_EQ(controller.table().View().resultText, "Ничья по согласию");

    // A server that turns out not to know them: the buttons go, quietly.
    Enter(TableWith(NewServer()));
    controller.resign();
    const Effects old = controller.answered(Replied(R"({"response":"Неизвестное действие"})"));
    EXPECT_FALSE(old.message);
    EXPECT_FALSE(controller.endings().View().resignVisible);
}

// A table whose reply carries chat lines with these ids, the odd ones said by a spectator.
std::string TableWithChat(std::initializer_list<int> ids) {
    std::string table = Table("Bob");
    std::string chat = R"(,"chat":[)";
    for (const int id : ids) {
        chat += (chat.back() == '[' ? "" : ",") + std::string(R"({"id":")") + std::to_string(id) +
                R"(","login":"Eve","text":"line )" + std::to_string(id) +
                R"(","time":"1765000000","player":")" + (id % 2 ? "0" : "1") + R"("})";
    }
    return table.insert(table.size() - 1, chat + "]");
}

TEST_F(TableControllerTest, TheChatShowsEachLineOnceAndSaysOneLineAtATime) {
    LogIn("Ann");
    EXPECT_TRUE(controller.open(5).chatCleared);
    Effects loaded = controller.answered(Replied(TableWithChat({1, 2})));
    EXPECT_EQ(loaded.chatShown, true);
    ASSERT_EQ(loaded.chatLines.size(), 2u);
    EXPECT_EQ(loaded.chatLines[1], (net::ChatLine{2, "Eve", "line 2", 1'765'000'000, true}));

    ASSERT_EQ(Sent(controller.refresh()), "gettable");
    loaded = controller.answered(Replied(TableWithChat({1, 2, 3})));
    ASSERT_EQ(loaded.chatLines.size(), 1u);
    EXPECT_EQ(loaded.chatLines[0].text, "line 3");
    ASSERT_EQ(Sent(controller.refresh()), "gettable");
    EXPECT_TRUE(controller.answered(Replied(TableWithChat({2, 3}))).chatLines.empty());

    // Blank lines go nowhere; a line said while the table is busy goes once it is idle.
    EXPECT_EQ(Sent(controller.say(" \t ")), "nothing");
    ASSERT_EQ(Sent(controller.refresh()), "gettable");
    EXPECT_EQ(Sent(controller.say("привет")), "nothing");
    EXPECT_EQ(Sent(controller.say("second")), "nothing");
    const Effects sent = controller.answered(Replied(TableWithChat({3})));
    ASSERT_EQ(Sent(sent), "say");
    EXPECT_EQ(Field(sent.send->request, "text"), "привет");
    EXPECT_EQ(Field(sent.send->request, "sid"), "sid");
    EXPECT_EQ(Field(sent.send->request, "tableid"), "5");
    EXPECT_EQ(Sent(controller.say("third")), "nothing");  // one line waits for its answer
    // A line refused stays in the entry line with the reason in the pane.
    const Effects refused = controller.answered(
        Replied(R"({"response":"Слишком много сообщений, подождите немного"})", "refused"));
    EXPECT_FALSE(refused.chatSaid);
    EXPECT_EQ(refused.message, "refused");
    EXPECT_EQ(Sent(refused), "gettable");
    controller.answered(Replied(TableWithChat({3})));
    ASSERT_EQ(Sent(controller.say("again")), "say");
    const Effects taken = controller.answered(Replied(R"({"response":"Success"})"));
    EXPECT_TRUE(taken.chatSaid);
    EXPECT_EQ(Sent(taken), "gettable");
    EXPECT_EQ(controller.answered(Replied(TableWithChat({3, 4}))).chatLines.size(), 1u);

    // "Чат" off: the next table shows nothing and says nothing.
    controller.setChatOn(false);
    controller.open(6);
    loaded = controller.answered(Replied(TableWithChat({1, 2})));
    EXPECT_EQ(loaded.chatShown, false);
    EXPECT_TRUE(loaded.chatLines.empty());
    EXPECT_EQ(Sent(controller.say("hello")), "nothing");
    // On again, a server without chat gets no pane and no line either.
    controller.setChatOn(true);
    controller.open(7);
    EXPECT_EQ(controller.answered(Replied(Table("Bob"))).chatShown, false);
    EXPECT_EQ(Sent(controller.say("hello")), "nothing");
}
