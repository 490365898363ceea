#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "TestServer.h"

namespace pimra::server::test {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

const std::string kBusy = "Слишком много запросов, подождите немного";

// Clients are told apart by X-Real-IP: the test's connections come from the front's address.
class ListPacingHttpTest : public ServerTest {
  protected:
    void SetUp() override {
        httpLimits_.trustedProxies = {"127.0.0.1"};
        httpLimits_.listsPerSecond = 2;
        httpLimits_.listBurst = 2;
        httpLimits_.listMaxWait = milliseconds(700);
        ServerTest::SetUp();
    }

    struct Listed {
        std::string response;  // "Success" with the tables, or the refusal
        milliseconds took{};
    };

    // A list asked by the client at `address`, sent now and read on another thread.
    std::future<Listed> list(const std::string& address) {
        auto socket = std::make_shared<RawSocket>(server_->port());
        const std::string body = "action=tablelist&gameid=1&";
        socket->send("POST /engine/ HTTP/1.1\r\nHost: x\r\nX-Real-IP: " + address +
                     "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
        const auto sent = Clock::now();
        return std::async(std::launch::async, [socket, sent] {
            Listed listed;
            if (const auto reply = socket->readReply(5000); reply && reply->status == 200) {
                listed.response = nlohmann::json::parse(reply->body).value("response", "");
            }
            listed.took = std::chrono::duration_cast<milliseconds>(Clock::now() - sent);
            return listed;
        });
    }
};

TEST_F(ListPacingHttpTest, AClientsFloodOfListsWaitsItsTurnWhileOthersAreServedAtOnce) {
    std::vector<std::future<Listed>> flood;
    for (int i = 0; i < 5; ++i) flood.push_back(list("203.0.113.5"));
    const Listed other = list("198.51.100.9").get();
    EXPECT_EQ(other.response, "Success");

    int served = 0;
    int refused = 0;
    std::vector<milliseconds> servedAfter;
    for (auto& reply : flood) {
        const Listed listed = reply.get();
        if (listed.response == "Success") {
            ++served;
            servedAfter.push_back(listed.took);
        } else {
            EXPECT_EQ(listed.response, kBusy);
            // A refusal comes no sooner than an answer would: it cannot be had faster.
            EXPECT_GE(listed.took, milliseconds(700));
            ++refused;
        }
    }
    // Two at once, one after half a second (the rate of two a second), and the rest would wait
    // beyond the longest wait.
    EXPECT_EQ(served, 3);
    EXPECT_EQ(refused, 2);
    std::sort(servedAfter.begin(), servedAfter.end());
    ASSERT_EQ(servedAfter.size(), 3u);
    EXPECT_GE(servedAfter[2], milliseconds(400));
    // The other client was not held up behind the flood.
    EXPECT_LT(other.took, servedAfter[2]);
}

class AllListsPacingHttpTest : public ListPacingHttpTest {
  protected:
    void SetUp() override {
        httpLimits_.listsPerSecondInAll = 2;
        httpLimits_.listBurstInAll = 2;
        ListPacingHttpTest::SetUp();
    }
};

TEST_F(AllListsPacingHttpTest, ListsFromManyClientsShareOneRate) {
    std::vector<std::future<Listed>> lists;
    for (const char* address : {"203.0.113.1", "203.0.113.2", "203.0.113.3"}) {
        lists.push_back(list(address));
    }
    std::vector<milliseconds> took;
    for (auto& reply : lists) {
        const Listed listed = reply.get();
        EXPECT_EQ(listed.response, "Success");
        took.push_back(listed.took);
    }
    std::sort(took.begin(), took.end());
    EXPECT_GE(took[2], milliseconds(400));
}

}  // namespace
}  // namespace pimra::server::test
