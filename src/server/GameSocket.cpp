#include "GameSocket.h"

#include <algorithm>
#include <charconv>
#include <iostream>

#include <boost/asio/post.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <nlohmann/json.hpp>

#include "EngineDispatch.h"
#include "HttpServerImpl.h"
#include "net/SocketMessages.h"

namespace pimra::server {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

namespace {

constexpr auto kHandshakeTimeout = std::chrono::seconds(10);
constexpr const char* kTooManyWatches = "Слишком много наблюдаемых столов";

const HttpLimits& limitsOf(const HttpServer::Impl& server) {
    return server.limits_;
}

// A table's number as the events write it ("0" for the lobby), from the request's "tableid":
// decimal, at most nine digits.
std::optional<std::string> tableIdOf(const FormFields& fields) {
    const auto it = fields.find("tableid");
    if (it == fields.end() || it->second.empty() || it->second.size() > 9) return std::nullopt;
    int id = 0;
    const std::string& text = it->second;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (ec != std::errc() || end != text.data() + text.size() || id < 0) return std::nullopt;
    return std::to_string(id);
}

}  // namespace

GameSocket::GameSocket(HttpServer::Impl& server, tcp::socket socket, std::string counted,
                       std::string client)
    : server_(server),
      ws_(std::move(socket)),
      counted_(std::move(counted)),
      client_(std::move(client)),
      watchers_(server.watchers_),
      pingTimer_(ws_.get_executor()),
      heard_(Clock::now()),
      turns_(limitsOf(server).socketRequestBurst),
      turnsCounted_(Clock::now()) {}

GameSocket::~GameSocket() {
    forgetWatches();
    server_.sockets_.give(client_);
    server_.connections_.give(counted_);
}

void GameSocket::start(HttpRequest request) {
    upgrade_ = std::move(request);
    // The kernel holds no more for a client that does not read than the queue does: left to
    // itself it grows a socket's buffer to megabytes, and the queue's bound would mean little.
    const auto queueBytes = static_cast<int>(limitsOf(server_).socketQueueBytes);
    beast::error_code ignored;
    ws_.next_layer().socket().set_option(asio::socket_base::send_buffer_size(queueBytes), ignored);
    ws_.set_option(
        websocket::stream_base::timeout{kHandshakeTimeout, websocket::stream_base::none(), false});
    ws_.read_message_max(limitsOf(server_).maxFrameBytes);
    ws_.control_callback([this](websocket::frame_type kind, beast::string_view) {
        if (kind == websocket::frame_type::pong) heard_ = Clock::now();
    });
    ws_.async_accept(upgrade_,
                     [self = shared_from_this()](beast::error_code ec) { self->onAccepted(ec); });
}

void GameSocket::onAccepted(beast::error_code ec) {
    upgrade_ = {};
    if (ec) return;
    open_ = true;
    ws_.text(true);
    heard_ = Clock::now();
    schedulePing();
    readNext();
}

void GameSocket::readNext() {
    ws_.async_read(buffer_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
        self->onRead(ec);
    });
}

// A read fails when the client closes, the connection breaks or a frame is over the limit
// (which Beast answers with a close of its own, 1009); the socket then goes.
void GameSocket::onRead(beast::error_code ec) {
    if (ec) {
        drop();
        return;
    }
    heard_ = Clock::now();
    if (!ws_.got_text()) {
        closeWith(websocket::close_code::unknown_data);
        return;
    }
    const std::string text = beast::buffers_to_string(buffer_.data());
    buffer_.consume(buffer_.size());
    handle(text);
    if (open_) readNext();
}

void GameSocket::handle(std::string_view text) {
    auto request = net::DecodeSocketRequest(text);
    if (!request) {
        refuseMalformed(text);
        return;
    }
    FormFields fields;
    for (auto& line : request->fields) fields[std::move(line.name)] = std::move(line.value);
    if (!takeTurn()) {
        reply(request->id, Engine::tooManyRequestsReply());
        return;
    }
    const std::string& action = fields["action"];
    if (action == net::kWatchAction) {
        watch(request->id, fields);
    } else if (action == net::kUnwatchAction) {
        unwatch(request->id, fields);
    } else {
        answer(request->id, std::move(fields));
    }
}

// A request whose id can be read is answered as a bad request; without one there is nobody
// to answer, and the socket is closed.
void GameSocket::refuseMalformed(std::string_view text) {
    const auto json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_object()) {
        const auto id = json.find("id");
        if (id != json.end() && id->is_number_integer()) {
            reply(id->get<std::int64_t>(), Engine::badRequestReply());
            return;
        }
    }
    closeWith(websocket::close_code::policy_error);
}

// The rate per socket, with a burst, and a bound on requests under way: over either, the
// request is answered at once that there are too many.
bool GameSocket::takeTurn() {
    const HttpLimits& limits = limitsOf(server_);
    const auto now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - turnsCounted_).count();
    turnsCounted_ = now;
    turns_ = std::min<double>(limits.socketRequestBurst,
                              turns_ + seconds * limits.socketRequestsPerSecond);
    if (turns_ < 1 || underWay_ >= limits.socketRequestBurst) return false;
    turns_ -= 1;
    return true;
}

void GameSocket::answer(std::int64_t id, FormFields fields) {
    ++underWay_;
    auto self = shared_from_this();
    dispatchEngine(
        server_, client_, std::move(fields), replyLater(id),
        [self](auto wait, std::function<void()> task) {
            auto timer = std::make_shared<asio::steady_timer>(self->ws_.get_executor());
            timer->expires_after(wait);
            timer->async_wait([self, timer, task = std::move(task)](beast::error_code ec) {
                if (!ec && self->open_) task();
            });
        });
}

Engine::Respond GameSocket::replyLater(std::int64_t id) {
    return [self = shared_from_this(), id](std::string body) {
        asio::post(self->ws_.get_executor(), [self, id, body = std::move(body)] {
            --self->underWay_;
            self->reply(id, body);
        });
    };
}

void GameSocket::watch(std::int64_t id, const FormFields& fields) {
    const auto tableId = tableIdOf(fields);
    if (!tableId) {
        reply(id, Engine::badRequestReply());
        return;
    }
    if (watched_.contains(*tableId)) {
        reply(id, Engine::successReply());
        return;
    }
    if (static_cast<int>(watched_.size()) >= limitsOf(server_).maxWatchesPerSocket) {
        reply(id, Engine::replyText(kTooManyWatches));
        return;
    }
    const auto watchers = watchers_.lock();
    if (!watchers) return;
    // Watched at once, so that no change is missed while the table is looked up.
    watched_.insert(*tableId);
    watchers->add(*tableId, *this);
    if (*tableId == net::kLobbyTableId) {
        reply(id, Engine::successReply());
        return;
    }
    ++underWay_;
    server_.answers_.begin();
    asio::post(server_.workers_, [self = shared_from_this(), id, tableId = *tableId] {
        Engine::ClockCheck check;
        bool failed = false;
        try {
            check = self->server_.engine_.checkClock(std::stoll(tableId));
        } catch (const std::exception& error) {
            std::cerr << "pimra-server: watching a table: " << error.what() << '\n';
            failed = true;
        }
        asio::post(self->ws_.get_executor(), [self, id, tableId, check, failed] {
            --self->underWay_;
            if (failed || !check.exists) {
                self->stopWatching(tableId);
                self->reply(id, failed ? Engine::serverErrorReply() : Engine::noTableReply());
                return;
            }
            if (const auto watchers = self->watchers_.lock()) {
                watchers->watchClock(tableId, check.runsOutInMs);
            }
            self->reply(id, Engine::successReply());
        });
        self->server_.answers_.end();
    });
}

void GameSocket::unwatch(std::int64_t id, const FormFields& fields) {
    const auto tableId = tableIdOf(fields);
    if (!tableId) {
        reply(id, Engine::badRequestReply());
        return;
    }
    stopWatching(*tableId);
    reply(id, Engine::successReply());
}

void GameSocket::stopWatching(const std::string& tableId) {
    if (watched_.erase(tableId) == 0) return;
    if (const auto watchers = watchers_.lock()) watchers->remove(tableId, *this);
}

void GameSocket::forgetWatches() {
    const auto watchers = watchers_.lock();
    for (const auto& tableId : watched_) {
        if (watchers) watchers->remove(tableId, *this);
    }
    watched_.clear();
}

void GameSocket::deliver(const std::shared_ptr<const std::string>& message) {
    send(message);
}

void GameSocket::reply(std::int64_t id, std::string_view body) {
    send(std::make_shared<const std::string>(net::EncodeSocketReply(id, body)));
}

// What waits to be sent is bounded: a client that does not read its socket is dropped, not
// buffered for.
void GameSocket::send(std::shared_ptr<const std::string> message) {
    if (!open_) return;
    if (!queue_.empty() && queuedBytes_ + message->size() > limitsOf(server_).socketQueueBytes) {
        drop();
        return;
    }
    queuedBytes_ += message->size();
    queue_.push_back(std::move(message));
    if (!writing_) writeNext();
}

void GameSocket::writeNext() {
    if (queue_.empty() || !open_) return;
    writing_ = true;
    ws_.async_write(
        asio::buffer(*queue_.front()),
        [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onWritten(ec); });
}

void GameSocket::onWritten(beast::error_code ec) {
    writing_ = false;
    if (ec) {
        drop();
        return;
    }
    queuedBytes_ -= queue_.front()->size();
    queue_.pop_front();
    writeNext();
}

// A ping every interval; a client that has sent neither a pong nor a frame for the timeout is
// gone, whatever its connection says.
void GameSocket::schedulePing() {
    pingTimer_.expires_after(limitsOf(server_).pingInterval);
    pingTimer_.async_wait([self = shared_from_this()](beast::error_code ec) {
        if (!ec) self->onPingTimer();
    });
}

void GameSocket::onPingTimer() {
    if (!open_) return;
    if (Clock::now() - heard_ >= limitsOf(server_).pongTimeout) {
        drop();
        return;
    }
    if (!pinging_) {
        pinging_ = true;
        ws_.async_ping({}, [self = shared_from_this()](beast::error_code ec) {
            self->pinging_ = false;
            if (ec) self->drop();
        });
    }
    schedulePing();
}

// The close frame goes after the frame being written, and the closing handshake is bounded as
// the opening one is; a ping under way holds the one slot for control frames, so then the
// connection is simply cut.
void GameSocket::closeWith(websocket::close_code code) {
    if (!open_) return;
    if (pinging_) {
        drop();
        return;
    }
    open_ = false;
    forgetWatches();
    pingTimer_.cancel();
    ws_.async_close(code, [self = shared_from_this()](beast::error_code) { self->drop(); });
}

void GameSocket::drop() {
    open_ = false;
    forgetWatches();
    pingTimer_.cancel();
    beast::error_code ignored;
    beast::get_lowest_layer(ws_).socket().close(ignored);
}

}  // namespace pimra::server
