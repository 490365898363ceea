#pragma once

#include <sys/socket.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/websocket.hpp>
#include <nlohmann/json.hpp>

#include "net/SocketMessages.h"

namespace pimra::server::test {

// A client of the game socket as a test drives it: every wait bounded, events kept apart from
// the replies.
class SocketClient {
  public:
    using Lines = std::vector<std::pair<std::string, std::string>>;
    static constexpr auto kWait = std::chrono::seconds(5);

    // `receiveBuffer` > 0 shrinks the kernel's buffer, for a client that stops reading.
    explicit SocketClient(int port, int receiveBuffer = 0) : ws_(io_) {
        namespace asio = boost::asio;
        auto& socket = ws_.next_layer();
        socket.open(asio::ip::tcp::v4());
        if (receiveBuffer > 0) {
            ::setsockopt(socket.native_handle(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer,
                         sizeof receiveBuffer);
        }
        boost::system::error_code ec;
        socket.connect({asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)},
                       ec);
        if (ec) return;
        // The waiting form keeps the server's answer when it refuses the upgrade too.
        bool done = false;
        ws_.async_handshake(response_, "127.0.0.1", "/engine/ws", [&](boost::system::error_code e) {
            ec = e;
            done = true;
        });
        io_.run_for(kWait);
        open_ = done && !ec;
    }

    bool open() const { return open_; }
    // The server's answer to the upgrade.
    int status() const { return static_cast<int>(response_.result_int()); }

    bool send(const std::string& text, bool binary = false) {
        ws_.binary(binary);
        boost::system::error_code ec;
        ws_.write(boost::asio::buffer(text), ec);
        return !ec;
    }

    // The next frame, or nothing once the socket has closed or after `wait`.
    std::optional<std::string> receive(std::chrono::milliseconds wait = kWait) {
        bool done = false;
        boost::system::error_code ec;
        buffer_.clear();
        ws_.async_read(buffer_, [&](boost::system::error_code e, std::size_t) {
            ec = e;
            done = true;
        });
        io_.restart();
        io_.run_for(wait);
        if (!done) {
            // The read cannot be abandoned halfway: the socket goes with it.
            boost::system::error_code ignored;
            ws_.next_layer().close(ignored);
            io_.restart();
            io_.run();
            open_ = false;
            return std::nullopt;
        }
        if (ec) {
            open_ = false;
            closeCode_ = ws_.reason().code;
            return std::nullopt;
        }
        return boost::beast::buffers_to_string(buffer_.data());
    }
    // The close code the server sent, once a receive found the socket closed.
    int closeCode() const { return closeCode_; }

    // Sends a request and waits for its reply; events that come first are kept for `event`.
    // Null when the socket fails.
    nlohmann::json request(const Lines& lines) {
        std::lock_guard lock(mutex_);
        net::SocketRequest request{++lastId_, {}};
        for (const auto& [name, value] : lines) request.fields.push_back({name, value});
        if (!send(net::EncodeSocketRequest(request))) return nlohmann::json();
        while (const auto text = receive()) {
            const auto json = nlohmann::json::parse(*text, nullptr, false);
            if (json.contains("event")) {
                events_.push_back(json);
            } else if (json.value("id", std::int64_t{-1}) == request.id) {
                return json.value("reply", nlohmann::json());
            }
        }
        return nlohmann::json();
    }
    nlohmann::json watch(const std::string& table) {
        return request({{"action", "watch"}, {"tableid", table}});
    }

    // The next event, kept or still to come.
    std::optional<nlohmann::json> event(std::chrono::milliseconds wait = kWait) {
        if (!events_.empty()) {
            auto json = events_.front();
            events_.pop_front();
            return json;
        }
        const auto text = receive(wait);
        if (!text) return std::nullopt;
        return nlohmann::json::parse(*text, nullptr, false);
    }

  private:
    boost::asio::io_context io_;
    boost::beast::websocket::stream<boost::asio::ip::tcp::socket> ws_;
    boost::beast::websocket::response_type response_;
    boost::beast::flat_buffer buffer_;
    std::deque<nlohmann::json> events_;
    std::mutex mutex_;
    std::int64_t lastId_ = 0;
    bool open_ = false;
    int closeCode_ = 0;
};

}  // namespace pimra::server::test
