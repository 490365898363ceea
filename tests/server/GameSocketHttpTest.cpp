#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "OnlinePlayFixture.h"

namespace pimra::server::test {
namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

class GameSocketTest : public OnlinePlayTest {
  protected:
    std::unique_ptr<SocketClient> socket(int receiveBuffer = 0) {
        return std::make_unique<SocketClient>(server_->port(), receiveBuffer);
    }
};

// Whatever a client sends gets an outcome it can read: a reply when the request's id can be
// read, else a close with a code that says why; a plain GET is told to upgrade.
TEST_F(GameSocketTest, BadFramesGetClearOutcomes) {
    EXPECT_EQ(client().get("/engine/ws")->status, 426);

    auto bad = socket();
    ASSERT_TRUE(bad->open());
    EXPECT_EQ(bad->request({{"action", "nosuchaction"}})["response"], "Неизвестное действие");
    ASSERT_TRUE(bad->send(R"({"id": 7, "action": 5})"));
    EXPECT_EQ(nlohmann::json::parse(*bad->receive()),
              nlohmann::json::parse(R"({"id":7,"reply":{"response":"Неверный запрос"}})"));
    EXPECT_EQ(bad->watch("abc")["response"], "Неверный запрос");
    EXPECT_EQ(bad->watch("12345")["response"], "Стол не найден");
    ASSERT_TRUE(bad->send("[1, 2"));
    EXPECT_FALSE(bad->receive());
    EXPECT_EQ(bad->closeCode(), 1008);

    auto binary = socket();
    ASSERT_TRUE(binary->send(R"({"id":1,"action":"gettable"})", true));
    EXPECT_FALSE(binary->receive());
    EXPECT_EQ(binary->closeCode(), 1003);

    auto large = socket();
    ASSERT_TRUE(large->send(R"({"id":1,"action":")" + std::string(9000, 'a') + "\"}"));
    EXPECT_FALSE(large->receive());
    EXPECT_EQ(large->closeCode(), 1009);

    // The server is none the worse.
    EXPECT_EQ(socket()->request({{"action", "tablelist"}, {"gameid", "1"}})["response"], "Success");
}

// A move reaches a spectator who watches the table, within 100 ms of the mover's reply, and
// the lobby hears of the seats and the start; the spectator then fetches over the socket.
TEST_F(GameSocketTest, ChangesReachTheirWatchers) {
    const Login a = account("ivan");
    const Login b = account("petr");
    auto spectator = socket();
    ASSERT_EQ(spectator->watch("0")["response"], "Success");
    const std::string table = newTable(a).value("ind", "");
    ASSERT_EQ(spectator->event()->value("event", ""), "lobby");
    ASSERT_EQ(spectator->watch(table)["response"], "Success");
    regTable(b, table);
    ready(a, table);
    ready(b, table);
    // Seat taken, two ready flags: three table events, and the lobby's in a second at most.
    int tableEvents = 0;
    bool lobby = false;
    while (tableEvents < 3 || !lobby) {
        const auto event = spectator->event(milliseconds(2000));
        ASSERT_TRUE(event);
        tableEvents += (*event)["event"] == "table";
        lobby = lobby || (*event)["event"] == "lobby";
    }

    ASSERT_EQ(move(a, table, 3)["response"], "Success");
    const auto replied = SteadyClock::now();
    const auto event = spectator->event();
    ASSERT_TRUE(event);
    EXPECT_LT(SteadyClock::now() - replied, milliseconds(100));
    EXPECT_EQ(*event, nlohmann::json::parse(R"({"event":"table","tableid":")" + table +
                                            R"(","lastrecord":"1","result":"0",)"
                                            R"("activelogin":"petr"})"));
    const auto record = spectator->request({{"action", "nextrecord"},
                                            {"appid", "pimra"},
                                            {"ind", "0"},
                                            {"side", "0"},
                                            {"tableid", table}});
    EXPECT_EQ(record["move"], "3");

    // A draw offer shows in "gettable": it is a change too; an unwatched table is not told.
    ASSERT_EQ(spectator->request({{"action", "unwatch"}, {"tableid", table}})["response"],
              "Success");
    ASSERT_EQ(offerDraw(b, table)["response"], "Success");
    EXPECT_FALSE(spectator->event(milliseconds(300)));
}

// Nobody asks about a game whose clock runs out, and still its watchers see the result.
TEST_F(GameSocketTest, LossOnTimeReachesWatchersWithoutAPoll) {
    httpLimits_.clockRecheck = milliseconds(50);
    restart();
    const Login a = account("ivan");
    const Login b = account("petr");
    const std::string table = startedGame(a, b, 60, 0);
    auto spectator = socket();
    ASSERT_EQ(spectator->watch(table)["response"], "Success");
    clock_.advanceMs(60'000 + 3'000);
    const auto event = spectator->event();
    ASSERT_TRUE(event);
    EXPECT_EQ((*event)["result"], "2");
    EXPECT_EQ((*event)["activelogin"], "");
}

// A watcher that stops reading fills what may wait for it and is dropped; the one beside it
// gets every change in order.
TEST_F(GameSocketTest, WatcherThatStopsReadingIsDropped) {
    httpLimits_.socketQueueBytes = 4096;
    restart();
    const Login a = account("ivan");
    const Login b = account("petr");
    const std::string table = newTable(a).value("ind", "");
    auto stalled = socket(1024);
    auto reader = socket();
    ASSERT_EQ(stalled->watch(table)["response"], "Success");
    ASSERT_EQ(reader->watch(table)["response"], "Success");
    constexpr int kRounds = 400;
    for (int round = 0; round < kRounds; ++round) {
        ASSERT_EQ(regTable(b, table)["response"], "Success");
        ASSERT_EQ(leave(b, table)["response"], "Success");
        for (int i = 0; i < 2; ++i) {
            const auto event = reader->event();
            ASSERT_TRUE(event);
            ASSERT_EQ((*event)["tableid"], table);
        }
    }
    int read = 0;
    while (stalled->receive(milliseconds(2000))) ++read;
    EXPECT_LT(read, 2 * kRounds);
    EXPECT_FALSE(stalled->open());
}

// The bounds of one client: sockets per address, requests a second, tables watched.
TEST_F(GameSocketTest, BoundsPerClient) {
    httpLimits_.maxSocketsPerAddress = 2;
    httpLimits_.socketRequestsPerSecond = 0.01;
    httpLimits_.socketRequestBurst = 10;
    httpLimits_.maxWatchesPerSocket = 8;
    restart();
    auto first = socket();
    auto second = socket();
    ASSERT_TRUE(first->open() && second->open());
    auto third = socket();
    EXPECT_FALSE(third->open());
    EXPECT_EQ(third->status(), 503);

    const Login a = account("ivan");
    for (int i = 0; i < 9; ++i) {
        const std::string table = newTable(a).value("ind", "");
        EXPECT_EQ(first->watch(table)["response"],
                  i < 8 ? "Success" : "Слишком много наблюдаемых столов");
    }
    EXPECT_EQ(first->watch("0")["response"], "Слишком много наблюдаемых столов");
    EXPECT_EQ(first->watch("0")["response"], "Слишком много запросов, подождите немного");
    EXPECT_EQ(second->watch("0")["response"], "Success");
}

}  // namespace
}  // namespace pimra::server::test
