#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestServer.h"

namespace pimra::server::test {
namespace {

const std::string kList = "action=tablelist&gameid=1&";

// How many replies a stream of bytes holds.
int replyCount(const std::string& bytes) {
    int count = 0;
    for (std::size_t at = bytes.find("HTTP/1.1 "); at != std::string::npos;
         at = bytes.find("HTTP/1.1 ", at + 1)) {
        ++count;
    }
    return count;
}

using FramingHttpTest = ServerTest;

TEST_F(FramingHttpTest, AnyTransferCodingButChunkedIsRefusedAndItsBodyNeverRunsAsARequest) {
    // The body is a whole request of its own: read as the next one, it would be answered.
    const std::string smuggled = "GET /info.html HTTP/1.1\r\nHost: x\r\n\r\n";
    for (const std::vector<std::string>& codings :
         std::vector<std::vector<std::string>>{{"xchunked"},
                                               {"gzip"},
                                               {"chunked, identity"},
                                               {"identity"},
                                               {"gzip, chunked"},
                                               {"chunked", "chunked"},
                                               {"CHUNKED, chunked"}}) {
        std::string request = "POST /engine/ HTTP/1.1\r\nHost: x\r\n";
        for (const auto& coding : codings) request += "Transfer-Encoding: " + coding + "\r\n";
        RawSocket socket(server_->port());
        ASSERT_TRUE(socket.send(request + "\r\n" + smuggled));
        const std::string replies = socket.readUntilClosed();
        EXPECT_EQ(replies.rfind("HTTP/1.1 400", 0), 0u) << codings[0] << "\n" << replies;
        EXPECT_EQ(replyCount(replies), 1) << codings[0] << "\n" << replies;
    }
    // Chunked, in any case, is served.
    RawSocket socket(server_->port());
    socket.send("POST /engine/ HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: ChUnKeD\r\n\r\n1a\r\n" +
                kList + "\r\n0\r\n\r\n");
    const auto reply = socket.readReply();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_NE(reply->body.find("Success"), std::string::npos);
}

TEST_F(FramingHttpTest, HeadGetsTheHeaderOfGetWithoutItsBody) {
    account("anna");
    for (const std::string& path :
         std::vector<std::string>{"/info.html", "/rules.html", "/ru/reg", "/", "/nothing.html",
                                  "/u/anna", "/u/nobody"}) {
        const auto get = client().get(path);
        ASSERT_TRUE(get) << path;
        // A HEAD, then a GET on the same connection: a body after the first header would be
        // read as the start of the second reply.
        RawSocket socket(server_->port());
        socket.send("HEAD " + path + " HTTP/1.1\r\nHost: x\r\n\r\nGET /info.html HTTP/1.1\r\n" +
                    "Host: x\r\nConnection: close\r\n\r\n");
        const std::string replies = socket.readUntilClosed();
        const std::size_t headEnd = replies.find("\r\n\r\n");
        ASSERT_NE(headEnd, std::string::npos) << path;
        const std::string head = replies.substr(0, headEnd + 2);
        EXPECT_EQ(head.rfind("HTTP/1.1 " + std::to_string(get->status), 0), 0u) << path << head;
        EXPECT_NE(head.find("\r\nContent-Length: " + std::to_string(get->body.size()) + "\r\n"),
                  std::string::npos)
            << path << head;
        if (!get->header("Content-Type").empty()) {
            EXPECT_NE(head.find("\r\nContent-Type: " + get->header("Content-Type") + "\r\n"),
                      std::string::npos)
                << path << head;
        }
        const std::string rest = replies.substr(headEnd + 4);
        EXPECT_EQ(rest.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << path << "\n" << rest;
        EXPECT_EQ(replyCount(rest), 1) << path;
    }
    // A refused HEAD is answered with a header alone as well, and the connection closes.
    RawSocket refused(server_->port());
    refused.send(
        "HEAD /info.html HTTP/1.1\r\nHost: x\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n");
    const std::string reply = refused.readUntilClosed();
    EXPECT_EQ(reply.rfind("HTTP/1.1 400", 0), 0u) << reply;
    EXPECT_EQ(reply.find("<html"), std::string::npos) << reply;
}

}  // namespace
}  // namespace pimra::server::test
