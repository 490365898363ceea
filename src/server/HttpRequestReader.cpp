#include "HttpRequestReader.h"

#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/field.hpp>

namespace pimra::server {

namespace beast = boost::beast;
namespace http = beast::http;

HttpRequestReader::HttpRequestReader(std::size_t maxHeaderBytes, std::size_t maxBodyBytes) {
    parser_.header_limit(static_cast<std::uint32_t>(maxHeaderBytes));
    parser_.body_limit(maxBodyBytes);
}

HttpRequestReader::Outcome HttpRequestReader::read(beast::flat_buffer& buffer) {
    // The parser stops after the header, so that it is checked before any of the body is taken.
    while (buffer.size() > 0 && !parser_.is_done()) {
        beast::error_code ec;
        const std::size_t used = parser_.put(buffer.data(), ec);
        buffer.consume(used);
        if (ec == http::error::need_more) break;
        if (ec == http::error::body_limit) return refuse(http::status::payload_too_large);
        if (ec == http::error::header_limit) {
            return refuse(http::status::request_header_fields_too_large);
        }
        if (ec) return refuse(http::status::bad_request);
        if (parser_.is_header_done() && !headerChecked_) {
            headerChecked_ = true;
            if (const auto status = headerProblem()) return refuse(*status);
        }
    }
    // What is buffered but unparsed is bounded by the limits of the parser; beyond them it
    // reports an error above.
    return parser_.is_done() ? Outcome::Complete : Outcome::NeedMore;
}

HttpRequestReader::Outcome HttpRequestReader::refuse(http::status status) {
    refusal_ = status;
    return Outcome::Refused;
}

std::optional<http::status> HttpRequestReader::headerProblem() const {
    const auto& header = parser_.get();
    if (header.count(http::field::content_length) > 1) return http::status::bad_request;
    const std::size_t codings = header.count(http::field::transfer_encoding);
    if (header.count(http::field::content_length) > 0 && codings > 0) {
        return http::status::bad_request;
    }
    // Any other coding, or a list, leaves the body's end unknown: read as the next request,
    // it would be one that the front never saw.
    if (codings > 1 ||
        (codings == 1 && !beast::iequals(header[http::field::transfer_encoding], "chunked"))) {
        return http::status::bad_request;
    }
    if (header.version() >= 11 && header.count(http::field::host) == 0) {
        return http::status::bad_request;
    }
    const auto encoding = header[http::field::content_encoding];
    if (!encoding.empty() && !beast::iequals(encoding, "identity")) {
        return http::status::unsupported_media_type;
    }
    return std::nullopt;
}

http::status HttpRequestReader::refusal() const {
    return refusal_;
}

bool HttpRequestReader::headerDone() const {
    return parser_.is_header_done();
}

const HttpRequest& HttpRequestReader::request() const {
    return parser_.get();
}

HttpRequest HttpRequestReader::release() {
    return parser_.release();
}

std::string_view pathOf(beast::string_view target) {
    const std::string_view text(target.data(), target.size());
    return text.substr(0, text.find('?'));
}

bool isEnginePath(std::string_view path) {
    return path == "/engine/" || path == "/engine";
}

std::string cookieValue(const HttpRequest& request, std::string_view name) {
    const auto header = request[http::field::cookie];
    std::string_view rest(header.data(), header.size());
    while (!rest.empty()) {
        const std::size_t end = rest.find(';');
        std::string_view pair = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
        const std::size_t equals = pair.find('=');
        if (equals != std::string_view::npos && pair.substr(0, equals) == name) {
            return std::string(pair.substr(equals + 1));
        }
    }
    return "";
}

bool sameOrigin(const HttpRequest& request) {
    const auto origin = request[http::field::origin];
    if (origin.empty()) return true;
    const std::string_view text(origin.data(), origin.size());
    const std::size_t scheme = text.find("://");
    if (scheme == std::string_view::npos) return false;
    const auto host = request[http::field::host];
    return !host.empty() && text.substr(scheme + 3) == std::string_view(host.data(), host.size());
}

}  // namespace pimra::server
