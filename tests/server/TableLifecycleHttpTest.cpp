#include <gtest/gtest.h>

#include "TestServer.h"

namespace pimra::server::test {
namespace {

using TableLifecycleHttpTest = ServerTest;

bool listed(const nlohmann::json& list, const std::string& table) {
    for (const auto& row : list["tables"]) {
        if (row["ind"] == table) return true;
    }
    return false;
}

TEST_F(TableLifecycleHttpTest, LeavingFreesTheSeatAndAnEmptyTableGoesAway) {
    const Login owner = account("owner");
    const Login squatter = account("squatter");
    const Login stranger = account("stranger");
    const std::string table = newTable(owner).value("ind", "");
    ASSERT_EQ(regTable(squatter, table)["response"], "Success");
    ASSERT_EQ(ready(squatter, table)["response"], "Success");

    EXPECT_EQ(leave(stranger, table)["response"], "Вы не сидите за этим столом");
    EXPECT_EQ(leave(Login{"x", "bad", "bad"}, table)["response"], "Вы не авторизованы");
    EXPECT_EQ(leave(owner, "999")["response"], "Стол не найден");
    EXPECT_EQ(client().engine({{"action", "leave"}, {"tableid", table}})["response"],
              "Неверный запрос");

    // The squatter leaves: the seat is free again, and the readiness went with the player.
    EXPECT_EQ(leave(squatter, table)["response"], "Success");
    auto state = getTable(table);
    EXPECT_EQ(state["login1"], "owner");
    EXPECT_EQ(state["login2"], "");
    EXPECT_EQ(state["isready2"], "0");
    EXPECT_EQ(regTable(stranger, table)["response"], "Success");

    // Both leave: the table is gone.
    EXPECT_EQ(leave(owner, table)["response"], "Success");
    EXPECT_EQ(getTable(table)["login1"], "");
    EXPECT_EQ(leave(stranger, table)["response"], "Success");
    EXPECT_EQ(getTable(table)["response"], "Стол не найден");
    EXPECT_FALSE(listed(tableList(), table));
}

TEST_F(TableLifecycleHttpTest, AStartedOrFinishedGameCannotBeLeft) {
    const Login a = account("a");
    const Login b = account("b");
    const std::string table = startedGame(a, b);
    EXPECT_EQ(leave(a, table)["response"], "Партия уже началась");
    EXPECT_EQ(getTable(table)["login1"], "a");
    clock_.advanceMs(400'000);
    EXPECT_EQ(leave(a, table)["response"], "Партия завершена");
}

TEST_F(TableLifecycleHttpTest, WaitingTablesExpireAfterTheirLastChangeButRunningGamesStay) {
    const Login a = account("a");
    const Login b = account("b");
    const std::string idle = newTable(a).value("ind", "");
    const std::string joined = newTable(a).value("ind", "");
    const std::string running = startedGame(a, b);
    clock_.advanceMs(20 * 60 * 1000);
    ASSERT_EQ(regTable(b, joined)["response"], "Success");  // a change restarts its time
    clock_.advanceMs(11 * 60 * 1000);

    EXPECT_EQ(getTable(idle)["response"], "Стол не найден");
    EXPECT_EQ(regTable(b, idle)["response"], "Стол не найден");
    EXPECT_EQ(getTable(joined)["login2"], "b");
    const auto list = tableList();
    EXPECT_FALSE(listed(list, idle));
    EXPECT_TRUE(listed(list, joined));
    EXPECT_TRUE(listed(list, running));
    clock_.advanceMs(20 * 60 * 1000);
    EXPECT_FALSE(listed(tableList(), joined));
}

TEST_F(TableLifecycleHttpTest, ASquatterCannotKeepAPlayerFromCreatingTables) {
    const Login victim = account("victim");
    const Login squatter = account("squatter");
    std::vector<std::string> tables;
    for (int i = 0; i < 10; ++i) {
        tables.push_back(newTable(victim).value("ind", ""));
        regTable(squatter, tables.back());
    }
    EXPECT_EQ(newTable(victim)["response"], "У вас слишком много незавершённых столов");
    // The victim walks away from one table ...
    ASSERT_EQ(leave(victim, tables[0])["response"], "Success");
    EXPECT_EQ(newTable(victim)["response"], "Success");
    // ... and the others expire on their own.
    clock_.advanceMs(31 * 60 * 1000);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(newTable(victim)["response"], "Success") << i;
}

class ShortListHttpTest : public ServerTest {
  protected:
    void SetUp() override {
        settings_.maxListedTables = 3;
        ServerTest::SetUp();
    }
};

TEST_F(ShortListHttpTest, TheListIsBoundedWithWaitingTablesFirstNewestFirst) {
    const Login a = account("a");
    const Login b = account("b");
    const std::string running = startedGame(a, b);
    const std::string w1 = newTable(a).value("ind", "");
    const std::string w2 = newTable(b).value("ind", "");
    const auto list = tableList()["tables"];
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]["ind"], w2);
    EXPECT_EQ(list[1]["ind"], w1);
    EXPECT_EQ(list[2]["ind"], running);
    newTable(a);
    EXPECT_FALSE(listed(tableList(), running));
}

}  // namespace
}  // namespace pimra::server::test
