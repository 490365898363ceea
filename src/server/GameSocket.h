#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/websocket/stream.hpp>

#include "FormBody.h"
#include "HttpRequestReader.h"
#include "HttpServer.h"
#include "SocketWatchers.h"

namespace pimra::server {

// The path of the game socket.
inline constexpr std::string_view kGameSocketPath = "/engine/ws";

// One client's game socket: JSON requests answered as POST answers them, under the same
// limits, and the changes of the tables it watches pushed to it. Bounded like a connection:
// frame size, requests a second, tables watched, replies and events waiting to be sent; a
// client that stops reading, or stops answering pings, is dropped. Lives on the network
// thread.
class GameSocket final : public std::enable_shared_from_this<GameSocket>, public TableWatcher {
  public:
    // `counted` is the key the socket holds in the count of connections, `client` the real
    // client's address, whose count of sockets it holds.
    GameSocket(HttpServer::Impl& server, boost::asio::ip::tcp::socket socket, std::string counted,
               std::string client);
    ~GameSocket();
    GameSocket(const GameSocket&) = delete;
    GameSocket& operator=(const GameSocket&) = delete;

    // Answers the upgrade request and starts reading.
    void start(HttpRequest request);
    void deliver(const std::shared_ptr<const std::string>& message) override;

  private:
    using Clock = std::chrono::steady_clock;

    void onAccepted(boost::beast::error_code ec);
    void readNext();
    void onRead(boost::beast::error_code ec);
    void handle(std::string_view text);
    void refuseMalformed(std::string_view text);
    bool takeTurn();
    void answer(std::int64_t id, FormFields fields);
    void watch(std::int64_t id, const FormFields& fields);
    void unwatch(std::int64_t id, const FormFields& fields);
    void stopWatching(const std::string& tableId);
    Engine::Respond replyLater(std::int64_t id);
    void reply(std::int64_t id, std::string_view body);
    void send(std::shared_ptr<const std::string> message);
    void writeNext();
    void onWritten(boost::beast::error_code ec);
    void schedulePing();
    void onPingTimer();
    void closeWith(boost::beast::websocket::close_code code);
    void drop();
    void forgetWatches();

    HttpServer::Impl& server_;
    boost::beast::websocket::stream<boost::beast::tcp_stream> ws_;
    std::string counted_;
    std::string client_;
    HttpRequest upgrade_;  // read by the handshake until it is answered
    std::weak_ptr<SocketWatchers> watchers_;
    boost::beast::flat_buffer buffer_;
    std::deque<std::shared_ptr<const std::string>> queue_;
    std::size_t queuedBytes_ = 0;
    bool writing_ = false;
    bool open_ = false;  // handshake done, not closing
    bool pinging_ = false;
    boost::asio::steady_timer pingTimer_;
    Clock::time_point heard_;  // the last pong or frame
    std::set<std::string> watched_;
    int underWay_ = 0;  // requests still to be answered
    double turns_ = 0;  // requests the rate allows now
    Clock::time_point turnsCounted_;
};

}  // namespace pimra::server
