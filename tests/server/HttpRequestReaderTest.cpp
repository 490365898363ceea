#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <boost/asio/buffer.hpp>

#include "server/HttpRequestReader.h"

namespace pimra::server {
namespace {

namespace http = boost::beast::http;

using Outcome = HttpRequestReader::Outcome;

void append(boost::beast::flat_buffer& buffer, std::string_view bytes) {
    const auto room = buffer.prepare(bytes.size());
    boost::asio::buffer_copy(room, boost::asio::buffer(bytes.data(), bytes.size()));
    buffer.commit(bytes.size());
}

// Feeds `bytes` in pieces of `piece` bytes, as a connection would receive them.
Outcome readInPieces(HttpRequestReader& reader, boost::beast::flat_buffer& buffer,
                     std::string_view bytes, std::size_t piece) {
    Outcome outcome = Outcome::NeedMore;
    while (!bytes.empty() && outcome == Outcome::NeedMore) {
        append(buffer, bytes.substr(0, piece));
        bytes.remove_prefix(std::min(piece, bytes.size()));
        outcome = reader.read(buffer);
    }
    if (!bytes.empty()) append(buffer, bytes);
    return outcome;
}

const std::string kPost =
    "POST /engine/?x=1 HTTP/1.1\r\nHost: h\r\nContent-Length: 9\r\n\r\naction=a&";
const std::string kChunked =
    "POST /engine/ HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n"
    "4\r\nacti\r\n5\r\non=a&\r\n0\r\n\r\n";

TEST(HttpRequestReaderTest, ReadsTheSameRequestHoweverItsBytesArriveAndKeepsTheNextOne) {
    for (const std::string& request : {kPost, kChunked}) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{7}, request.size() + 100}) {
            HttpRequestReader reader(8 * 1024, 64 * 1024);
            boost::beast::flat_buffer buffer;
            const std::string next = "GET / HTTP/1.0\r\n\r\n";
            EXPECT_EQ(readInPieces(reader, buffer, request + next, piece), Outcome::Complete);
            const HttpRequest got = reader.release();
            EXPECT_EQ(got.method(), http::verb::post);
            EXPECT_EQ(got.body(), "action=a&") << piece;
            EXPECT_EQ(pathOf(got.target()), "/engine/");
            EXPECT_TRUE(isEnginePath(pathOf(got.target())));
            // A pipelined request's bytes wait for the next reader.
            HttpRequestReader second(8 * 1024, 64 * 1024);
            EXPECT_EQ(second.read(buffer), Outcome::Complete);
            EXPECT_EQ(second.request().target(), "/");
        }
    }
}

TEST(HttpRequestReaderTest, RefusesOversizedAmbiguousAndCompressedRequestsWithTheirStatus) {
    struct Case {
        std::string bytes;
        http::status status;
    };
    const std::string host = "POST /engine/ HTTP/1.1\r\nHost: h\r\n";
    const std::vector<Case> cases = {
        {"GET / HTTP/1.1\r\nHost: h\r\nX: " + std::string(300, 'a') + "\r\n\r\n",
         http::status::request_header_fields_too_large},
        {host + "Content-Length: 101\r\n\r\n", http::status::payload_too_large},
        {host + "Transfer-Encoding: chunked\r\n\r\n40\r\n" + std::string(64, 'a') + "\r\n40\r\n" +
             std::string(64, 'a') + "\r\n",
         http::status::payload_too_large},
        {host + "Content-Length: 1\r\nTransfer-Encoding: chunked\r\n\r\n",
         http::status::bad_request},
        {host + "Content-Length: 1\r\nContent-Length: 1\r\n\r\na", http::status::bad_request},
        {host + "Content-Length: 1x\r\n\r\na", http::status::bad_request},
        {"POST /engine/ HTTP/1.1\r\nContent-Length: 1\r\n\r\na", http::status::bad_request},
        {host + "Content-Encoding: gzip\r\nContent-Length: 1\r\n\r\na",
         http::status::unsupported_media_type},
        {"\x01\x02 nonsense\r\n\r\n", http::status::bad_request},
    };
    for (const auto& [bytes, status] : cases) {
        HttpRequestReader reader(256, 100);
        boost::beast::flat_buffer buffer;
        ASSERT_EQ(readInPieces(reader, buffer, bytes, 3), Outcome::Refused) << bytes;
        EXPECT_EQ(reader.refusal(), status) << bytes;
    }
    // HTTP/1.0 needs no Host; "identity" is no compression.
    HttpRequestReader reader(256, 100);
    boost::beast::flat_buffer buffer;
    EXPECT_EQ(readInPieces(reader, buffer,
                           "POST /engine/ HTTP/1.0\r\nContent-Encoding: identity\r\n"
                           "Content-Length: 1\r\n\r\na",
                           1),
              Outcome::Complete);
}

TEST(HttpRequestReaderTest, CookiesAndOriginAreReadFromTheirHeaders) {
    HttpRequest request;
    request.set(http::field::host, "example.org:8455");
    request.set(http::field::cookie, "a=1;  pimra_csrf=tok=en; pimra_csrfx=no");
    EXPECT_EQ(cookieValue(request, "pimra_csrf"), "tok=en");
    EXPECT_EQ(cookieValue(request, "a"), "1");
    EXPECT_EQ(cookieValue(request, "b"), "");
    EXPECT_TRUE(sameOrigin(request));  // a request without Origin
    request.set(http::field::origin, "https://example.org:8455");
    EXPECT_TRUE(sameOrigin(request));
    for (const char* foreign :
         {"https://example.org", "http://evil.example", "example.org:8455", "null"}) {
        request.set(http::field::origin, foreign);
        EXPECT_FALSE(sameOrigin(request)) << foreign;
    }
}

}  // namespace
}  // namespace pimra::server
