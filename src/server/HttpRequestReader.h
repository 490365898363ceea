#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// GCC 12 takes the parser's optional content length for uninitialised once it is inlined here.
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/status.hpp>
#include <boost/beast/http/string_body.hpp>
#pragma GCC diagnostic pop

namespace pimra::server {

using HttpRequest = boost::beast::http::request<boost::beast::http::string_body>;

// Reads one request from a connection's bytes as they arrive, under bounds on the header and
// the body whatever the body's framing. Refuses with the status to answer: 431 for a header
// too large, 413 for a body too large, 415 for a compressed body, 400 for broken or ambiguous
// framing (Content-Length beside chunked, two Content-Lengths, a bad length, a
// Transfer-Encoding other than exactly "chunked", HTTP/1.1 without Host). A refused request leaves
// the connection to be closed after the reply.
class HttpRequestReader {
  public:
    enum class Outcome { NeedMore, Complete, Refused };

    HttpRequestReader(std::size_t maxHeaderBytes, std::size_t maxBodyBytes);

    // Parses what `buffer` holds and consumes what it used. Bytes after a complete request,
    // the start of the next one, stay in the buffer.
    Outcome read(boost::beast::flat_buffer& buffer);

    // The status for a refused request.
    boost::beast::http::status refusal() const;
    bool headerDone() const;
    // The request as far as it is read; its header is whole once `headerDone`.
    const HttpRequest& request() const;
    // Hands the complete request over; the reader is spent.
    HttpRequest release();

  private:
    std::optional<boost::beast::http::status> headerProblem() const;
    Outcome refuse(boost::beast::http::status status);

    boost::beast::http::request_parser<boost::beast::http::string_body> parser_;
    bool headerChecked_ = false;
    boost::beast::http::status refusal_ = boost::beast::http::status::bad_request;
};

// The path of a request target: what comes before "?".
std::string_view pathOf(boost::beast::string_view target);
bool isEnginePath(std::string_view path);

// The value of the cookie `name` in the request's Cookie header; empty when there is none.
std::string cookieValue(const HttpRequest& request, std::string_view name);

// True when the Origin header, if any, names the host the request was sent to.
bool sameOrigin(const HttpRequest& request);

}  // namespace pimra::server
