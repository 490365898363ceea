#include <gtest/gtest.h>

#include "TestServer.h"
#include "core/Move.h"
#include "server/TableRules.h"

namespace pimra::server::test {
namespace {

using GameHttpTest = ServerTest;

// Plays the first non-empty pit of the player to move; gives false once the game is over.
bool playFirstPit(Client client, const std::map<std::string, Login>& players,
                  const std::string& table, int& moves,
                  const std::function<nlohmann::json(const Login&, int)>& send) {
    const auto state =
        client.engine({{"action", "gettable"}, {"appid", "pimra"}, {"tableid", table}});
    if (state["result"] != "0") return false;
    const auto position = parsePosition(state["position"]);
    const std::string active = state["activelogin"];
    const Side seat = active == state["login1"] ? Side::Bottom : Side::Top;
    const int first = Position::firstPitOf(seat);
    for (int pit = first; pit < first + 6; ++pit) {
        if ((*position)[pit] > 0) {
            EXPECT_EQ(send(players.at(active), pit)["response"], "Success");
            ++moves;
            return true;
        }
    }
    ADD_FAILURE() << "no stones to move while the game runs: " << state;
    return false;
}

TEST_F(GameHttpTest, TwoSessionsPlayAWholeGameToAResult) {
    const Login ann = account("Анна"), bob = account("Борис");
    const std::string table = startedGame(ann, bob, 600, 0);
    const std::map<std::string, Login> players = {{ann.login, ann}, {bob.login, bob}};
    int moves = 0;
    const auto send = [&](const Login& who, int pit) {
        clock_.advanceMs(1000);
        return move(who, table, pit);
    };
    while (moves < 400 && playFirstPit(client(), players, table, moves, send)) {
    }
    const auto state = getTable(table);
    const auto position = parsePosition(state["position"]);
    ASSERT_TRUE(position);
    EXPECT_EQ(position->total(), 72);
    const int bottom = (*position)[7], top = (*position)[14];
    EXPECT_TRUE(bottom > 36 || top > 36 || position->rowSum(Side::Bottom) == 0 ||
                position->rowSum(Side::Top) == 0)
        << state;
    EXPECT_EQ(state["result"], bottom > top ? "1" : bottom < top ? "2" : "3");
    EXPECT_EQ(state["activelogin"], "");
    EXPECT_EQ(state["lastrecord"], std::to_string(moves));

    // Both players and a spectator can replay the whole game record by record.
    Position replay = Position::start();
    Side side = Side::Bottom;
    for (int ind = 0; ind < moves; ++ind) {
        const auto record = nextRecord(table, ind);
        ASSERT_EQ(record["ind"], std::to_string(ind + 1));
        const int pit = std::stoi(record["move"].get<std::string>());
        const auto played = pimra::playMove(replay, side, pit);
        ASSERT_TRUE(played.accepted);
        replay = played.position;
        side = played.sideToMove;
    }
    EXPECT_EQ(replay, *position);
    EXPECT_EQ(move(ann, table, 1)["response"], "Партия завершена");
    EXPECT_EQ(ready(ann, table)["response"], "Партия завершена");
}

TEST_F(GameHttpTest, ClocksRunForThePlayerToMoveAndAFlagEndsTheGame) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob, 60, 5);
    clock_.advanceMs(10'400);
    auto state = getTable(table);
    EXPECT_EQ(state["time1"], "49");
    EXPECT_EQ(state["time2"], "60");
    ASSERT_EQ(move(ann, table, 3)["response"], "Success");  // passes the turn: +5 s
    state = getTable(table);
    EXPECT_EQ(state["time1"], "54");
    clock_.advanceMs(61'000);  // bob's clock is at zero, inside the grace
    state = getTable(table);
    EXPECT_EQ(state["time2"], "0");
    EXPECT_EQ(state["result"], "0");
    clock_.advanceMs(1'500);  // grace over
    state = getTable(table);
    EXPECT_EQ(state["result"], "1");
    EXPECT_EQ(state["activelogin"], "");
    EXPECT_EQ(state["time1"], "54");
    EXPECT_EQ(move(bob, table, 8)["response"], "Партия завершена");

    // Finished tables stay listed for a while, then leave the list.
    auto list = client().engine({{"action", "tablelist"}, {"gameid", "1"}});
    EXPECT_EQ(list["tables"].size(), 1u);
    clock_.advanceMs(11 * 60 * 1000);
    list = client().engine({{"action", "tablelist"}, {"gameid", "1"}});
    EXPECT_EQ(list["tables"].size(), 0u);
    EXPECT_EQ(getTable(table)["result"], "1");
}

TEST_F(GameHttpTest, AMoveAfterTheGraceLosesOnTimeAndIsNotPlayed) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob, 60, 0);
    clock_.advanceMs(62'500);
    EXPECT_EQ(move(ann, table, 3)["response"], "Партия завершена");
    const auto state = getTable(table);
    EXPECT_EQ(state["result"], "2");
    EXPECT_EQ(state["lastrecord"], "0");
}

TEST_F(GameHttpTest, ARestartInTheMiddleOfAGameLosesNothing) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob, 300, 3);
    clock_.advanceMs(7'000);
    ASSERT_EQ(move(ann, table, 3)["response"], "Success");
    clock_.advanceMs(12'000);
    const auto before = getTable(table);
    EXPECT_EQ(before["time2"], "288");

    restart();

    EXPECT_EQ(getTable(table), before);
    EXPECT_EQ(nextRecord(table, 0)["move"], "3");
    // The sessions still hold: bob moves with the session he had before the restart.
    ASSERT_EQ(move(bob, table, 9)["response"], "Success");
    clock_.advanceMs(1'000);
    const auto after = getTable(table);
    EXPECT_EQ(after["lastrecord"], "2");
    EXPECT_EQ(after["time2"], "291");
    EXPECT_EQ(after["time1"], "295");
    EXPECT_EQ(after["activelogin"], "ann");
    const auto list = client().engine({{"action", "tablelist"}, {"gameid", "1"}});
    EXPECT_EQ(list["tables"][0]["login2"], "bob");
    // Logins registered before the restart still log in.
    EXPECT_EQ(
        client().engine(
            {{"action", "login"}, {"login", "ann"}, {"pass", clientDigest("secret")}})["response"],
        "Success");
}

}  // namespace
}  // namespace pimra::server::test
