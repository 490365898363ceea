#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/serializer.hpp>

#include "HttpRequestReader.h"
#include "HttpServer.h"
#include "SitePages.h"

namespace pimra::server {

// One client's connection: reads its requests under the limits, names the client, hands each
// complete request to the routes and writes the reply. Lives on the network thread; what
// other threads give it comes back there through `post`.
class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
  public:
    HttpConnection(HttpServer::Impl& server, boost::asio::ip::tcp::socket socket,
                   std::string address, bool front);
    ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    void start() { nextRequest(); }

    HttpServer::Impl& server() const { return server_; }
    // The request being answered, once it is complete.
    const HttpRequest& request() const { return request_; }
    // Who the request is from: the peer, or behind the front the client it names.
    const std::string& clientAddress() const { return client_; }

    // Writes the reply; on the network thread only.
    void send(HttpResponse response);
    // Hands the connection over to the game socket the request asks for, or refuses it.
    void upgrade();
    // Runs `task` on the network thread.
    void post(std::function<void()> task);
    // Runs `task` on the network thread after `wait`, unless the connection goes first.
    void after(std::chrono::steady_clock::duration wait, std::function<void()> task);
    // Makes the reply on `pool` and sends it from the network thread. A store that cannot be
    // read or written, or any other fault of `make`, costs this request a 503 page, not the
    // process.
    void sendFrom(boost::asio::thread_pool& pool, std::function<HttpResponse()> make);

  private:
    const HttpLimits& limits() const;
    void nextRequest();
    void markStarted();
    void readMore();
    void onRead(boost::beast::error_code ec, std::size_t n);
    void parse();
    std::optional<boost::beast::http::status> identifyClient();
    void releaseClient();
    void refuse(boost::beast::http::status status);
    void handle();
    HttpResponse orUnavailable(const std::function<HttpResponse()>& make) const;
    void onWritten(boost::beast::error_code ec);
    void drainThenClose();
    void drain();
    void close();

    HttpServer::Impl& server_;
    boost::beast::tcp_stream stream_;
    boost::asio::steady_timer pause_{stream_.get_executor()};
    std::string address_;
    bool front_;          // the peer is the front
    std::string client_;  // once the request's header is read
    bool countedClient_ = false;
    boost::beast::flat_buffer buffer_;
    std::optional<HttpRequestReader> reader_;
    HttpRequest request_;
    std::shared_ptr<HttpResponse> response_;
    std::shared_ptr<boost::beast::http::response_serializer<boost::beast::http::string_body>>
        serializer_;
    bool started_ = false;
    bool headOnly_ = false;
    bool refused_ = false;
    bool handedOver_ = false;  // the game socket holds the connection now
};

}  // namespace pimra::server
