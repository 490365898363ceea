#include <gtest/gtest.h>

#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include "TestServer.h"

namespace pimra::server::test {
namespace {

const std::string kList = "action=tablelist&gameid=1&";

std::string enginePost(const std::string& body, const std::string& extraHeaders = "",
                       const std::string& version = "1.1") {
    return "POST /engine/ HTTP/" + version + "\r\nHost: x\r\n" + extraHeaders +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Timeouts and limits small enough to try quickly.
class HttpAbuseTest : public ServerTest {
  protected:
    void SetUp() override {
        httpLimits_.requestTimeout = std::chrono::milliseconds(300);
        httpLimits_.idleTimeout = std::chrono::milliseconds(200);
        httpLimits_.maxConnectionsPerAddress = 4;
        ServerTest::SetUp();
    }
    // A legitimate request still served.
    void expectServed() {
        EXPECT_EQ(client().engine({{"action", "tablelist"}, {"gameid", "1"}})["response"],
                  "Success");
    }
    std::optional<HttpReply> exchange(const std::string& bytes) {
        RawSocket socket(server_->port());
        socket.send(bytes);
        return socket.readReply(2000);
    }
};

TEST_F(HttpAbuseTest, SlowAndIdleConnectionsAreClosedAndHoldNobodyUp) {
    RawSocket idle(server_->port());
    RawSocket trickle(server_->port());
    trickle.send("POST /engine/ HTTP/1.1\r\nHo");
    expectServed();  // while both are open
    EXPECT_TRUE(idle.closedByPeer(3000));
    // Bytes keep coming, but the whole request is late.
    bool closed = false;
    for (int i = 0; i < 30 && !closed; ++i) {
        trickle.send("s");
        closed = trickle.closedByPeer(50);
    }
    EXPECT_TRUE(closed);
    // A keep-alive connection gets its reply and is then closed when idle.
    RawSocket keptAlive(server_->port());
    keptAlive.send(enginePost(kList));
    const auto reply = keptAlive.readReply(2000);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_TRUE(keptAlive.closedByPeer(3000));
    expectServed();
}

TEST_F(HttpAbuseTest, OversizedHeadersAndBodiesAreRefusedWhateverTheirFraming) {
    const auto headers =
        exchange("GET /info.html HTTP/1.1\r\nHost: x\r\n" + std::string(9000, 'a') + ": b\r\n\r\n");
    ASSERT_TRUE(headers);
    EXPECT_EQ(headers->status, 431);
    std::string manyLines = "GET /info.html HTTP/1.1\r\nHost: x\r\n";
    for (int i = 0; i < 2000; ++i) manyLines += "X: y\r\n";
    EXPECT_EQ(exchange(manyLines + "\r\n")->status, 431);

    EXPECT_EQ(exchange(enginePost(kList + std::string(70'000, 'a')))->status, 413);
    std::string chunked = "POST /engine/ HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 20; ++i) chunked += "1000\r\n" + std::string(0x1000, 'a') + "\r\n";
    EXPECT_EQ(exchange(chunked)->status, 413);
    // A small chunked body is a body like any other.
    const auto small =
        exchange("POST /engine/ HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n" +
                 std::string("1a\r\n") + kList + "\r\n0\r\n\r\n");
    ASSERT_TRUE(small);
    EXPECT_NE(small->body.find("Success"), std::string::npos);
    const auto compressed = exchange(enginePost(kList, "Content-Encoding: gzip\r\n"));
    ASSERT_TRUE(compressed);
    EXPECT_EQ(compressed->status, 415);
    expectServed();
}

TEST_F(HttpAbuseTest, AmbiguousFramingGetsBadRequestAndTheConnectionCloses) {
    const std::vector<std::string> requests = {
        "POST /engine/ HTTP/1.1\r\nHost: x\r\nContent-Length: 26\r\nTransfer-Encoding: "
        "chunked\r\n\r\n1a\r\n" +
            kList + "\r\n0\r\n\r\n",
        "POST /engine/ HTTP/1.1\r\nHost: x\r\nContent-Length: 26\r\nContent-Length: 26\r\n\r\n" +
            kList,
        "POST /engine/ HTTP/1.1\r\nHost: x\r\nContent-Length: 2x\r\n\r\n" + kList,
        "POST /engine/ HTTP/1.1\r\nContent-Length: 26\r\n\r\n" + kList,
    };
    for (const auto& request : requests) {
        RawSocket socket(server_->port());
        socket.send(request);
        const auto reply = socket.readReply(2000);
        ASSERT_TRUE(reply) << request;
        EXPECT_EQ(reply->status, 400) << request;
        EXPECT_TRUE(socket.closedByPeer(2000));
    }
    // HTTP/1.0 needs no Host, and a client that half-closes still gets its reply.
    RawSocket old(server_->port());
    old.send("POST /engine/ HTTP/1.0\r\nContent-Length: 26\r\n\r\n" + kList);
    old.shutdownWrite();
    const auto reply = old.readReply(2000);
    ASSERT_TRUE(reply);
    EXPECT_NE(reply->body.find("Success"), std::string::npos);
    expectServed();
}

TEST_F(HttpAbuseTest, ConnectionsFromOneAddressAreBoundedAndRefusedAtOnce) {
    std::vector<std::unique_ptr<RawSocket>> held;
    for (int i = 0; i < 4; ++i) {
        held.push_back(std::make_unique<RawSocket>(server_->port()));
        held.back()->send("P");  // a request begun, so the server has surely taken it
    }
    RawSocket extra(server_->port());
    EXPECT_TRUE(extra.closedByPeer(2000));
    held.clear();
    // Once they are gone, the address is served again.
    bool served = false;
    for (int i = 0; i < 100 && !served; ++i) {
        const auto reply = exchange(enginePost(kList));
        served = reply && reply->status == 200;
    }
    EXPECT_TRUE(served);
}

TEST_F(HttpAbuseTest, HtmlPagesCarrySecurityHeadersAndErrorsOnThemAreHtml) {
    for (const char* path : {"/info.html", "/rules.html", "/ru/reg", "/nothing.html"}) {
        const auto page = client().get(path);
        ASSERT_TRUE(page) << path;
        EXPECT_EQ(page->header("X-Content-Type-Options"), "nosniff") << path;
        EXPECT_EQ(page->header("X-Frame-Options"), "DENY");
        EXPECT_EQ(page->header("Content-Security-Policy")
                      .rfind("default-src 'none'; style-src "
                             "'sha256-",
                             0),
                  0u);
        EXPECT_NE(page->header("Content-Type").find("text/html"), std::string::npos);
    }
    const auto bad = exchange(
        "GET /info.html HTTP/1.1\r\nHost: x\r\nContent-Length: 1\r\n"
        "Content-Length: 2\r\n\r\nab");
    ASSERT_TRUE(bad);
    EXPECT_NE(bad->header("Content-Type").find("text/html"), std::string::npos);
    EXPECT_NE(bad->body.find("<html"), std::string::npos);
}

TEST_F(HttpAbuseTest, RegistrationNeedsItsOwnTokenAndOriginAndTakesFieldsFromTheBody) {
    auto c = client();
    const auto form = c.get("/ru/reg");
    const std::string cookie = form->header("Set-Cookie");
    const std::string token = cookie.substr(cookie.find('=') + 1, cookie.find(';') - 11);
    const std::string fields = "login=ann&password=p&repeat=p";
    // No token, a token without its cookie, a forged token, a foreign origin.
    EXPECT_EQ(c.postRaw("/ru/reg", fields)->status, 403);
    EXPECT_EQ(c.postRaw("/ru/reg", "csrf=" + formValue(token) + "&" + fields)->status, 403);
    const std::string forged = std::string(32, 'a') + "." + std::string(64, 'b');
    EXPECT_EQ(
        c.postRaw("/ru/reg", "csrf=" + forged + "&" + fields, "application/x-www-form-urlencoded",
                  "Cookie: pimra_csrf=" + forged + "\r\n")
            ->status,
        403);
    const std::string withToken = "csrf=" + formValue(token) + "&" + fields;
    const std::string cookieHeader = "Cookie: pimra_csrf=" + token + "\r\n";
    EXPECT_EQ(c.postRaw("/ru/reg", withToken, "application/x-www-form-urlencoded",
                        cookieHeader + "Origin: http://evil.example\r\n")
                  ->status,
              403);
    // Fields in the address do not count.
    const auto query =
        c.postRaw("/ru/reg?login=bob&password=p&repeat=p", "csrf=" + formValue(token),
                  "application/x-www-form-urlencoded", cookieHeader);
    EXPECT_NE(query->body.find("Введите логин."), std::string::npos);
    server_->store().read([](StoreTransaction& tx) { EXPECT_FALSE(tx.findAccount("ann")); });

    const auto done = c.postRaw(
        "/ru/reg", withToken, "application/x-www-form-urlencoded",
        cookieHeader + "Origin: http://127.0.0.1:" + std::to_string(server_->port()) + "\r\n");
    EXPECT_NE(done->body.find("успешно"), std::string::npos) << done->body;
}

// The nice value of each thread of this process.
std::vector<int> threadNiceValues() {
    std::vector<int> values;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream stat(task.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        // After the name in parentheses: state, then fields 4 to 19, the nice value last.
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        for (int i = 3; i <= 19 && fields >> field; ++i) {
        }
        values.push_back(std::stoi(field));
    }
    return values;
}

TEST_F(HttpAbuseTest, PasswordHashesRunOnThreadsThatYieldToThePolls) {
    const int own = getpriority(PRIO_PROCESS, 0);
    const auto values = threadNiceValues();
    const auto lowered = std::count(values.begin(), values.end(), std::min(own + 10, 19));
    EXPECT_EQ(lowered, std::max(1u, std::thread::hardware_concurrency()));
    // Everything else keeps its priority, and logins still work on the lowered threads.
    EXPECT_EQ(std::count(values.begin(), values.end(), own) + lowered,
              static_cast<long>(values.size()));
    account("ann");
    EXPECT_EQ(logIn("ann", "secret")["response"], "Success");
    expectServed();
}

}  // namespace
}  // namespace pimra::server::test
