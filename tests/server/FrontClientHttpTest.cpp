#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestServer.h"

namespace pimra::server::test {
namespace {

const std::string kList = "action=tablelist&gameid=1&";

std::string fromClient(const std::string& address, const std::string& body = kList) {
    return "POST /engine/ HTTP/1.1\r\nHost: x\r\nX-Real-IP: " + address +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The test's own connections come from 127.0.0.1, the front's address here.
class FrontClientHttpTest : public ServerTest {
  protected:
    void SetUp() override {
        httpLimits_.trustedProxies = {"127.0.0.1"};
        httpLimits_.maxConnectionsPerAddress = 2;
        httpLimits_.requestTimeout = std::chrono::milliseconds(3000);
        ServerTest::SetUp();
    }
    int status(const std::string& bytes) {
        RawSocket socket(server_->port());
        socket.send(bytes);
        const auto reply = socket.readReply(3000);
        return reply ? reply->status : 0;
    }
    // A request whose header has arrived and whose body is still on its way.
    std::unique_ptr<RawSocket> heldRequest(const std::string& address) {
        auto socket = std::make_unique<RawSocket>(server_->port());
        const std::string whole = fromClient(address);
        socket->send(whole.substr(0, whole.size() - 5));
        return socket;
    }
};

TEST_F(FrontClientHttpTest, TheFrontsConnectionsCountOnlyAgainstTheTotal) {
    std::vector<std::unique_ptr<RawSocket>> front;
    for (int i = 0; i < 6; ++i) {
        front.push_back(std::make_unique<RawSocket>(server_->port()));
        front.back()->send("P");
    }
    EXPECT_EQ(status(fromClient("198.51.100.1")), 200);
    // Without X-Real-IP the request is the front's own, and is served as well.
    EXPECT_EQ(status("POST /engine/ HTTP/1.1\r\nHost: x\r\nContent-Length: 26\r\n\r\n" + kList),
              200);
}

TEST_F(FrontClientHttpTest, EachClientBehindTheFrontHasItsOwnLimit) {
    auto first = heldRequest("203.0.113.7");
    auto second = heldRequest("203.0.113.7");
    // The same client written another way is the same client.
    auto third = std::make_unique<RawSocket>(server_->port());
    third->send(fromClient("::ffff:203.0.113.7"));
    const auto refused = third->readReply(3000);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 503);
    EXPECT_TRUE(third->closedByPeer(3000));
    // Others are served meanwhile.
    EXPECT_EQ(status(fromClient("203.0.113.8")), 200);
    EXPECT_EQ(status(fromClient("2001:db8::1")), 200);
    // Once one of its requests is answered, the client is served again.
    first->send(kList.substr(kList.size() - 5));
    const auto answered = first->readReply(3000);
    ASSERT_TRUE(answered);
    EXPECT_EQ(answered->status, 200);
    EXPECT_EQ(status(fromClient("203.0.113.7")), 200);
}

TEST_F(FrontClientHttpTest, XRealIpMustBeOneAddress) {
    for (const std::string& header : std::vector<std::string>{
             "X-Real-IP: nonsense\r\n", "X-Real-IP: 1.2.3.4, 5.6.7.8\r\n",
             "X-Real-IP: 1.2.3.4:80\r\n", "X-Real-IP: 1.2.3.4\r\nX-Real-IP: 1.2.3.5\r\n",
             "X-Real-IP: " + std::string(200, '1') + "\r\n"}) {
        EXPECT_EQ(status("POST /engine/ HTTP/1.1\r\nHost: x\r\n" + header +
                         "Content-Length: 26\r\n\r\n" + kList),
                  400)
            << header;
    }
    EXPECT_EQ(status(fromClient("1.2.3.4")), 200);
}

TEST_F(FrontClientHttpTest, LoginThrottlesFollowTheClientBehindTheFront) {
    account("alice", "right");
    const auto login = [&](const std::string& address, const std::string& password) {
        RawSocket socket(server_->port());
        socket.send(fromClient(address, clientBody({{"action", "login"},
                                                    {"login", "nobody"},
                                                    {"pass", clientDigest(password)}})));
        return socket.readReply(3000);
    };
    for (int i = 0; i < 31; ++i) login("192.0.2.66", "x");
    const auto throttled = login("192.0.2.66", "x");
    ASSERT_TRUE(throttled);
    EXPECT_NE(throttled->body.find("Слишком много попыток"), std::string::npos) << throttled->body;
    // Another client through the same front logs in.
    RawSocket socket(server_->port());
    socket.send(fromClient(
        "192.0.2.67",
        clientBody({{"action", "login"}, {"login", "alice"}, {"pass", clientDigest("right")}})));
    const auto reply = socket.readReply(3000);
    ASSERT_TRUE(reply);
    EXPECT_NE(reply->body.find("Success"), std::string::npos) << reply->body;
}

TEST_F(FrontClientHttpTest, ClientsNotNamedAsTheFrontCannotChooseTheirAddress) {
    httpLimits_.trustedProxies = {"192.0.2.1"};
    restart();
    // X-Real-IP from anyone else is ignored, even when it is no address at all...
    EXPECT_EQ(status("POST /engine/ HTTP/1.1\r\nHost: x\r\nX-Real-IP: nonsense\r\n"
                     "Content-Length: 26\r\n\r\n" +
                     kList),
              200);
    // ...and the limit on connections holds for the peer, whatever it names.
    auto first = heldRequest("203.0.113.1");
    auto second = heldRequest("203.0.113.2");
    RawSocket third(server_->port());
    third.send(fromClient("203.0.113.3"));
    EXPECT_TRUE(third.closedByPeer(3000));
}

}  // namespace
}  // namespace pimra::server::test
