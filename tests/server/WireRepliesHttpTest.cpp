#include <gtest/gtest.h>

#include "../net/CapturedReplies.h"
#include "OnlinePlayFixture.h"

namespace pimra::server::test {
namespace {

namespace captured = pimra::test::captured;

// The texts of the table, list and record replies stay byte for byte what clients have read.
class WireRepliesHttpTest : public OnlinePlayTest {
  protected:
    std::string raw(const Lines& lines) {
        auto reply = client().postRaw("/engine/", clientBody(lines));
        return reply ? reply->body : std::string();
    }
    std::string table(const std::string& id) {
        return raw({{"action", "gettable"}, {"appid", "pimra"}, {"tableid", id}});
    }
    std::string list() { return raw({{"action", "tablelist"}, {"gameid", "1"}}); }
    std::string record(const std::string& id, int ind) {
        return raw({{"action", "nextrecord"},
                    {"appid", "pimra"},
                    {"ind", std::to_string(ind)},
                    {"side", "0"},
                    {"tableid", id}});
    }
};

TEST_F(WireRepliesHttpTest, AScriptedGameGivesTheSameTextsAsBefore) {
    const Login anna = account("Анна");
    const Login bob = account("bob");
    EXPECT_EQ(list(), captured::kEmptyList);
    const std::string id = newTable(anna, 300, 5).value("ind", "");
    EXPECT_EQ(table(id), captured::kWaitingTable);
    regTable(bob, id);
    ready(anna, id);
    EXPECT_EQ(table(id), captured::kOneReady);
    ready(bob, id);
    clock_.advanceMs(1500);
    move(anna, id, 1);
    EXPECT_EQ(table(id), captured::kPlaying);
    EXPECT_EQ(list(), captured::kList);
    EXPECT_EQ(record(id, 0), captured::kRecord);
    EXPECT_EQ(record(id, 1), captured::kNoRecord);
    clock_.advanceMs(40000);
    EXPECT_EQ(table(id), captured::kAway);
    playToTheEnd(id, anna, bob);
    EXPECT_EQ(table(id), captured::kFinished);
    rematch(bob, id);
    EXPECT_EQ(table(id), captured::kRematchAsked);
    rematch(anna, id);
    EXPECT_EQ(table(id), captured::kRematched);
    const std::string second = startedGame(anna, bob, 60, 0);
    secondSeatLosesOnTime(anna, second, 60);
    EXPECT_EQ(table(second), captured::kLostOnTime);
    EXPECT_EQ(list(), captured::kListAfter);
}

}  // namespace
}  // namespace pimra::server::test
