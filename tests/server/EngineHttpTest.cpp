#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "TestServer.h"

namespace pimra::server::test {
namespace {

using EngineHttpTest = ServerTest;

bool isToken(const std::string& text) {
    return text.size() == 32 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

TEST_F(EngineHttpTest, LoginGivesFreshRandomSessionsOnlyForTheRightDigest) {
    server_->accounts().registerAccount("Иван Ёлкин", "пароль 1", "пароль 1");
    auto c = client();
    const auto first = c.engine(
        {{"action", "login"}, {"login", "Иван Ёлкин"}, {"pass", clientDigest("пароль 1")}});
    const auto second = c.engine(
        {{"action", "login"}, {"login", "Иван Ёлкин"}, {"pass", clientDigest("пароль 1")}});
    EXPECT_EQ(first["response"], "Success");
    EXPECT_TRUE(isToken(first["sid"])) << first;
    EXPECT_TRUE(isToken(first["code"]));
    EXPECT_NE(first["sid"], second["sid"]);
    EXPECT_NE(first["sid"], first["code"]);

    const std::string refused = "Неверный логин или пароль";
    EXPECT_EQ(c.engine({{"action", "login"},
                        {"login", "Иван Ёлкин"},
                        {"pass", clientDigest("пароль 2")}})["response"],
              refused);
    EXPECT_EQ(c.engine({{"action", "login"},
                        {"login", "иван ёлкин"},
                        {"pass", clientDigest("пароль 1")}})["response"],
              refused);
    EXPECT_EQ(
        c.engine({{"action", "login"}, {"login", "Иван Ёлкин"}, {"pass", "пароль 1"}})["response"],
        refused);
    EXPECT_EQ(c.engine({{"action", "login"}, {"login", "Иван Ёлкин"}})["response"],
              "Неверный запрос");
}

TEST_F(EngineHttpTest, BadRequestsGetAReasonAndChangeNothing) {
    auto c = client();
    EXPECT_EQ(c.engine({{"action", "surrender"}, {"gameid", "1"}})["response"],
              "Неизвестное действие");
    EXPECT_EQ(c.engine({{"gameid", "1"}})["response"], "Неверный запрос");
    EXPECT_EQ(c.engineBody("action=tablelist&gameid=%ZZ&")["response"], "Неверный запрос");
    EXPECT_EQ(c.engineBody("action=tablelist&gameid=1&gameid=1&")["response"], "Неверный запрос");
    EXPECT_EQ(c.engine({{"action", "tablelist"}, {"gameid", "2"}})["response"], "Неизвестная игра");
    EXPECT_EQ(c.engine({{"action", "gettable"}, {"appid", "x"}, {"tableid", "1"}})["response"],
              "Неизвестная игра");
    for (const char* id : {"", "0", "-1", "1e3", "99999999999", "1"}) {
        EXPECT_NE(getTable(id)["response"], "Success") << id;
    }

    const auto huge = c.postRaw(
        "/engine/", "action=tablelist&gameid=1&x=" + std::string(HttpLimits{}.maxBodyBytes, 'a'));
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->status, 413);
    EXPECT_EQ(c.get("/engine/")->status, 404);
    EXPECT_EQ(c.engine({{"action", "tablelist"}, {"gameid", "1"}})["response"], "Success");
}

TEST_F(EngineHttpTest, AnswersTheClientsExactHttp10Request) {
    const std::string body = "action=tablelist&gameid=1&";
    const std::string request =
        "POST /engine/ HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded\r\n"
        "Content-Length: " +
        std::to_string(body.size()) +
        "\r\nHost: 127.0.0.1\r\nAccept: text/html, */*\r\n"
        "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\nConnection: keep-alive\r\n\r\n" +
        body;
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(server_->port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::send(sock, request.data(), request.size(), 0),
              static_cast<ssize_t>(request.size()));
    // The client asks for keep-alive, so read up to the end of the announced body.
    timeval timeout{5, 0};
    ::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    std::string reply;
    char buffer[4096];
    const auto complete = [&] {
        const auto end = reply.find("\r\n\r\n");
        const auto length = reply.find("Content-Length: ");
        return end != std::string::npos && length != std::string::npos &&
               reply.size() - end - 4 >= std::stoul(reply.substr(length + 16));
    };
    for (ssize_t n; !complete() && (n = ::recv(sock, buffer, sizeof(buffer), 0)) > 0;) {
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(sock);
    EXPECT_EQ(reply.rfind("HTTP/1.1 200", 0), 0u) << reply;
    EXPECT_NE(reply.find("application/json"), std::string::npos);
    EXPECT_NE(reply.find("{\"response\":\"Success\",\"tables\":[]}"), std::string::npos);
}

TEST_F(EngineHttpTest, NewTableChecksSessionGameAndTimeControl) {
    const Login ann = account("Анна");
    const auto created = newTable(ann, 420, 0);
    ASSERT_EQ(created["response"], "Success");

    const auto list = client().engine({{"action", "tablelist"}, {"gameid", "1"}});
    ASSERT_EQ(list["tables"].size(), 1u);
    EXPECT_EQ(list["tables"][0], (nlohmann::json{{"ind", created["ind"]},
                                                 {"login1", "Анна"},
                                                 {"login2", ""},
                                                 {"timelimit", "420"},
                                                 {"bonus", "0"},
                                                 {"rating1", "1500"},
                                                 {"rating2", ""}}));

    const std::string badTime = "Время на партию от 60 до 7200 секунд, добавка от 0 до 300 секунд";
    EXPECT_EQ(newTable(ann, 59, 0)["response"], badTime);
    EXPECT_EQ(newTable(ann, 7201, 0)["response"], badTime);
    EXPECT_EQ(newTable(ann, 60, 301)["response"], badTime);
    EXPECT_EQ(client().engine({{"action", "newtable"},
                               {"gameid", "1"},
                               {"sid", ann.sid},
                               {"code", ann.code},
                               {"timelimit", "300"},
                               {"bonus", "-1"}})["response"],
              "Неверный запрос");
    Login forged = ann;
    forged.code[0] = forged.code[0] == 'a' ? 'b' : 'a';
    EXPECT_EQ(newTable(forged)["response"], "Вы не авторизованы");
    EXPECT_EQ(newTable(Login{"Анна", "", ""})["response"], "Вы не авторизованы");

    for (int i = 1; i < 10; ++i) ASSERT_EQ(newTable(ann)["response"], "Success");
    EXPECT_EQ(newTable(ann)["response"], "У вас слишком много незавершённых столов");
    // The list shows a player's newest three, so that one player cannot fill it.
    EXPECT_EQ(client().engine({{"action", "tablelist"}, {"gameid", "1"}})["tables"].size(), 3u);
}

TEST_F(EngineHttpTest, RegTableSeatsOnAFreeSeatOnly) {
    const Login ann = account("ann"), bob = account("bob"), cid = account("cid");
    const std::string table = newTable(ann)["ind"];
    EXPECT_EQ(regTable(ann, table)["response"], "Вы уже сидите за этим столом");
    EXPECT_EQ(regTable(bob, table)["response"], "Success");
    EXPECT_EQ(regTable(bob, table)["response"], "Вы уже сидите за этим столом");
    EXPECT_EQ(regTable(cid, table)["response"], "Стол занят");
    EXPECT_EQ(regTable(cid, "999")["response"], "Стол не найден");
    EXPECT_EQ(regTable(Login{"cid", "x", "y"}, table)["response"], "Вы не авторизованы");
    const auto state = getTable(table);
    EXPECT_EQ(state["login1"], "ann");
    EXPECT_EQ(state["login2"], "bob");
}

TEST_F(EngineHttpTest, ReadyStartsTheGameWithSeatOneToMove) {
    const Login ann = account("ann"), bob = account("bob"), cid = account("cid");
    const std::string table = newTable(ann, 300, 3)["ind"];
    auto state = getTable(table);
    EXPECT_EQ(state["position"], "6|6|6|6|6|6|0|6|6|6|6|6|6|0");
    EXPECT_EQ(state["time1"], "300");
    EXPECT_EQ(state["activelogin"], "");
    EXPECT_EQ(state["result"], "0");
    EXPECT_EQ(state["lastrecord"], "0");

    EXPECT_EQ(ready(cid, table)["response"], "Вы не сидите за этим столом");
    EXPECT_EQ(ready(ann, table)["response"], "Success");
    EXPECT_EQ(getTable(table)["isready1"], "1");
    EXPECT_EQ(getTable(table)["isready2"], "0");
    EXPECT_EQ(move(ann, table, 1)["response"], "Партия ещё не началась");
    regTable(bob, table);
    EXPECT_EQ(getTable(table)["activelogin"], "");
    EXPECT_EQ(ready(bob, table)["response"], "Success");
    state = getTable(table);
    EXPECT_EQ(state["activelogin"], "ann");
    EXPECT_EQ(state["isready2"], "1");
    EXPECT_EQ(ready(bob, table)["response"], "Success");
    EXPECT_EQ(regTable(cid, table)["response"], "Стол занят");
    // Every member is a string but the chat, a list old clients pass over.
    for (const auto& [key, value] : state.items()) {
        EXPECT_TRUE(key == "chat" ? value.is_array() : value.is_string()) << key;
    }
}

TEST_F(EngineHttpTest, MoveIsTakenOnlyFromThePlayerToMoveForOwnNonEmptyPits) {
    const Login ann = account("ann"), bob = account("bob"), cid = account("cid");
    const std::string table = startedGame(ann, bob);
    EXPECT_EQ(move(bob, table, 8)["response"], "Сейчас не ваш ход");
    EXPECT_EQ(move(cid, table, 1)["response"], "Вы не сидите за этим столом");
    EXPECT_EQ(move(Login{"ann", ann.sid, "0"}, table, 1)["response"], "Вы не авторизованы");
    for (int pit : {0, 7, 8, 13, 14, 15, 999999999}) {
        EXPECT_EQ(move(ann, table, pit)["response"], "Недопустимый ход") << pit;
    }
    EXPECT_EQ(client().engine({{"action", "move"},
                               {"sid", ann.sid},
                               {"code", ann.code},
                               {"tableid", table},
                               {"move", "-1"}})["response"],
              "Неверный запрос");
    EXPECT_EQ(getTable(table)["lastrecord"], "0");

    ASSERT_EQ(move(ann, table, 1)["response"], "Success");  // extra turn: pit 1 is empty now
    EXPECT_EQ(move(ann, table, 1)["response"], "Недопустимый ход");
    ASSERT_EQ(move(ann, table, 2)["response"], "Success");
    const auto state = getTable(table);
    EXPECT_EQ(state["position"], "0|0|8|8|8|8|2|7|7|6|6|6|6|0");
    EXPECT_EQ(state["activelogin"], "bob");
    EXPECT_EQ(state["lastrecord"], "2");
    ASSERT_EQ(move(bob, table, 8)["response"], "Success");
    EXPECT_EQ(getTable(table)["lastrecord"], "3");
}

TEST_F(EngineHttpTest, NextRecordWalksTheMovesOfBothSides) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob);
    auto none = nextRecord(table, 0);
    EXPECT_EQ(none["response"], "Success");
    EXPECT_EQ(none["ind"], "0");
    move(ann, table, 1);
    move(ann, table, 2);
    move(bob, table, 9);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"1", "1"}, {"2", "2"}, {"3", "9"}};
    for (int ind = 0; ind < 3; ++ind) {
        const auto record = nextRecord(table, ind);
        EXPECT_EQ(record["ind"], expected[static_cast<std::size_t>(ind)].first);
        EXPECT_EQ(record["move"], expected[static_cast<std::size_t>(ind)].second);
    }
    EXPECT_EQ(nextRecord(table, 3)["ind"], "3");
    EXPECT_EQ(nextRecord(table, 50)["ind"], "50");
    EXPECT_EQ(nextRecord("999", 0)["response"], "Стол не найден");
    EXPECT_EQ(client().engine({{"action", "nextrecord"},
                               {"appid", "pimra"},
                               {"ind", "x"},
                               {"side", "1"},
                               {"tableid", table}})["response"],
              "Неверный запрос");
}

TEST_F(EngineHttpTest, RacingMovesArePlayedOnce) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob);
    std::atomic<int> accepted{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            if (move(ann, table, 3)["response"] == "Success") ++accepted;
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(accepted.load(), 1);
    const auto state = getTable(table);
    EXPECT_EQ(state["lastrecord"], "1");
    EXPECT_EQ(state["position"], "6|6|0|7|7|7|1|7|7|6|6|6|6|0");
}

}  // namespace
}  // namespace pimra::server::test
