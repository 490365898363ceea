#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "TestServer.h"

namespace pimra::server::test {
namespace {

constexpr const char* kTooManyTables = "У вас слишком много незавершённых столов";
constexpr const char* kNoTable = "Стол не найден";

class LobbyHttpTest : public ServerTest {
  protected:
    void SetUp() override {
        settings_.maxListedTables = 20;
        ServerTest::SetUp();
    }
    // How many listed tables each first seat holds.
    std::map<std::string, int> listedPerPlayer() {
        std::map<std::string, int> count;
        const auto list = tableList();
        for (const auto& table : list["tables"]) ++count[table["login1"]];
        return count;
    }
};

TEST_F(LobbyHttpTest, TakingASeatCountsAgainstTheLimitOfUnfinishedTables) {
    const Login host = account("host"), squatter = account("squatter"), guest = account("guest");
    const std::string open = newTable(host).value("ind", "");
    std::vector<std::string> own;
    for (int i = 0; i < 10; ++i) own.push_back(newTable(squatter).value("ind", ""));
    EXPECT_EQ(regTable(squatter, open)["response"], kTooManyTables);
    EXPECT_EQ(getTable(open)["login2"], "");
    // The seat stays free for anyone else, and for the squatter once he has room again.
    ASSERT_EQ(regTable(guest, open)["response"], "Success");
    ASSERT_EQ(leave(guest, open)["response"], "Success");
    ASSERT_EQ(leave(squatter, own[0])["response"], "Success");
    EXPECT_EQ(regTable(squatter, open)["response"], "Success");
}

TEST_F(LobbyHttpTest, PressingReadyAgainDoesNotKeepAWaitingTableAlive) {
    const Login a = account("a"), b = account("b"), c = account("c"), d = account("d");
    const std::string pressed = newTable(a).value("ind", "");
    ASSERT_EQ(regTable(b, pressed)["response"], "Success");
    ASSERT_EQ(ready(a, pressed)["response"], "Success");
    const std::string fresh = newTable(c).value("ind", "");
    for (int minute = 5; minute <= 25; minute += 5) {
        clock_.advanceMs(5 * 60 * 1000);
        ASSERT_EQ(ready(a, pressed)["response"], "Success") << minute;
    }
    // A real change keeps a table: a seat taken 25 minutes on.
    ASSERT_EQ(regTable(d, fresh)["response"], "Success");
    clock_.advanceMs(6 * 60 * 1000);
    EXPECT_EQ(ready(a, pressed)["response"], kNoTable);
    EXPECT_EQ(getTable(pressed)["response"], kNoTable);
    EXPECT_EQ(getTable(fresh)["login2"], "d");
    ASSERT_EQ(ready(c, fresh)["response"], "Success");
    ASSERT_EQ(ready(d, fresh)["response"], "Success");
    EXPECT_EQ(getTable(fresh)["activelogin"], "c");
}

TEST_F(LobbyHttpTest, AFloodOfTablesCannotHideANewcomersTable) {
    std::vector<Login> flooders;
    for (const char* name : {"flood-a", "flood-b", "flood-c", "flood-d", "flood-e"}) {
        flooders.push_back(account(name));
        for (int i = 0; i < 10; ++i) newTable(flooders.back());
    }
    const Login newcomer = account("newcomer");
    const std::string mine = newTable(newcomer).value("ind", "");
    const auto list = tableList()["tables"];
    ASSERT_FALSE(list.empty());
    // The newest tables come first, and each player shows only a few.
    EXPECT_EQ(list[0]["ind"], mine);
    for (const auto& [login, count] : listedPerPlayer()) EXPECT_LE(count, 3) << login;
    EXPECT_EQ(listedPerPlayer()["newcomer"], 1);
    // Three of each of the five, and the newcomer's.
    EXPECT_EQ(list.size(), 16u);
}

}  // namespace
}  // namespace pimra::server::test
