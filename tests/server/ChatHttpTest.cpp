#include <gtest/gtest.h>

#include "OnlinePlayFixture.h"

namespace pimra::server::test {
namespace {

constexpr const char* kTooMany = "Слишком много сообщений, подождите немного";

class ChatHttpTest : public OnlinePlayTest {
  protected:
    nlohmann::json say(const Login& who, const std::string& table, const std::string& text) {
        return client().engine({{"action", "say"},
                                {"sid", who.sid},
                                {"code", who.code},
                                {"tableid", table},
                                {"text", text}});
    }
    std::string said(const Login& who, const std::string& table, const std::string& text) {
        return say(who, table, text).value("response", "");
    }
};

std::string repeated(const std::string& character, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += character;
    return text;
}

TEST_F(ChatHttpTest, PlayersAndLoggedInSpectatorsSpeakAndGettableGivesTheLastFiftyLines) {
    const Login ann = account("ann"), bob = account("bob"), eve = account("eve");
    const std::string table = startedGame(ann, bob);
    EXPECT_EQ(getTable(table)["chat"], nlohmann::json::array());

    EXPECT_EQ(said(Login{"ann", ann.sid, "x"}, table, "hi"), "Вы не авторизованы");
    EXPECT_EQ(said(eve, "999", "hi"), "Стол не найден");
    EXPECT_EQ(client().engine({{"action", "say"},
                               {"sid", ann.sid},
                               {"code", ann.code},
                               {"tableid", table}})["response"],
              "Неверный запрос");

    // Line breaks and tabs of a pasted text part words; markup stays the text it is.
    EXPECT_EQ(said(ann, table, " \tпривет\r\nвсем  "), "Success");
    EXPECT_EQ(said(eve, table,
                   "<b>bob</b> & \x01"
                   "co"),
              "Success");
    auto chat = getTable(table)["chat"];
    ASSERT_EQ(chat.size(), 2u);
    EXPECT_EQ(chat[0]["login"], "ann");
    EXPECT_EQ(chat[0]["text"], "привет всем");
    EXPECT_EQ(chat[0]["player"], "1");
    EXPECT_EQ(chat[0]["time"], std::to_string(clock_.nowMs() / 1000));
    EXPECT_EQ(chat[1]["login"], "eve");
    EXPECT_EQ(chat[1]["text"], "<b>bob</b> & co");
    EXPECT_EQ(chat[1]["player"], "0");
    EXPECT_LT(std::stoll(chat[0]["id"].get<std::string>()),
              std::stoll(chat[1]["id"].get<std::string>()));
    // The reply is otherwise still strings only.
    const auto whole = getTable(table);
    for (const auto& [name, value] : whole.items()) {
        EXPECT_TRUE(name == "chat" || value.is_string()) << name;
    }

    for (int i = 0; i < 55; ++i) {
        clock_.advanceMs(3000);
        ASSERT_EQ(said(i % 2 ? ann : bob, table, "n" + std::to_string(i)), "Success");
    }
    chat = getTable(table)["chat"];
    ASSERT_EQ(chat.size(), 50u);
    EXPECT_EQ(chat.front()["text"], "n5");
    EXPECT_EQ(chat.back()["text"], "n54");
}

TEST_F(ChatHttpTest, BlankAndLongLinesAreRefusedAndEachLoginSaysALineASecondAndTwentyAMinute) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = newTable(ann).value("ind", "");
    const std::string other = newTable(bob).value("ind", "");

    EXPECT_EQ(said(ann, table, ""), "Пустое сообщение");
    EXPECT_EQ(said(ann, table, " \t\x01\x7f\r\n "), "Пустое сообщение");
    EXPECT_EQ(said(ann, table, repeated("я", 201)), "Сообщение длиннее 200 символов");
    // Refused lines do not count against the limits; blanks around a line do not count at all.
    EXPECT_EQ(said(ann, table, "  " + repeated("я", 200) + "  "), "Success");
    EXPECT_EQ(getTable(table)["chat"][0]["text"], repeated("я", 200));

    // Once a second, whatever the table.
    EXPECT_EQ(said(ann, table, "a"), kTooMany);
    EXPECT_EQ(said(ann, other, "a"), kTooMany);
    EXPECT_EQ(said(bob, table, "b"), "Success");
    clock_.advanceMs(999);
    EXPECT_EQ(said(ann, other, "a"), kTooMany);
    clock_.advanceMs(1);
    EXPECT_EQ(said(ann, other, "a"), "Success");

    // Twenty within a minute: two said so far, eighteen more, then none until the first is
    // a minute old.
    for (int i = 0; i < 18; ++i) {
        clock_.advanceMs(1000);
        ASSERT_EQ(said(ann, i % 2 ? table : other, "x"), "Success") << i;
    }
    clock_.advanceMs(30'000);
    EXPECT_EQ(said(ann, table, "y"), kTooMany);
    clock_.advanceMs(10'999);
    EXPECT_EQ(said(ann, table, "y"), kTooMany);
    clock_.advanceMs(1);
    EXPECT_EQ(said(ann, table, "y"), "Success");
    EXPECT_EQ(getTable(other)["chat"].size(), 10u);
}

TEST_F(ChatHttpTest, TheGamesPageKeepsItsChatEscapedWithSpectatorsMarked) {
    const Login ann = account("ann"), bob = account("bob"), eve = account("eve");
    const std::string table = startedGame(ann, bob);
    ASSERT_EQ(said(eve, table, "<script>alert(1)</script>"), "Success");
    ASSERT_EQ(resign(bob, table)["response"], "Success");
    clock_.advanceMs(1000);
    ASSERT_EQ(said(bob, table, "спасибо за игру"), "Success");

    const auto page = client().get("/game/" + table);
    ASSERT_TRUE(page && page->status == 200);
    EXPECT_EQ(page->body.find("<script>alert"), std::string::npos);
    const auto chat = page->body.find("<ol class=\"chat\"");
    ASSERT_NE(chat, std::string::npos);
    const auto spectator =
        page->body.find("<b>eve</b> (зритель): &lt;script&gt;alert(1)&lt;/script&gt;</li>", chat);
    const auto player = page->body.find("<b>bob</b>: спасибо за игру</li>", chat);
    EXPECT_NE(spectator, std::string::npos);
    EXPECT_NE(player, std::string::npos);
    EXPECT_LT(spectator, player);
}

}  // namespace
}  // namespace pimra::server::test
