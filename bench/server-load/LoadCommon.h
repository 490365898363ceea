#pragma once

// What both load programs do over HTTP: players registered and logged in, tables started, a
// request on a fresh connection as the desktop client makes it; and how they time things.
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "net/FormEncoding.h"
#include "net/Md5.h"

namespace load {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using asio::awaitable;
using asio::use_awaitable;

constexpr const char* kPassword = "bench";
struct Player {
    std::string login;
    std::string sid;
    std::string code;
    tcp::endpoint server;
};

// Latencies of one kind of request, in microseconds.
struct Sample {
    std::vector<double> micros;
    long errors = 0;
    void add(const Sample& other) {
        micros.insert(micros.end(), other.micros.begin(), other.micros.end());
        errors += other.errors;
    }
    double percentile(double p) {
        if (micros.empty()) return 0;
        std::sort(micros.begin(), micros.end());
        const auto at = static_cast<std::size_t>(p * static_cast<double>(micros.size() - 1));
        return micros[at] / 1000.0;
    }
};

inline tcp::endpoint parseEndpoint(const std::string& text) {
    const auto colon = text.rfind(':');
    return tcp::endpoint(asio::ip::make_address(text.substr(0, colon)),
                         static_cast<unsigned short>(std::stoi(text.substr(colon + 1))));
}

inline std::string body(const std::vector<std::pair<std::string, std::string>>& lines) {
    pimra::net::Request request;
    for (const auto& [name, value] : lines) request.push_back({name, value});
    return pimra::net::EncodeForm(request);
}

struct Reply {
    std::string body;
    std::string cookie;
};

inline awaitable<Reply> exchange(tcp::endpoint server, http::verb verb, std::string target,
                                 std::string content, std::string cookie = "",
                                 std::string realIp = "") {
    tcp::socket socket(co_await asio::this_coro::executor);
    co_await socket.async_connect(server, use_awaitable);
    http::request<http::string_body> request{verb, target, 11};
    request.set(http::field::host, server.address().to_string());
    request.set(http::field::connection, "close");
    if (!cookie.empty()) request.set(http::field::cookie, cookie);
    if (!realIp.empty()) request.set("X-Real-IP", realIp);
    if (verb == http::verb::post) {
        request.set(http::field::content_type, "application/x-www-form-urlencoded");
        request.body() = std::move(content);
    }
    request.prepare_payload();
    co_await http::async_write(socket, request, use_awaitable);
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    co_await http::async_read(socket, buffer, response, use_awaitable);
    beast::error_code ignored;
    socket.shutdown(tcp::socket::shutdown_both, ignored);
    Reply reply{std::move(response.body()), std::string(response[http::field::set_cookie])};
    co_return reply;
}

// `form` is the encoded request, built before the call: GCC 12 cannot keep a braced list
// alive across co_await.
inline awaitable<nlohmann::json> engine(tcp::endpoint server, std::string form) {
    const Reply reply = co_await exchange(server, http::verb::post, "/engine/", std::move(form));
    co_return nlohmann::json::parse(reply.body);
}

inline bool succeeded(const nlohmann::json& reply) {
    return reply.value("response", "") == "Success";
}

// Registers and logs in one player; the address of each registration differs, so that the
// limit on registrations per address does not stop the set-up (the server trusts X-Real-IP).
inline awaitable<void> makePlayer(Player& player, int index) {
    const std::string realIp =
        "10.77." + std::to_string(index / 250) + "." + std::to_string(index % 250 + 1);
    const Reply form = co_await exchange(player.server, http::verb::get, "/ru/reg", "");
    const auto from = form.cookie.find('=') + 1;
    const std::string token = form.cookie.substr(from, form.cookie.find(';') - from);
    const std::string fields = "csrf=" + pimra::net::EncodeFormValue(token) +
                               "&login=" + player.login + "&password=" + kPassword +
                               "&repeat=" + kPassword;
    co_await exchange(player.server, http::verb::post, "/ru/reg", fields, "pimra_csrf=" + token,
                      realIp);
    std::string request = body(
        {{"action", "login"}, {"login", player.login}, {"pass", pimra::net::MD5Hex(kPassword)}});
    const auto login = co_await engine(player.server, std::move(request));
    if (!succeeded(login)) throw std::runtime_error("login failed: " + login.dump());
    player.sid = login.value("sid", "");
    player.code = login.value("code", "");
}

inline awaitable<void> makePlayers(std::vector<Player>& players, std::size_t first,
                                   std::size_t step) {
    for (std::size_t i = first; i < players.size(); i += step) {
        co_await makePlayer(players[i], static_cast<int>(i));
    }
}

// `count` players registered and logged in, eight at a time, spread over the servers in turn
// (so each table's two players are on different servers where there are several). Their
// logins are unique to this run, so that a database kept between runs takes them too.
inline std::vector<Player> playersOfThisRun(const std::string& prefix, std::size_t count,
                                            const std::vector<tcp::endpoint>& servers) {
    const std::string run = std::to_string(std::random_device{}() % 1000000);
    std::vector<Player> players(count);
    for (std::size_t i = 0; i < players.size(); ++i) {
        players[i].login = prefix + run + "x" + std::to_string(i);
        players[i].server = servers[i % servers.size()];
    }
    asio::io_context io;
    constexpr std::size_t kAtOnce = 8;
    for (std::size_t k = 0; k < kAtOnce; ++k) {
        asio::co_spawn(io, makePlayers(players, k, kAtOnce), [](std::exception_ptr error) {
            if (error) std::rethrow_exception(error);
        });
    }
    io.run();
    return players;
}

// A figure against its anchor, "-" without one.
inline std::string ratio(double value, double anchor) {
    if (anchor <= 0) return "-";
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f", value / anchor);
    return text;
}

inline std::vector<std::pair<std::string, std::string>> withSession(
    const Player& who, std::vector<std::pair<std::string, std::string>> lines) {
    lines.insert(lines.begin() + 1, {{"sid", who.sid}, {"code", who.code}});
    return lines;
}

// Two players seated and ready at a new table; its number, or empty on a refusal.
inline awaitable<std::string> startGame(const Player& a, const Player& b) {
    std::string request = body(withSession(
        a, {{"action", "newtable"}, {"gameid", "1"}, {"timelimit", "7200"}, {"bonus", "0"}}));
    const auto table = co_await engine(a.server, std::move(request));
    if (!succeeded(table)) co_return "";
    const std::string id = table.value("ind", "");
    request = body({{"action", "regtable"}, {"tableid", id}, {"sid", b.sid}, {"code", b.code}});
    const auto join = co_await engine(b.server, std::move(request));
    if (!succeeded(join)) co_return "";
    for (const Player* who : {&a, &b}) {
        request = body(withSession(*who, {{"action", "ready"}, {"tableid", id}}));
        co_await engine(who->server, std::move(request));
    }
    co_return id;
}

// One event loop per thread, each with its own share of the clients: threads that shared one
// loop would hand every completion over through its lock, and the load program would take
// CPU from the server it measures.
class Loops {
  public:
    explicit Loops(int threads) {
        for (int i = 0; i < threads; ++i) loops_.push_back(std::make_unique<asio::io_context>(1));
    }
    asio::io_context& next() { return *loops_[next_++ % loops_.size()]; }
    void run() {
        std::vector<std::thread> pool;
        for (std::size_t i = 1; i < loops_.size(); ++i) {
            pool.emplace_back([this, i] { loops_[i]->run(); });
        }
        loops_[0]->run();
        for (auto& thread : pool) thread.join();
    }

  private:
    std::vector<std::unique_ptr<asio::io_context>> loops_;
    std::size_t next_ = 0;
};

}  // namespace load
