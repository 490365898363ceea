#include <gtest/gtest.h>

#include "online/Lobby.h"
#include "online/RememberedSession.h"

using namespace pimra::net;
using namespace pimra::online;

namespace {

TableRow Row(int ind, std::string login1, std::string login2) {
    TableRow row;
    row.ind = ind;
    row.login1 = std::move(login1);
    row.login2 = std::move(login2);
    return row;
}

Session LoggedIn(const std::string& login) {
    return {"sid", "code", login};
}

}  // namespace

TEST(LobbyTest, TableListFields) {
    const Reply reply = *ParseReply(R"({"response":"Success","tables":[
        {"ind":"3","login1":"Абвгдеёжзийклмнопрстуфх","login2":"","timelimit":"300","bonus":"3"},
        {"ind":4,"login1":"a","login2":"b","timelimit":"","bonus":""},
        "not a table",
        {"ind":"12a","login1":"123456789012345678901","timelimit":"-60","bonus":"x"}]})");
    const std::vector<TableRow> rows = ParseTableList(reply);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].login1, "Абвгдеёжзийклмнопрст");
    EXPECT_EQ(rows[0].Ind(), 3);
    EXPECT_EQ(STime(rows[0]), "5 мин. + 3 сек. ");
    EXPECT_EQ(rows[1].Ind(), 0);
    EXPECT_EQ(STime(rows[1]), "0 мин. +  сек. ");
    EXPECT_EQ(rows[2].login1, "12345678901234567890");
    EXPECT_EQ(rows[2].Ind(), 0);
    EXPECT_EQ(rows[2].Bonus(), 0);
    EXPECT_EQ(rows[2].TimeLimit(), -60);

    EXPECT_TRUE(ParseTableList(*ParseReply(R"({"tables":{}})")).empty());
    EXPECT_TRUE(ParseTableList(*ParseReply(R"({"response":"Success"})")).empty());
}

TEST(LobbyTest, TimeControlAndColours) {
    TableRow row = Row(1, "A", "");
    row.timelimit = 90;
    row.bonus = 0;
    EXPECT_EQ(STime(row), "1 мин. + 0 сек. ");
    EXPECT_EQ(RowColour(row), (Rgb{224, 251, 221}));
    EXPECT_EQ(RowColour(Row(1, "", "B")), (Rgb{255, 217, 217}));
    EXPECT_EQ(EncodeForm(NewTableRequestFromDialog(LoggedIn("A"), 7, "3")),
              "action=newtable&gameid=1&sid=sid&code=code&timelimit=420&bonus=3&");
}

TEST(LobbyTest, CaptionAndActionForALoggedInUser) {
    const Session a = LoggedIn("A");
    struct Case {
        TableRow row;
        const char* caption;
        InputAction action;
    };
    for (const Case& c : {Case{Row(1, "A", ""), "Вход в игру", InputAction::Open},
                          Case{Row(1, "", "A"), "Вход в игру", InputAction::Open},
                          Case{Row(1, "B", ""), "Сесть за стол", InputAction::Join},
                          Case{Row(1, "", "B"), "Сесть за стол", InputAction::Join},
                          Case{Row(1, "", ""), "Сесть за стол", InputAction::Join},
                          Case{Row(1, "B", "C"), "Смотреть игру", InputAction::Open},
                          Case{Row(1, "a", "C"), "Смотреть игру", InputAction::Open},
                          Case{Row(0, "B", ""), "Сесть за стол", InputAction::Nothing},
                          Case{Row(-2, "B", "C"), "Смотреть игру", InputAction::Nothing}}) {
        EXPECT_EQ(InputCaption(c.row.login1, c.row.login2, a.OwnLogin), c.caption)
            << c.row.login1 << "/" << c.row.login2;
        EXPECT_EQ(InputActionFor(c.row, a), c.action) << c.row.login1 << "/" << c.row.login2;
    }
}

TEST(LobbyTest, CaptionAndActionWithoutALogin) {
    const Session nobody;
    EXPECT_EQ(InputCaption("B", "", ""), "Вход в игру");
    EXPECT_EQ(InputActionFor(Row(1, "B", ""), nobody), InputAction::NotAuthorized);
    EXPECT_EQ(InputActionFor(Row(1, "", ""), nobody), InputAction::Open);
    EXPECT_EQ(InputActionFor(Row(1, "B", "C"), nobody), InputAction::Open);
    // A login that brought no session id cannot join either.
    EXPECT_EQ(InputActionFor(Row(1, "B", ""), Session{"", "", "A"}), InputAction::NotAuthorized);
}

TEST(LobbyTest, ListSelectsItsLastRowAndCaptionFollowsTheSelection) {
    Lobby lobby;
    const Session a = LoggedIn("A");
    EXPECT_EQ(lobby.Input(a), InputAction::Nothing);
    EXPECT_EQ(lobby.CurrentTableId(), 0);
    const Reply reply = *ParseReply(R"({"tables":[{"ind":"1","login1":"B","login2":""},
                                                  {"ind":"2","login1":"A","login2":""}]})");
    lobby.Load(&reply);
    ASSERT_EQ(lobby.Current(), 1u);
    EXPECT_EQ(lobby.Caption(a), "Вход в игру");
    EXPECT_EQ(lobby.Input(a), InputAction::Open);
    lobby.Select(0);
    EXPECT_EQ(lobby.Caption(a), "Сесть за стол");
    EXPECT_EQ(EncodeForm(lobby.JoinRequest(a)), "action=regtable&tableid=1&sid=sid&code=code&");
    lobby.Select(5);
    EXPECT_EQ(lobby.Current(), 0u);
    lobby.Load(nullptr);
    EXPECT_TRUE(lobby.Rows().empty());
    EXPECT_FALSE(lobby.Current());
    EXPECT_EQ(lobby.Input(a), InputAction::Nothing);
}

TEST(LobbyTest, LoginStateAndRefusedCharacters) {
    EXPECT_EQ(UpdateStatus(Session{}).statusPane, "Вы не авторизованы!");
    EXPECT_EQ(UpdateStatus(Session{}).loginButton, "Авторизация");
    EXPECT_FALSE(UpdateStatus(Session{}).createEnabled);
    EXPECT_EQ(UpdateStatus(LoggedIn("Юзер")).statusPane, "Юзер");
    EXPECT_EQ(UpdateStatus(LoggedIn("Юзер")).loginButton, "Сменить аккаунт");
    EXPECT_TRUE(UpdateStatus(LoggedIn("Юзер")).createEnabled);
    EXPECT_EQ(MainWindowCaption(LoggedIn("Юзер")), "Пимра - Юзер");
    EXPECT_FALSE(LoginRefusal("Юзер 1", ""));
    EXPECT_TRUE(LoginRefusal("user", "пароль😀"));
    EXPECT_TRUE(LoginRefusal("漢", "pw"));
}

TEST(RememberedSessionTest, KeepsTheSessionAndRefusesAnythingElse) {
    const std::optional<pimra::net::Session> back =
        DecodeSession(EncodeSession({"s1d", "c0de", "Анна"}));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->Sid, "s1d");
    EXPECT_EQ(back->Code, "c0de");
    EXPECT_EQ(back->OwnLogin, "Анна");
    for (const std::string& broken :
         {std::string(), std::string("s\nc"), std::string("s\nc\n"), std::string("\nc\nlogin"),
          std::string("s\nc\nlogin\nmore"), "s\nc\n" + std::string(2000, 'x')}) {
        EXPECT_FALSE(DecodeSession(broken).has_value()) << broken;
    }
    EXPECT_TRUE(RefusesSession(*pimra::net::ParseReply(R"({"response":"Вы не авторизованы"})")));
    EXPECT_FALSE(RefusesSession(*pimra::net::ParseReply(R"({"response":"Success"})")));
}
