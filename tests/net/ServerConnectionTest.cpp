#include <gtest/gtest.h>

#include <thread>

#include "LoopbackServer.h"
#include "net/CurlTransport.h"
#include "net/Requests.h"
#include "net/ServerConnection.h"

using namespace pimra::net;

namespace {

const std::string kUnreachable = kServerUnreachableText;

struct Exchange {
    PostResult result;
    bool serverDown = false;
    std::string status;
};

Exchange ExchangeWith(const std::string& rawReply) {
    LoopbackServer server({rawReply});
    CurlTransport transport(server.Url());
    ServerConnection connection(transport);
    Exchange exchange;
    exchange.result = connection.SendPost(TableListRequest());
    exchange.serverDown = connection.ServerDown();
    exchange.status = connection.StatusText();
    return exchange;
}

}  // namespace

TEST(ServerConnectionTest, RepliesThatArriveAndParse) {
    const Exchange bom = ExchangeWith(LoopbackServer::Ok("\xEF\xBB\xBF{\"response\":\"Success\"}"));
    EXPECT_TRUE(bom.result.ok);
    EXPECT_EQ(bom.status, "");

    // "Success" written with escapes is still "Success"; another case is not.
    EXPECT_TRUE(ExchangeWith(LoopbackServer::Ok(R"({"response":"\u0053uccess"})")).result.ok);
    const Exchange wrongCase = ExchangeWith(LoopbackServer::Ok(R"({"response":"success"})"));
    EXPECT_FALSE(wrongCase.result.ok);
    ASSERT_TRUE(wrongCase.result.reply);
    EXPECT_FALSE(wrongCase.serverDown);
    EXPECT_EQ(wrongCase.status, "Ответ сервера: success");

    const Exchange cyrillic =
        ExchangeWith(LoopbackServer::Ok(R"({"response":"\u041d\u0435\u0442 \u6f22"})"));
    EXPECT_EQ(cyrillic.status, "Ответ сервера: Нет ?");

    // A number where a string belongs reads as empty text.
    const Exchange number = ExchangeWith(LoopbackServer::Ok(R"({"response":1,"time1":300})"));
    EXPECT_FALSE(number.result.ok);
    EXPECT_EQ(FieldText(*number.result.reply, "time1"), "");
    EXPECT_EQ(number.status, "Ответ сервера: ");
}

TEST(ServerConnectionTest, FailedExchangesLatchServerDown) {
    const std::string redirect = LoopbackServer::Reply("302 Found", R"({"response":"Success"})",
                                                       "Location: /elsewhere/\r\n");
    for (const std::string& raw :
         {LoopbackServer::Ok("<html><body>Service unavailable</body></html>"),
          LoopbackServer::Ok(""), LoopbackServer::Ok(R"(["Success"])"), redirect,
          LoopbackServer::Reply("500 Internal Server Error", R"({"response":"Success"})"),
          std::string("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n{\"resp")}) {
        const Exchange exchange = ExchangeWith(raw);
        EXPECT_FALSE(exchange.result.ok) << raw;
        EXPECT_FALSE(exchange.result.reply) << raw;
        EXPECT_TRUE(exchange.serverDown) << raw;
        EXPECT_EQ(exchange.status, kUnreachable) << raw;
    }
}

TEST(ServerConnectionTest, RefusedConnectionIsAFailedExchange) {
    CurlTransport refused("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/engine/");
    ServerConnection connection(refused);
    EXPECT_FALSE(connection.SendPost(TableListRequest()).ok);
    EXPECT_TRUE(connection.ServerDown());
    EXPECT_EQ(connection.StatusText(), kUnreachable);
}

TEST(ServerConnectionTest, LatchSkipsEveryRequestSilently) {
    LoopbackServer server({"HTTP/1.0 500 Oops\r\n\r\n",
                           LoopbackServer::Ok(R"({"response":"Success","sid":"s","code":"c"})")});
    CurlTransport transport(server.Url());
    ServerConnection connection(transport);
    EXPECT_FALSE(connection.SendPost(TableListRequest()).ok);
    ASSERT_TRUE(connection.ServerDown());
    EXPECT_FALSE(connection.Login("me", "pw"));
    EXPECT_EQ(connection.StatusText(), kUnreachable);
    EXPECT_EQ(server.Requests().size(), 1u);
    connection.ClearServerDown();
    EXPECT_TRUE(connection.Login("me", "pw"));
    EXPECT_EQ(connection.StatusText(), "");
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST(ServerConnectionTest, FailedLoginKeepsTheOldSession) {
    LoopbackServer server({
        LoopbackServer::Ok(R"({"response":"Success","sid":"old","code":"1"})"),
        LoopbackServer::Ok(R"({"response":"Wrong password","sid":"new","code":"2"})"),
        LoopbackServer::Ok(R"({"response":"Success","code":"3"})"),
    });
    CurlTransport transport(server.Url());
    ServerConnection connection(transport);
    ASSERT_TRUE(connection.Login("first", "a"));
    EXPECT_FALSE(connection.Login("second", "b"));
    EXPECT_EQ(connection.session().Sid, "old");
    EXPECT_EQ(connection.session().Code, "1");
    EXPECT_EQ(connection.session().OwnLogin, "first");
    EXPECT_EQ(connection.StatusText(), "Ответ сервера: Wrong password");
    // "Success" without a session id: logged in as nobody.
    EXPECT_TRUE(connection.Login("third", "c"));
    EXPECT_FALSE(connection.session().LoggedIn());
}

TEST(ServerConnectionTest, AbortEndsAWaitingRequestWithoutBlamingTheServer) {
    LoopbackServer server({""});  // accepts and never answers
    CurlTransport transport(server.Url());
    ServerConnection connection(transport);
    std::thread closer([&] {
        // Gives up once the server holds the request, not after some time.
        while (server.Requests().empty()) std::this_thread::yield();
        transport.Abort();
    });
    const PostResult result = connection.SendPost(TableListRequest());
    closer.join();
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(connection.ServerDown());
    EXPECT_EQ(connection.StatusText(), "");
    EXPECT_EQ(transport.Post("x").outcome, HttpResult::Outcome::Cancelled);
}
