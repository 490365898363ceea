#include <gtest/gtest.h>

#include "OnlinePlayFixture.h"

namespace pimra::server::test {
namespace {

using OnlinePlayHttpTest = OnlinePlayTest;

TEST_F(OnlinePlayHttpTest, RematchOpensATableWithTheSeatsSwappedOnceBothAsk) {
    const Login ann = account("ann"), bob = account("bob"), eve = account("eve");
    const std::string table = startedGame(ann, bob, 120, 7);

    EXPECT_EQ(rematch(ann, table)["response"], "Партия ещё не завершена");
    secondSeatLosesOnTime(ann, table, 120);
    EXPECT_EQ(rematch(eve, table)["response"], "Вы не сидите за этим столом");
    EXPECT_EQ(rematch(Login{"ann", ann.sid, "wrong"}, table)["response"], "Вы не авторизованы");
    EXPECT_EQ(rematch(ann, "999")["response"], "Стол не найден");
    EXPECT_EQ(client().engine({{"action", "rematch"}, {"tableid", table}})["response"],
              "Неверный запрос");

    auto first = rematch(ann, table);
    EXPECT_EQ(first["response"], "Success");
    EXPECT_EQ(first["tableid"], "");
    auto state = getTable(table);
    EXPECT_EQ(state["rematch1"], "1");
    EXPECT_EQ(state["rematch2"], "0");
    EXPECT_EQ(state["nexttable"], "");
    EXPECT_EQ(rematch(ann, table)["tableid"], "");  // asking twice is still one request

    const std::string next = rematch(bob, table).value("tableid", "");
    ASSERT_FALSE(next.empty());
    EXPECT_NE(next, table);
    EXPECT_EQ(rematch(ann, table)["tableid"], next);
    EXPECT_EQ(rematch(bob, table)["tableid"], next);
    state = getTable(table);
    EXPECT_EQ(state["rematch2"], "1");
    EXPECT_EQ(state["nexttable"], next);
    EXPECT_EQ(state["result"], "1");

    // Same time control, seats swapped, nobody ready: the usual "ready" of both starts it.
    auto fresh = getTable(next);
    EXPECT_EQ(fresh["login1"], "bob");
    EXPECT_EQ(fresh["login2"], "ann");
    EXPECT_EQ(fresh["isready1"], "0");
    EXPECT_EQ(fresh["isready2"], "0");
    EXPECT_EQ(fresh["time1"], "120");
    EXPECT_EQ(fresh["activelogin"], "");
    EXPECT_EQ(fresh["result"], "0");
    const auto listed = tableList()["tables"];
    bool found = false;
    for (const auto& row : listed) {
        if (row["ind"] != next) continue;
        found = true;
        EXPECT_EQ(row["timelimit"], "120");
        EXPECT_EQ(row["bonus"], "7");
    }
    EXPECT_TRUE(found);
    ready(ann, next);
    ready(bob, next);
    EXPECT_EQ(getTable(next)["activelogin"], "bob");
}

TEST_F(OnlinePlayHttpTest, RematchCountsAgainstTheLimitOfUnfinishedTables) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob, 60, 0);
    secondSeatLosesOnTime(ann, table, 60);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(newTable(bob)["response"], "Success");
    EXPECT_EQ(rematch(ann, table)["tableid"], "");
    EXPECT_EQ(rematch(bob, table)["response"], "У вас слишком много незавершённых столов");
    EXPECT_EQ(getTable(table)["rematch2"], "0");
    EXPECT_EQ(getTable(table)["nexttable"], "");
}

TEST_F(OnlinePlayHttpTest, AClockRunOutJustNowCountsAsAFinishedGameForARematch) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob, 60, 0);
    clock_.advanceMs(63'000);  // nobody has looked since ann's clock ran out
    EXPECT_EQ(rematch(bob, table)["response"], "Success");
    const auto state = getTable(table);
    EXPECT_EQ(state["result"], "2");
    EXPECT_EQ(state["finish"], "time");
}

TEST_F(OnlinePlayHttpTest, APlayerIsAwayAfterThirtySilentSecondsOnlyOnceTheClientSpoke) {
    const Login ann = account("ann"), bob = account("bob"), eve = account("eve");
    const std::string table = newTable(ann).value("ind", "");
    regTable(bob, table);
    auto state = getTable(table);
    EXPECT_EQ(state["away1"], "0");
    EXPECT_EQ(state["away2"], "0");

    EXPECT_EQ(alive(ann, table)["response"], "Success");
    EXPECT_EQ(alive(eve, table)["response"], "Вы не сидите за этим столом");
    EXPECT_EQ(alive(Login{"ann", "nope", "nope"}, table)["response"], "Вы не авторизованы");
    EXPECT_EQ(alive(ann, "999")["response"], "Стол не найден");
    clock_.advanceMs(30'000);
    EXPECT_EQ(getTable(table)["away1"], "0");
    clock_.advanceMs(1'000);
    state = getTable(table);
    EXPECT_EQ(state["away1"], "1");
    EXPECT_EQ(state["away2"], "0");  // an old client that never tells is never away

    // Ready and move count as signs of life as well.
    ready(bob, table);
    ready(ann, table);
    EXPECT_EQ(getTable(table)["away1"], "0");
    clock_.advanceMs(31'000);
    state = getTable(table);
    EXPECT_EQ(state["away1"], "1");
    EXPECT_EQ(state["away2"], "1");
    ASSERT_EQ(move(ann, table, 3)["response"], "Success");
    state = getTable(table);
    EXPECT_EQ(state["away1"], "0");
    EXPECT_EQ(state["away2"], "1");
    // The clock of the one away goes on as always.
    EXPECT_EQ(state["activelogin"], "bob");
    EXPECT_EQ(state["time1"], "272");
    EXPECT_EQ(state["time2"], "300");
}

TEST_F(OnlinePlayHttpTest, TheTableTellsHowTheGameEndedAndTheRatings) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string waiting = newTable(ann).value("ind", "");
    auto row = tableList()["tables"][0];
    EXPECT_EQ(row["rating1"], "1500");
    EXPECT_EQ(row["rating2"], "");
    EXPECT_EQ(getTable(waiting)["finish"], "");

    const std::string played = startedGame(ann, bob, 600, 0);
    EXPECT_EQ(getTable(played)["finish"], "");
    playToTheEnd(played, ann, bob);
    auto state = getTable(played);
    EXPECT_EQ(state["finish"], "moves");
    const std::string result = state["result"];
    ASSERT_NE(result, "3") << "the first-pit game is not expected to be drawn";
    const int winner = std::stoi(state["rating" + result].get<std::string>());
    const int loser = std::stoi(state[result == "1" ? "rating2" : "rating1"].get<std::string>());
    EXPECT_GT(winner, 1500);
    EXPECT_LT(loser, 1500);
    EXPECT_EQ(winner + loser, 3000);  // equal players before: the changes mirror each other

    // Everything of a gettable reply but the chat is a string, and the eight first members are
    // all there.
    for (const char* name : {"position", "login1", "login2", "time1", "time2", "activelogin",
                             "isready1", "isready2", "result", "lastrecord"}) {
        EXPECT_TRUE(state[name].is_string()) << name;
    }
    for (const auto& [name, value] : state.items()) {
        EXPECT_TRUE(name == "chat" ? value.is_array() : value.is_string()) << name;
    }
    const auto listed = tableList();
    for (const auto& [name, value] : listed["tables"][0].items()) {
        EXPECT_TRUE(value.is_string()) << name;
    }
}

}  // namespace
}  // namespace pimra::server::test
