#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "TestServer.h"
#include "server/TableRules.h"

namespace pimra::server::test {

// A server with the actions of online play beside the first eight.
class OnlinePlayTest : public ServerTest {
  protected:
    nlohmann::json rematch(const Login& who, const std::string& table) {
        return client().engine(
            {{"action", "rematch"}, {"sid", who.sid}, {"code", who.code}, {"tableid", table}});
    }
    nlohmann::json alive(const Login& who, const std::string& table) {
        return client().engine(
            {{"action", "alive"}, {"sid", who.sid}, {"code", who.code}, {"tableid", table}});
    }
    nlohmann::json resign(const Login& who, const std::string& table) {
        return client().engine(
            {{"action", "resign"}, {"sid", who.sid}, {"code", who.code}, {"tableid", table}});
    }
    nlohmann::json offerDraw(const Login& who, const std::string& table) {
        return client().engine(
            {{"action", "offerdraw"}, {"sid", who.sid}, {"code", who.code}, {"tableid", table}});
    }

    // Plays the first pit holding stones for whoever is to move, a second apart, until the
    // game is over; gives the number of moves.
    int playToTheEnd(const std::string& table, const Login& a, const Login& b) {
        const std::map<std::string, Login> players = {{a.login, a}, {b.login, b}};
        int moves = 0;
        for (; moves < 400; ++moves) {
            const auto state = getTable(table);
            if (state["result"] != "0") break;
            const auto position = parsePosition(state["position"]);
            const std::string active = state["activelogin"];
            const Side seat = active == state["login1"] ? Side::Bottom : Side::Top;
            int pit = Position::firstPitOf(seat);
            while ((*position)[pit] == 0) ++pit;
            clock_.advanceMs(1000);
            EXPECT_EQ(move(players.at(active), table, pit)["response"], "Success");
        }
        return moves;
    }

    // Seat 1 plays pit 3, which passes the turn, and seat 2 then lets its clock run out.
    void secondSeatLosesOnTime(const Login& first, const std::string& table, int timeLimit) {
        ASSERT_EQ(move(first, table, 3)["response"], "Success");
        clock_.advanceMs(std::int64_t{timeLimit} * 1000 + 3000);
        ASSERT_EQ(getTable(table)["result"], "1");
    }
};

}  // namespace pimra::server::test
