#include "HttpConnection.h"

#include <algorithm>
#include <chrono>
#include <iostream>

#include <boost/asio/post.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include "ClientAddress.h"
#include "GameSocket.h"
#include "HttpRouter.h"
#include "HttpServerImpl.h"
#include "WebPages.h"

namespace pimra::server {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

constexpr const char* kJson = "application/json; charset=utf-8";
constexpr std::size_t kReadChunk = 16 * 1024;

}  // namespace

HttpConnection::HttpConnection(HttpServer::Impl& server, tcp::socket socket, std::string address,
                               bool front)
    : server_(server), stream_(std::move(socket)), address_(std::move(address)), front_(front) {}

HttpConnection::~HttpConnection() {
    releaseClient();
    if (!handedOver_) server_.connections_.give(front_ ? std::string() : address_);
}

const HttpLimits& HttpConnection::limits() const {
    return server_.limits_;
}

void HttpConnection::nextRequest() {
    reader_.emplace(limits().maxHeaderBytes, limits().maxBodyBytes);
    started_ = false;
    headOnly_ = false;
    stream_.expires_after(limits().idleTimeout);
    if (buffer_.size() > 0) {
        markStarted();
        parse();
    } else {
        readMore();
    }
}

void HttpConnection::markStarted() {
    if (started_) return;
    started_ = true;
    stream_.expires_after(limits().requestTimeout);
}

void HttpConnection::readMore() {
    stream_.async_read_some(
        buffer_.prepare(kReadChunk),
        [self = shared_from_this()](beast::error_code ec, std::size_t n) { self->onRead(ec, n); });
}

void HttpConnection::onRead(beast::error_code ec, std::size_t n) {
    if (ec) {
        // A timeout, a reset or the peer's end: nothing is owed to it.
        close();
        return;
    }
    buffer_.commit(n);
    markStarted();
    parse();
}

void HttpConnection::parse() {
    const auto outcome = reader_->read(buffer_);
    if (outcome == HttpRequestReader::Outcome::Refused) {
        refuse(reader_->refusal());
        return;
    }
    if (reader_->headerDone() && client_.empty()) {
        if (const auto refusal = identifyClient()) {
            refuse(*refusal);
            return;
        }
    }
    if (outcome == HttpRequestReader::Outcome::Complete) {
        handle();
    } else {
        readMore();
    }
}

// Who the request is from, once its header is read: the peer, or behind the front the client
// that X-Real-IP names, whose requests under way then count against its own limit.
std::optional<http::status> HttpConnection::identifyClient() {
    if (!front_) {
        client_ = address_;
        return std::nullopt;
    }
    const auto& header = reader_->request();
    if (header.count("X-Real-IP") > 1) return http::status::bad_request;
    const auto named = header["X-Real-IP"];
    const auto address = named.empty()
                             ? std::optional<std::string>(address_)
                             : canonicalAddress(std::string_view(named.data(), named.size()));
    if (!address) return http::status::bad_request;
    if (!server_.frontClients_.take(*address)) return http::status::service_unavailable;
    client_ = *address;
    countedClient_ = true;
    return std::nullopt;
}

void HttpConnection::releaseClient() {
    if (countedClient_) server_.frontClients_.give(client_);
    countedClient_ = false;
    client_.clear();
}

// Answers a request that cannot be served and closes the connection after the reply.
void HttpConnection::refuse(http::status status) {
    const bool engine = reader_->headerDone() && isEnginePath(pathOf(reader_->request().target()));
    HttpResponse response{status, 11};
    if (engine) {
        response.set(http::field::content_type, kJson);
        response.body() = "{\"response\":\"Неверный запрос\"}";
    } else {
        const std::string_view path =
            reader_->headerDone() ? pathOf(reader_->request().target()) : "";
        htmlPage(response, errorPage(static_cast<int>(status), languageOfPath(path)));
    }
    response.keep_alive(false);
    refused_ = true;
    // The request line is read before the fields whose fault may refuse the request.
    headOnly_ = reader_->request().method() == http::verb::head;
    send(std::move(response));
}

void HttpConnection::handle() {
    request_ = reader_->release();
    headOnly_ = request_.method() == http::verb::head;
    // The handler's time counts against the request as well.
    stream_.expires_after(limits().requestTimeout);
    routeRequest(shared_from_this());
}

// The socket keeps the connection's place in the count of connections and takes one of the
// client's sockets.
void HttpConnection::upgrade() {
    if (!websocket::is_upgrade(request_)) {
        send(errorResponse(request_, http::status::upgrade_required));
        return;
    }
    if (!server_.sockets_.take(client_)) {
        send(errorResponse(request_, http::status::service_unavailable));
        return;
    }
    const std::string client = client_;
    releaseClient();
    handedOver_ = true;
    auto socket = std::make_shared<GameSocket>(server_, stream_.release_socket(),
                                               front_ ? std::string() : address_, client);
    socket->start(std::move(request_));
}

void HttpConnection::post(std::function<void()> task) {
    asio::post(stream_.get_executor(), std::move(task));
}

void HttpConnection::after(std::chrono::steady_clock::duration wait, std::function<void()> task) {
    pause_.expires_after(wait);
    pause_.async_wait([self = shared_from_this(), task = std::move(task)](beast::error_code ec) {
        if (!ec) task();
    });
}

void HttpConnection::sendFrom(asio::thread_pool& pool, std::function<HttpResponse()> make) {
    asio::post(pool, [self = shared_from_this(), make = std::move(make)] {
        HttpResponse response = self->orUnavailable(make);
        self->post(
            [self, response = std::move(response)]() mutable { self->send(std::move(response)); });
    });
}

HttpResponse HttpConnection::orUnavailable(const std::function<HttpResponse()>& make) const {
    try {
        return make();
    } catch (const std::exception& error) {
        std::cerr << "pimra-server: " << request_.target() << ": " << error.what() << '\n';
    } catch (...) {
        std::cerr << "pimra-server: " << request_.target() << ": an unknown error\n";
    }
    return errorResponse(request_, http::status::service_unavailable);
}

void HttpConnection::send(HttpResponse response) {
    response.prepare_payload();
    response_ = std::make_shared<HttpResponse>(std::move(response));
    stream_.expires_after(limits().requestTimeout);
    auto written = [self = shared_from_this()](beast::error_code ec, std::size_t) {
        self->onWritten(ec);
    };
    if (headOnly_) {
        // The header of the GET reply, its Content-Length included, and no body.
        serializer_ = std::make_shared<http::response_serializer<http::string_body>>(*response_);
        http::async_write_header(stream_, *serializer_, std::move(written));
    } else {
        http::async_write(stream_, *response_, std::move(written));
    }
}

void HttpConnection::onWritten(beast::error_code ec) {
    const bool again = !ec && response_->keep_alive();
    serializer_.reset();
    response_.reset();
    releaseClient();
    if (again) {
        nextRequest();
    } else if (!ec && refused_) {
        drainThenClose();
    } else {
        close();
    }
}

// Closing with unread bytes would reset the connection and could lose the reply on its way;
// what the client still sends is read and dropped for a short while first.
void HttpConnection::drainThenClose() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    stream_.expires_after(
        std::min<std::chrono::milliseconds>(limits().idleTimeout, std::chrono::milliseconds(1000)));
    drain();
}

void HttpConnection::drain() {
    buffer_.clear();
    stream_.async_read_some(buffer_.prepare(kReadChunk),
                            [self = shared_from_this()](beast::error_code ec, std::size_t) {
                                if (ec) {
                                    self->stream_.close();
                                } else {
                                    self->drain();
                                }
                            });
}

// Closing sends the end of the stream by itself; a shutdown before it would only cost a call.
void HttpConnection::close() {
    stream_.close();
}

}  // namespace pimra::server
