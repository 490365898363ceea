#include <gtest/gtest.h>

#include <algorithm>

#include "LoopbackServer.h"
#include "net/CurlTransport.h"
#include "net/Requests.h"
#include "net/ServerConnection.h"
#include "online/Lobby.h"
#include "online/OnlineTable.h"

using namespace pimra::net;
using namespace pimra::online;

namespace {

struct RawRequest {
    std::string requestLine;
    std::vector<std::string> headers;  // sorted
    std::string body;
};

RawRequest Split(const std::string& raw) {
    RawRequest request;
    const std::size_t headerEnd = raw.find("\r\n\r\n");
    EXPECT_NE(headerEnd, std::string::npos) << raw;
    std::size_t start = 0;
    bool first = true;
    while (start < headerEnd) {
        std::size_t end = raw.find("\r\n", start);
        const std::string line = raw.substr(start, end - start);
        if (first) {
            request.requestLine = line;
            first = false;
        } else {
            request.headers.push_back(line);
        }
        start = end + 2;
    }
    std::sort(request.headers.begin(), request.headers.end());
    request.body = raw.substr(headerEnd + 4);
    return request;
}

std::vector<std::string> ExpectedHeaders(std::uint16_t port, std::size_t bodyLength) {
    std::vector<std::string> headers = {
        "Accept: text/html, */*",
        "Connection: keep-alive",
        "Content-Length: " + std::to_string(bodyLength),
        "Content-Type: application/x-www-form-urlencoded",
        "Host: 127.0.0.1:" + std::to_string(port),
        "User-Agent: Mozilla/3.0 (compatible; Indy Library)",
    };
    std::sort(headers.begin(), headers.end());
    return headers;
}

const char kSuccess[] = R"({"response":"Success"})";

}  // namespace

// All eight actions as the window drives them, checked byte for byte on the wire.
TEST(WireTest, EveryActionSendsExactlyTheCatalogueBytes) {
    const std::string login = "A b&=-._Юзер";
    LoopbackServer server({
        LoopbackServer::Ok(R"({"response":"Success","sid":"S1d","code":"x-9"})"),
        LoopbackServer::Ok(
            R"({"response":"Success","tables":[{"ind":"12","login1":"Bob","login2":"",)"
            R"("timelimit":"300","bonus":"3"}]})"),
        LoopbackServer::Ok(kSuccess),
        LoopbackServer::Ok(kSuccess),
        LoopbackServer::Ok(
            R"({"response":"Success","position":"6|6|6|6|6|6|0|6|6|6|6|6|6|0",)"
            R"("login1":"A b&=-._Юзер","login2":"Bob","activelogin":"Bob","lastrecord":"5",)"
            R"("time1":"300","time2":"300","isready1":"1","isready2":"1","result":"0"})"),
        LoopbackServer::Ok(R"({"response":"Success","ind":"6","move":"9"})"),
        LoopbackServer::Ok(kSuccess),
        LoopbackServer::Ok(kSuccess),
    });
    CurlTransport transport(server.Url());
    ServerConnection connection(transport);

    ASSERT_TRUE(connection.Login(login, ""));
    EXPECT_EQ(connection.session().Sid, "S1d");
    EXPECT_EQ(connection.session().Code, "x-9");
    EXPECT_EQ(connection.session().OwnLogin, login);

    Lobby lobby;
    PostResult list = connection.SendPost(TableListRequest());
    ASSERT_TRUE(list.ok);
    lobby.Load(&*list.reply);
    ASSERT_EQ(lobby.Input(connection.session()), InputAction::Join);
    EXPECT_TRUE(connection.SendPost(NewTableRequestFromDialog(connection.session(), 7, "3")).ok);
    EXPECT_TRUE(connection.SendPost(lobby.JoinRequest(connection.session())).ok);

    OnlineTable table(connection.session());
    table.Open(lobby.CurrentTableId());
    PostResult state = connection.SendPost(*table.ReloadRequest());
    ASSERT_TRUE(state.ok);
    table.ApplyTableReply(*state.reply, pimra::Position());
    ASSERT_EQ(table.OnPollTimer(false), PollAction::AskNextRecord);
    PostResult record = connection.SendPost(table.NextRecordRequest());
    EXPECT_EQ(table.ApplyNextRecord(record.ok ? &*record.reply : nullptr),
              NextRecordOutcome::Replay);
    EXPECT_EQ(table.State().OpponentMove, 9);
    EXPECT_TRUE(connection.SendPost(table.ReadyRequest()).ok);
    EXPECT_TRUE(connection.SendPost(table.SendMoveRequest(3)).ok);

    const std::vector<std::string> expectedBodies = {
        "action=login&login=A+b%26%3D%2D%2E%5F%DE%E7%E5%F0&pass=d41d8cd98f00b204e9800998ecf8427e&",
        "action=tablelist&gameid=1&",
        "action=newtable&gameid=1&sid=S1d&code=x%2D9&timelimit=420&bonus=3&",
        "action=regtable&tableid=12&sid=S1d&code=x%2D9&",
        "action=gettable&appid=pimra&tableid=12&",
        "action=nextrecord&appid=pimra&ind=5&side=1&tableid=12&",
        "action=ready&sid=S1d&code=x%2D9&tableid=12&",
        "action=move&sid=S1d&code=x%2D9&tableid=12&move=3&",
    };
    const std::vector<std::string> raw = server.Requests();
    ASSERT_EQ(raw.size(), expectedBodies.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const RawRequest request = Split(raw[i]);
        EXPECT_EQ(request.requestLine, "POST /engine/ HTTP/1.0");
        EXPECT_EQ(request.headers, ExpectedHeaders(server.Port(), expectedBodies[i].size()))
            << raw[i];
        EXPECT_EQ(request.body, expectedBodies[i]);
    }
}

TEST(WireTest, NextRecordAsksForSideZeroWhileTheBottomRowMoves) {
    Session session;
    OnlineTable table(session);
    table.Open(3);
    const Reply reply =
        *ParseReply(R"({"login1":"Ann","login2":"Bob","activelogin":"Ann","lastrecord":"0"})");
    table.ApplyTableReply(reply, pimra::Position());
    EXPECT_EQ(EncodeForm(table.NextRecordRequest()),
              "action=nextrecord&appid=pimra&ind=0&side=0&tableid=3&");
}
