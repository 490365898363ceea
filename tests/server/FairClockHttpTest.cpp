#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <future>
#include <thread>

#include "TestServer.h"

namespace pimra::server::test {
namespace {

using FairClockHttpTest = ServerTest;
using namespace std::chrono_literals;

constexpr const char* kGameOver = "Партия завершена";

TEST_F(FairClockHttpTest, TheGraceIsGrantedOncePerGameAndPlayerAndKeptAcrossARestart) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob, 60, 0);
    clock_.advanceMs(61'500);  // ann is past zero, inside the grace
    ASSERT_EQ(move(ann, table, 3)["response"], "Success");
    EXPECT_EQ(getTable(table)["time1"], "0");
    clock_.advanceMs(61'500);  // bob's own grace is still his
    ASSERT_EQ(move(bob, table, 9)["response"], "Success");

    restart();
    // Ann's clock stands at zero and her grace is spent: half a second later she has lost.
    clock_.advanceMs(500);
    EXPECT_EQ(move(ann, table, 4)["response"], kGameOver);
    const auto state = getTable(table);
    EXPECT_EQ(state["result"], "2");
    EXPECT_EQ(state["lastrecord"], "2");
    EXPECT_EQ(state["finish"], "time");
}

TEST_F(FairClockHttpTest, AGraceSpentLeavesTheBonusToPlayOn) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob, 60, 5);
    clock_.advanceMs(61'000);
    ASSERT_EQ(move(ann, table, 3)["response"], "Success");
    EXPECT_EQ(getTable(table)["time1"], "5");
    clock_.advanceMs(1'000);
    ASSERT_EQ(move(bob, table, 9)["response"], "Success");
    clock_.advanceMs(3'000);  // inside the bonus: a fair move
    ASSERT_EQ(move(ann, table, 4)["response"], "Success");
    clock_.advanceMs(1'000);
    ASSERT_EQ(move(bob, table, 10)["response"], "Success");
    // Ann has 7 s; a second run past zero ends the game at once, with no second grace.
    clock_.advanceMs(7'100);
    EXPECT_EQ(getTable(table)["result"], "2");
    EXPECT_EQ(move(ann, table, 5)["response"], kGameOver);
}

TEST_F(FairClockHttpTest, AMoveIsTimedWhenItArrivesAndTheListDoesNotWaitForTheStore) {
    if (database_) GTEST_SKIP() << "holds the SQLite file's write lock";
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob, 300, 0);
    clock_.advanceMs(10'000);
    sqlite3* locker = nullptr;
    ASSERT_EQ(sqlite3_open(dbPath().c_str(), &locker), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(locker, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    auto moved = std::async(std::launch::async, [&] { return move(ann, table, 3); });
    std::this_thread::sleep_for(500ms);  // the move has come in and waits for the store

    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(tableList()["tables"].size(), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    // The store takes its time; none of it is the player's.
    clock_.advanceMs(100'000);
    sqlite3_exec(locker, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(locker);

    ASSERT_EQ(moved.get()["response"], "Success");
    const auto state = getTable(table);
    EXPECT_EQ(state["time1"], "290");
    EXPECT_EQ(state["activelogin"], "bob");
}

}  // namespace
}  // namespace pimra::server::test
