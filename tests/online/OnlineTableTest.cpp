#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "online/BoardView.h"
#include "online/OnlineTable.h"

using namespace pimra;
using namespace pimra::net;
using namespace pimra::online;

namespace {

Reply SuccessfulTableReply(Reply members) {
    Reply reply = {{"response", "Success"}};
    reply.update(members);
    return reply;
}

class OnlineTableTest : public ::testing::Test {
  protected:
    void LogIn(const std::string& login) {
        session.Sid = "sid";
        session.Code = "code";
        session.OwnLogin = login;
    }
    Position Load(Reply members, const Position& board = Position::start()) {
        return table.ApplyTableReply(SuccessfulTableReply(std::move(members)), board);
    }
    // Both seated and ready, seat `active` to move.
    void Playing(const std::string& active, const char* time1 = "300", const char* time2 = "300") {
        Load({{"login1", "Ann"},
              {"login2", "Bob"},
              {"activelogin", active},
              {"time1", time1},
              {"time2", time2},
              {"isready1", "1"},
              {"isready2", "1"},
              {"result", "0"},
              {"lastrecord", "4"}});
    }

    Session session;
    std::chrono::milliseconds now{1'000'000};
    OnlineTable table{session, [this] { return now; }};
};

}  // namespace

TEST_F(OnlineTableTest, EnteringATableNobodyMovedYet) {
    LogIn("Ann");
    EXPECT_EQ(table.View().loginColour1, LoginColour::Black);
    table.Open(7);
    const Position board = Load({{"position", "1|2|3|4|5|6|7|8|9|10|11|12|13|14"},
                                 {"login1", "Ann"},
                                 {"login2", ""},
                                 {"activelogin", ""},
                                 {"isready1", "0"},
                                 {"result", "0"}});
    EXPECT_EQ(board[1], 1);
    EXPECT_EQ(board[14], 14);
    const TableView view = table.View();
    EXPECT_EQ(view.windowWidth, 880);
    EXPECT_TRUE(view.panelVisible);
    EXPECT_EQ(view.tableLabel, "Стол №7");
    EXPECT_EQ(view.statusText, "Ожидание");
    EXPECT_TRUE(view.readyVisible);
    EXPECT_FALSE(view.resultVisible);
    EXPECT_EQ(view.loginColour1, LoginColour::Red);
    EXPECT_EQ(table.OnPollTimer(false), PollAction::Reload);
    EXPECT_EQ(table.OnPollTimer(true), PollAction::Nothing);

    Load({{"login1", "Ann"}, {"activelogin", "Ann"}, {"isready1", "1"}, {"result", "0"}});
    EXPECT_FALSE(table.View().readyVisible);
    EXPECT_EQ(table.View().statusText, "Ходит: Ann");
    EXPECT_EQ(table.View().loginColour1, LoginColour::Green);
    EXPECT_EQ(table.OnPollTimer(false), PollAction::Nothing);  // own turn
}

TEST_F(OnlineTableTest, ReadyButtonOnlyForALoggedInUserOnAnUnreadySeat) {
    table.Open(1);
    // Not logged in at a table with a free seat: the empty login is no seat of the user's.
    Load({{"login1", "Ann"}, {"login2", ""}, {"result", "0"}});
    EXPECT_FALSE(table.View().readyVisible);
    EXPECT_EQ(table.Rows().bottom, false);
    EXPECT_EQ(table.Rows().top, false);
    LogIn("Bob");
    Load({{"login1", "Ann"}, {"login2", "Bob"}, {"isready2", "true"}, {"result", "0"}});
    EXPECT_TRUE(table.View().readyVisible);
    Load({{"login1", "Ann"}, {"login2", "Bob"}, {"isready2", 1}, {"result", "0"}});
    EXPECT_TRUE(table.View().readyVisible);  // a number is not "1"
    EXPECT_FALSE(table.State().Table.seat2.ready);
    EXPECT_FALSE(table.Rows().bottom);
    EXPECT_TRUE(table.Rows().top);
}

TEST_F(OnlineTableTest, ClockTexts) {
    EXPECT_EQ(SetClocks("300", "59"), (ClockTexts{"05:00", "00:59"}));
    EXPECT_EQ(SetClocks("7265", "3600"), (ClockTexts{"121:05", "60:00"}));
    EXPECT_EQ(SetClocks("1", "600"), (ClockTexts{"00:01", "10:00"}));
    // A clock that ran out stays on the screen beside the other one.
    EXPECT_EQ(SetClocks("0", "300"), (ClockTexts{"00:00", "05:00"}));
    EXPECT_EQ(SetClocks("300", "-5"), (ClockTexts{"05:00", "00:00"}));
    for (const auto& [time1, time2] : std::vector<std::pair<const char*, const char*>>{
             {"300", ""}, {"300", "5:00"}, {"abc", "300"}, {"300", "99999999999"}}) {
        EXPECT_EQ(SetClocks(time1, time2), ClockTexts{}) << time1 << " " << time2;
    }
}

TEST_F(OnlineTableTest, TheRunningClockIsTheServersTimeLessTheTimeSinceItCame) {
    LogIn("Ann");
    table.Open(2);
    Playing("Bob", "300", "3");
    // Three whole seconds left: counted from the middle of the fourth.
    EXPECT_EQ(table.RemainingMs(Side::Top), 3500);
    EXPECT_EQ(table.RemainingMs(Side::Bottom), 300'000);  // stands still: as it came
    EXPECT_EQ(table.Clocks(), (ClockTexts{"05:00", "00:03"}));
    EXPECT_EQ(table.UntilNextSecond(), std::chrono::milliseconds(501));
    // However often or seldom the clock ticks, it shows the time gone by.
    now += std::chrono::milliseconds(1400);
    ClockTick tick = table.OnClockTimer();
    EXPECT_TRUE(tick.setClocks);
    EXPECT_FALSE(tick.pauseThenReload);
    EXPECT_EQ(table.View().clocks, (ClockTexts{"05:00", "00:02"}));
    EXPECT_EQ(table.RemainingMs(Side::Top), 2100);
    EXPECT_EQ(table.UntilNextSecond(), std::chrono::milliseconds(101));
    EXPECT_EQ(table.State().Table.seat2.seconds, 3);  // the server's word is kept as it came
    now += std::chrono::milliseconds(1600);
    EXPECT_EQ(table.Clocks(), (ClockTexts{"05:00", "00:00"}));
    EXPECT_FALSE(table.ClockRunOut());
    now += std::chrono::milliseconds(500);
    EXPECT_TRUE(table.OnClockTimer().pauseThenReload);
    EXPECT_TRUE(table.ClockRunOut());
    EXPECT_EQ(table.Clocks(), (ClockTexts{"05:00", "00:00"}));
    EXPECT_FALSE(table.UntilNextSecond());
    now += std::chrono::milliseconds(5000);
    EXPECT_EQ(table.Clocks(), (ClockTexts{"05:00", "00:00"}));  // stays at 0
    // A new state counts from its own arrival.
    Playing("Ann", "250", "0");
    EXPECT_EQ(table.Clocks(), (ClockTexts{"04:10", "00:00"}));
    EXPECT_FALSE(table.ClockRunOut());  // the clock at zero is not the running one

    // A clock that is not a number is neither counted nor taken for a run-out clock.
    Playing("Ann", "x", "300");
    now += std::chrono::milliseconds(2000);
    EXPECT_FALSE(table.OnClockTimer().pauseThenReload);
    EXPECT_EQ(table.Clocks(), ClockTexts{});

    // Nothing counts until both are ready, nor once the game is over.
    Load({{"login1", "Ann"},
          {"login2", "Bob"},
          {"activelogin", "Ann"},
          {"time1", "300"},
          {"time2", "300"},
          {"isready1", "1"},
          {"result", "0"}});
    now += std::chrono::milliseconds(2000);
    EXPECT_FALSE(table.OnClockTimer().setClocks);
    EXPECT_EQ(table.Clocks().clock1, "05:00");
    Load({{"login1", "Ann"},
          {"login2", "Bob"},
          {"activelogin", "Ann"},
          {"time1", "30"},
          {"time2", "300"},
          {"isready1", "1"},
          {"isready2", "1"},
          {"result", "2"}});
    now += std::chrono::milliseconds(60000);
    EXPECT_EQ(table.Clocks().clock1, "00:30");
    EXPECT_FALSE(table.ClockRunOut());
}

TEST_F(OnlineTableTest, NextRecordReplaysOnlyNewPlayableMoves) {
    LogIn("Ann");
    table.Open(2);
    Playing("Bob");
    EXPECT_EQ(table.SideToMove(), Side::Top);
    EXPECT_EQ(table.OnPollTimer(false), PollAction::AskNextRecord);
    EXPECT_EQ(table.ApplyNextRecord(nullptr), NextRecordOutcome::NoNewRecord);
    Reply same = {{"response", "Success"}, {"ind", "4"}, {"move", "9"}};
    EXPECT_EQ(table.ApplyNextRecord(&same), NextRecordOutcome::NoNewRecord);
    Reply brokenInd = {{"response", "Success"}, {"ind", "5x"}, {"move", "9"}};
    EXPECT_EQ(table.ApplyNextRecord(&brokenInd), NextRecordOutcome::NoNewRecord);
    EXPECT_EQ(table.State().LastRecord, 4);

    Reply good = {{"response", "Success"}, {"ind", "5"}, {"move", "9"}};
    EXPECT_EQ(table.ApplyNextRecord(&good), NextRecordOutcome::Replay);
    EXPECT_EQ(table.State().OpponentMove, 9);
    EXPECT_EQ(table.State().LastRecord, 5);

    for (const Reply& move : {Reply("0"), Reply("15"), Reply("-3"), Reply("nine"), Reply(9)}) {
        const int ind = table.State().LastRecord + 1;
        Reply bad = {{"response", "Success"}, {"ind", std::to_string(ind)}, {"move", move}};
        EXPECT_EQ(table.ApplyNextRecord(&bad), NextRecordOutcome::ReloadOnly) << move;
        EXPECT_EQ(table.State().OpponentMove, 9);
        EXPECT_EQ(table.State().LastRecord, ind);
    }
}

TEST_F(OnlineTableTest, RecordsOfTheTableAndOfAnother) {
    table.Open(2);
    Playing("Bob");
    EXPECT_EQ(table.State().LastRecord, 4);
    Load({{"lastrecord", "soon"}, {"result", "0"}});
    EXPECT_EQ(table.State().LastRecord, 4);
    table.Open(2);
    EXPECT_EQ(table.State().LastRecord, 4);
    table.Open(3);
    EXPECT_EQ(table.State().LastRecord, 0);
}

TEST_F(OnlineTableTest, ResultEndsPollingAndIsShown) {
    table.Open(2);
    Playing("Bob");
    EXPECT_FALSE(table.PollingEnds());
    EXPECT_FALSE(table.GameOver());
    for (const auto& [result, text] :
         std::vector<std::pair<Reply, std::string>>{{"1", "Победил: Ann"},
                                                    {"2", "Победил: Bob"},
                                                    {"", "Ничья"},
                                                    {"3", "Ничья"},
                                                    {nullptr, "Ничья"},
                                                    {0, "Ничья"}}) {
        Load({{"login1", "Ann"}, {"login2", "Bob"}, {"result", result}});
        EXPECT_TRUE(table.PollingEnds()) << result;
        EXPECT_TRUE(table.GameOver());
        EXPECT_TRUE(table.View().resultVisible);
        EXPECT_EQ(table.View().resultText, text);
    }
}

TEST_F(OnlineTableTest, LeavingReturnsToTheLocalLayout) {
    LogIn("Ann");
    table.Open(2);
    Playing("Ann");
    table.Leave();
    const TableView view = table.View();
    EXPECT_EQ(view.windowWidth, 730);
    EXPECT_FALSE(view.panelVisible);
    EXPECT_FALSE(view.statusText);
    EXPECT_EQ(view.tableLabel, "Стол №0");
    EXPECT_EQ(table.OnPollTimer(false), PollAction::Nothing);
    EXPECT_FALSE(table.OnClockTimer().setClocks);
    EXPECT_FALSE(table.ReloadRequest());
    EXPECT_TRUE(table.Rows().bottom);
    EXPECT_FALSE(table.Rows().top);
}

TEST_F(OnlineTableTest, OnlineClicksOnlyOnTheOwnRowInTheOwnTurn) {
    table.Open(2);
    Load({{"login1", ""}, {"login2", "Bob"}, {"activelogin", ""}, {"result", "0"}});
    EXPECT_FALSE(table.AcceptsClick(1));  // not logged in, empty seat and empty turn
    LogIn("Bob");
    Playing("Bob");
    for (int pit = 1; pit <= kPitCount; ++pit) {
        EXPECT_EQ(table.AcceptsClick(pit), pit >= 8 && pit <= 13) << pit;
    }
    Playing("Ann");
    for (int pit = 0; pit <= 15; ++pit) {
        EXPECT_FALSE(table.AcceptsClick(pit)) << pit;
    }
    EXPECT_EQ(table.SideToMove(), Side::Bottom);
    EXPECT_EQ(table.OnPollTimer(false), PollAction::AskNextRecord);
}

TEST_F(OnlineTableTest, FailedReloadChangesNothing) {
    table.Open(2);
    Playing("Bob");
    const Position board = Load({{"position", "9|9|9|9|9|9|9|9|9|9|9|9|9"},
                                 {"login1", "Ann"},
                                 {"login2", "Bob"},
                                 {"activelogin", "Bob"},
                                 {"result", "0"}});
    EXPECT_EQ(board[1], 9);
    EXPECT_EQ(board[13], 9);
    EXPECT_EQ(board[14], 0);  // 13 items: store 14 keeps its count
    EXPECT_EQ(table.View().statusText, "Ходит: Bob");
}

TEST_F(OnlineTableTest, InformationPanelShowsRatingsAwayPlayersAndTheSpectator) {
    LogIn("Carl");
    table.Open(3);
    EXPECT_FALSE(table.View().watching);  // nothing known yet
    Load({{"login1", "Ann"},
          {"login2", "Bob"},
          {"rating1", "1512"},
          {"rating2", ""},
          {"away2", "1"},
          {"result", "0"}});
    TableView view = table.View();
    EXPECT_EQ(view.loginLabel1, "Ann (1512)");
    EXPECT_EQ(view.loginLabel2, std::string("Bob ") + kAwayText);
    EXPECT_EQ(view.seat1, (SeatLabel{"Ann", "1512", false}));
    EXPECT_EQ(view.seat2, (SeatLabel{"Bob", "", true}));
    EXPECT_TRUE(view.watching);
    EXPECT_FALSE(view.rematchVisible);  // spectators never

    // A server without the newer members: the logins alone, nobody away.
    LogIn("Bob");
    Load({{"login1", "Ann"}, {"login2", "Bob"}, {"result", "0"}});
    view = table.View();
    EXPECT_EQ(view.loginLabel1, "Ann");
    EXPECT_EQ(view.loginLabel2, "Bob");
    EXPECT_FALSE(view.watching);
    EXPECT_EQ(table.OwnSeat(), Side::Top);
    // A free seat carries no rating and no mark.
    Load({{"login1", ""}, {"login2", "Bob"}, {"rating1", "1500"}, {"away1", "1"}});
    EXPECT_EQ(table.View().loginLabel1, "");
}

TEST_F(OnlineTableTest, RecordsNotShownYetKeepTheBoardUntilReplayed) {
    LogIn("Carl");
    table.Open(3);
    Reply members = {{"login1", "Ann"},
                     {"login2", "Bob"},
                     {"position", "0|7|7|7|7|7|1|6|6|6|6|6|6|0"},
                     {"lastrecord", "1"},
                     {"result", "0"}};
    // The first board of a table is taken as it is, with its records.
    EXPECT_EQ(Load(members)[1], 0);
    EXPECT_FALSE(table.UnseenRecords());
    EXPECT_EQ(table.State().LastRecord, 1);
    members["lastrecord"] = "3";
    members["position"] = "0|0|8|8|8|8|2|7|7|6|6|6|6|0";
    EXPECT_EQ(Load(members), Position::start());  // kept: two moves to show first
    EXPECT_TRUE(table.UnseenRecords());
    EXPECT_EQ(table.State().LastRecord, 1);
    // Without the catch-up (the records said nothing new) the server's board wins.
    EXPECT_EQ(table.ApplyTableReply(SuccessfulTableReply(members), Position::start(), false)[2], 0);
    EXPECT_EQ(table.State().LastRecord, 3);
    // Opening the table again starts afresh.
    table.Open(3);
    members["lastrecord"] = "9";
    EXPECT_EQ(Load(members)[2], 0);
}

TEST(BoardViewTest, TheTurnedBoardPutsTheTopRowBelowLeftToRight) {
    for (int pit = 1; pit <= kPitCount; ++pit) EXPECT_EQ(ShownPlace(pit, false), pit);
    // Pit 8 (the top row's first, on the right as the bottom player sees it) comes bottom left;
    // the top store takes the bottom store's place, and so on round the ring.
    const int turned[] = {0, 8, 9, 10, 11, 12, 13, 14, 1, 2, 3, 4, 5, 6, 7};
    for (int pit = 1; pit <= kPitCount; ++pit) EXPECT_EQ(ShownPlace(pit, true), turned[pit]);
    // Every place is taken once.
    std::vector<int> places;
    for (int pit = 1; pit <= kPitCount; ++pit) places.push_back(ShownPlace(pit, true));
    std::sort(places.begin(), places.end());
    for (int i = 0; i < kPitCount; ++i) EXPECT_EQ(places[static_cast<std::size_t>(i)], i + 1);

    for (int digit = 1; digit <= 6; ++digit) {
        EXPECT_EQ(PitForDigit(digit, false), digit);
        EXPECT_EQ(PitForDigit(digit, true), digit + 7);
        // The key plays the pit drawn in that place of the bottom row.
        EXPECT_EQ(ShownPlace(PitForDigit(digit, true), true), digit);
    }
    EXPECT_EQ(PitForDigit(0, true), 0);
    EXPECT_EQ(PitForDigit(7, false), 0);
}
