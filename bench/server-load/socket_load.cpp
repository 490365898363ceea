// Drives running pimra-server instances over the game socket (`/engine/ws`) and prints what they
// served (not a test; bench/server-load/run.sh runs it). Everything runs on one thread, every
// socket on one event loop, so that the program takes as little CPU from the server as it can.
// Phases, each for --seconds:
//   push N       N watchers (--watchers, e.g. 1000,10000) watch the tables of 8 pairs of
//                players who move every --move-ms; a move's latency is from its acknowledgement
//                to the opponent's event (and to every watcher's)
//   moves        players at --tables tables move over their sockets as fast as they can
//   idle         --idle sockets connected, each watching a table, nothing else: the server's CPU
//                and memory meanwhile (--server-pid)
//   polls        as many clients asking "gettable" every 2 s over fresh HTTP connections
//                (the only phase with --no-socket 1, for a server without the socket)
// With several --server addresses players and watchers are spread over them in turn, so a
// table's two players talk to different instances.
#include <sys/resource.h>
#include <unistd.h>

#include <boost/beast/websocket.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>

#include "LoadCommon.h"
#include "core/Move.h"
#include "core/Position.h"
#include "net/SocketMessages.h"

namespace {

using namespace load;
namespace websocket = beast::websocket;
using WebSocket = websocket::stream<beast::tcp_stream>;

constexpr int kPacedTables = 8;
constexpr auto kRequestPatience = std::chrono::seconds(10);
// A move's events that have not come by then count as missed.
constexpr auto kEventPatience = std::chrono::seconds(2);
// Connections opened at once while setting up thousands of them.
constexpr int kConnectingAtOnce = 128;
constexpr auto kPollPeriod = std::chrono::seconds(2);

struct Settings {
    std::vector<std::string> servers;
    std::vector<int> serverPids;
    std::vector<int> watchers{1000};
    int tables = 64;
    int moveMs = 500;
    int idle = 0;
    int seconds = 10;
    double anchorRps = 0;
    double httpMovesRps = 0;
    std::string label = "pimra";
    bool socket = true;  // false: the server has no game socket, only the polls run
};

double millis(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

using Fields = std::vector<std::pair<std::string, std::string>>;

// Requests built outside the coroutines: GCC 12 cannot keep a braced list alive across
// co_await.
Fields newTableFields(const Player& who) {
    return withSession(
        who, {{"action", "newtable"}, {"gameid", "1"}, {"timelimit", "7200"}, {"bonus", "0"}});
}

Fields tableFields(const Player& who, const std::string& action, const std::string& table) {
    return withSession(who, {{"action", action}, {"tableid", table}});
}

Fields moveFields(const Player& who, const std::string& table, int pit) {
    return withSession(who,
                       {{"action", "move"}, {"tableid", table}, {"move", std::to_string(pit)}});
}

Fields watchFields(const std::string& table) {
    return {{"action", std::string(pimra::net::kWatchAction)}, {"tableid", table}};
}

std::string watchText(const std::string& table) {
    pimra::net::SocketRequest request{1, {}};
    for (auto& [name, value] : watchFields(table)) request.fields.push_back({name, value});
    return pimra::net::EncodeSocketRequest(request);
}

awaitable<std::unique_ptr<WebSocket>> openSocket(tcp::endpoint server) {
    auto socket = std::make_unique<WebSocket>(co_await asio::this_coro::executor);
    beast::get_lowest_layer(*socket).expires_after(kRequestPatience);
    co_await beast::get_lowest_layer(*socket).async_connect(server, use_awaitable);
    co_await socket->async_handshake(server.address().to_string(), "/engine/ws", use_awaitable);
    beast::get_lowest_layer(*socket).expires_never();
    socket->set_option(websocket::stream_base::timeout::suggested(beast::role_type::client));
    co_return socket;
}

// A player's socket: one request at a time, its reply matched by id; events to `onEvent`.
class GameSocket {
  public:
    explicit GameSocket(std::unique_ptr<WebSocket> socket)
        : socket_(std::move(socket)), replied_(socket_->get_executor()) {}

    std::function<void(Clock::time_point)> onEvent;

    // Reads until the socket closes; runs beside the requests.
    awaitable<void> readAll() {
        beast::flat_buffer buffer;
        for (;;) {
            beast::error_code error;
            co_await socket_->async_read(buffer, asio::redirect_error(use_awaitable, error));
            if (error) break;
            const auto at = Clock::now();
            const std::string text = beast::buffers_to_string(buffer.data());
            buffer.consume(buffer.size());
            const auto message = pimra::net::DecodeSocketMessage(text);
            if (!message) continue;
            if (const auto* reply = std::get_if<pimra::net::SocketReply>(&*message)) {
                if (reply->id != waitingId_) continue;
                reply_ = reply->reply;
                replied_.cancel();
            } else if (std::holds_alternative<pimra::net::TableEvent>(*message) && onEvent) {
                onEvent(at);
            }
        }
        closed_ = true;
        replied_.cancel();
    }

    awaitable<nlohmann::json> request(Fields lines) {
        if (closed_) throw std::runtime_error("socket closed");
        pimra::net::SocketRequest request{nextId_++, {}};
        for (auto& [name, value] : lines) request.fields.push_back({name, value});
        waitingId_ = request.id;
        reply_ = nullptr;
        const std::string text = pimra::net::EncodeSocketRequest(request);
        co_await socket_->async_write(asio::buffer(text), use_awaitable);
        if (reply_.is_null() && !closed_) {
            replied_.expires_after(kRequestPatience);
            beast::error_code ignored;
            co_await replied_.async_wait(asio::redirect_error(use_awaitable, ignored));
        }
        if (reply_.is_null()) throw std::runtime_error("no reply");
        co_return std::exchange(reply_, nullptr);
    }

    void close() {
        beast::error_code ignored;
        beast::get_lowest_layer(*socket_).socket().close(ignored);
    }

  private:
    std::unique_ptr<WebSocket> socket_;
    asio::steady_timer replied_;
    std::int64_t nextId_ = 1;
    std::int64_t waitingId_ = 0;
    nlohmann::json reply_;
    bool closed_ = false;
};

awaitable<std::string> startGameOn(GameSocket& a, const Player& pa, GameSocket& b,
                                   const Player& pb) {
    auto table = co_await a.request(newTableFields(pa));
    if (!succeeded(table)) co_return "";
    const std::string id = table.value("ind", "");
    const auto join = co_await b.request(tableFields(pb, "regtable", id));
    if (!succeeded(join)) co_return "";
    co_await a.request(tableFields(pa, "ready", id));
    co_await b.request(tableFields(pb, "ready", id));
    co_return id;
}

// The two players of a table on their sockets, and the game as both see it.
struct Pair {
    const Player* players[2];
    std::unique_ptr<GameSocket> sockets[2];
    std::string table;
    pimra::Position position = pimra::Position::start();
    pimra::Side side = pimra::Side::Bottom;
    bool over = false;

    int moverIndex() const { return side == pimra::Side::Bottom ? 0 : 1; }
    // A random pit of the side to move that holds stones.
    int choosePit(std::mt19937& random) const {
        std::vector<int> pits;
        for (int i = 0; i < 6; ++i) {
            const int pit = pimra::Position::firstPitOf(side) + i;
            if (position[pit] > 0) pits.push_back(pit);
        }
        return pits.empty() ? -1 : pits[random() % pits.size()];
    }
    awaitable<bool> move(int pit) {
        const int mover = moverIndex();
        auto reply = co_await sockets[mover]->request(moveFields(*players[mover], table, pit));
        if (!succeeded(reply)) co_return false;
        const auto result = pimra::playMove(position, side, pit);
        position = result.position;
        side = result.sideToMove;
        over = result.gameOver;
        co_return true;
    }
    awaitable<bool> newGame() {
        table = co_await startGameOn(*sockets[0], *players[0], *sockets[1], *players[1]);
        position = pimra::Position::start();
        side = pimra::Side::Bottom;
        over = false;
        co_return !table.empty();
    }
};

awaitable<void> openPair(Pair& pair, const Player& a, const Player& b, bool watch) {
    pair.players[0] = &a;
    pair.players[1] = &b;
    for (int i = 0; i < 2; ++i) {
        pair.sockets[i] =
            std::make_unique<GameSocket>(co_await openSocket(pair.players[i]->server));
        asio::co_spawn(co_await asio::this_coro::executor, pair.sockets[i]->readAll(),
                       asio::detached);
    }
    if (!co_await pair.newGame()) throw std::runtime_error("no table");
    if (!watch) co_return;
    for (auto& socket : pair.sockets) {
        co_await socket->request(watchFields(pair.table));
    }
}

// What the watchers of one paced table saw of its current move.
struct MoveWatch {
    Clock::time_point acknowledged;
    bool waiting = false;
    std::vector<Clock::time_point> arrivals;  // at the watchers
    std::optional<Clock::time_point> opponent;
    int expected = 0;                        // watchers of the table
    asio::steady_timer* complete = nullptr;  // cancelled once every watcher has it
    void arrived(Clock::time_point at) {
        if (!waiting) return;
        arrivals.push_back(at);
        check();
    }
    void check() {
        if (complete && opponent && static_cast<int>(arrivals.size()) >= expected) {
            complete->cancel();
        }
    }
};

// A socket that watches one table and tells each of its events to `watch`.
awaitable<void> watchTable(tcp::endpoint server, std::string table, MoveWatch* watch,
                           std::vector<std::unique_ptr<WebSocket>>& keep, int& ready,
                           long& failed) {
    std::unique_ptr<WebSocket> socket;
    try {
        socket = co_await openSocket(server);
        const std::string request = watchText(table);
        co_await socket->async_write(asio::buffer(request), use_awaitable);
    } catch (const std::exception&) {
        ++failed;
        co_return;
    }
    WebSocket& mine = *socket;
    keep.push_back(std::move(socket));
    ++ready;
    beast::flat_buffer buffer;
    for (;;) {
        beast::error_code error;
        co_await mine.async_read(buffer, asio::redirect_error(use_awaitable, error));
        if (error) co_return;
        const auto at = Clock::now();
        const auto data = buffer.data();
        const std::string_view text(static_cast<const char*>(data.data()), data.size());
        if (watch && text.find(R"("event":"table")") != std::string_view::npos) watch->arrived(at);
        buffer.consume(buffer.size());
    }
}

// `count` watchers spread over the tables and servers; returns once all are watching.
awaitable<void> openWatchers(const std::vector<tcp::endpoint>& servers,
                             const std::vector<std::string>& tables,
                             std::vector<MoveWatch>& watches, int count,
                             std::vector<std::unique_ptr<WebSocket>>& keep, long& failed) {
    const auto executor = co_await asio::this_coro::executor;
    int ready = 0;
    asio::steady_timer pause(executor);
    for (int i = 0; i < count; ++i) {
        const auto t = static_cast<std::size_t>(i) % tables.size();
        MoveWatch* watch = watches.empty() ? nullptr : &watches[t];
        if (watch) ++watch->expected;
        asio::co_spawn(executor,
                       watchTable(servers[static_cast<std::size_t>(i) % servers.size()], tables[t],
                                  watch, keep, ready, failed),
                       asio::detached);
        while (i + 1 - ready - failed >= kConnectingAtOnce) {
            pause.expires_after(std::chrono::milliseconds(1));
            co_await pause.async_wait(use_awaitable);
        }
    }
    while (ready + failed < count) {
        pause.expires_after(std::chrono::milliseconds(5));
        co_await pause.async_wait(use_awaitable);
    }
    // Their "watch" requests are answered by now or soon: a moment before anyone moves.
    pause.expires_after(std::chrono::milliseconds(500));
    co_await pause.async_wait(use_awaitable);
}

// Moves at one paced table every `period` until the deadline, each move's latencies in `out`.
awaitable<void> paceMoves(Pair& pair, MoveWatch& watch, std::chrono::milliseconds period,
                          Clock::time_point until, Sample& toOpponent, Sample& toWatchers,
                          long& missed, unsigned seed) {
    const auto executor = co_await asio::this_coro::executor;
    std::mt19937 random(seed);
    asio::steady_timer complete(executor);
    asio::steady_timer pace(executor);
    watch.complete = &complete;
    while (Clock::now() < until && !pair.over) {
        const int pit = pair.choosePit(random);
        if (pit < 0) break;
        const auto sent = Clock::now();
        const int opponent = 1 - pair.moverIndex();
        watch.arrivals.clear();
        watch.opponent.reset();
        watch.waiting = true;
        pair.sockets[opponent]->onEvent = [&watch](Clock::time_point at) {
            if (!watch.opponent) watch.opponent = at;
            watch.check();
        };
        pair.sockets[1 - opponent]->onEvent = nullptr;
        complete.expires_at(Clock::time_point::max());
        if (!co_await pair.move(pit)) {
            ++toOpponent.errors;
            break;
        }
        watch.acknowledged = Clock::now();
        if (!(watch.opponent && static_cast<int>(watch.arrivals.size()) >= watch.expected)) {
            complete.expires_after(kEventPatience);
            beast::error_code ignored;
            co_await complete.async_wait(asio::redirect_error(use_awaitable, ignored));
        }
        watch.waiting = false;
        const auto since = [&](Clock::time_point at) {
            return std::max(0.0, millis(at - watch.acknowledged)) * 1000.0;
        };
        if (watch.opponent) {
            toOpponent.micros.push_back(since(*watch.opponent));
        } else {
            ++missed;
        }
        for (const auto at : watch.arrivals) toWatchers.micros.push_back(since(at));
        missed += std::max(0, watch.expected - static_cast<int>(watch.arrivals.size()));
        pace.expires_at(sent + period);
        co_await pace.async_wait(use_awaitable);
    }
    watch.complete = nullptr;
    for (auto& socket : pair.sockets) socket->onEvent = nullptr;
}

// Moves at one table as fast as the server answers, new games as they end.
awaitable<void> rushMoves(Pair& pair, Clock::time_point until, Sample& out, unsigned seed) {
    std::mt19937 random(seed);
    while (Clock::now() < until) {
        const int pit = pair.choosePit(random);
        const auto start = Clock::now();
        bool ok = false;
        try {
            if (pit >= 0 && !pair.over) {
                ok = co_await pair.move(pit);
            } else {
                ok = co_await pair.newGame();
            }
        } catch (const std::exception&) {
        }
        if (!ok) {
            ++out.errors;
            if (!co_await pair.newGame()) co_return;
            continue;
        }
        if (pit >= 0) out.micros.push_back(millis(Clock::now() - start) * 1000.0);
    }
}

// The servers' CPU time and resident memory, from /proc.
struct ServerUsage {
    double cpuSeconds = 0;
    double rssMb = 0;
};

ServerUsage usageOf(const std::vector<int>& pids) {
    ServerUsage usage;
    const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
    for (const int pid : pids) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string field;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14 || i == 15) usage.cpuSeconds += std::stod(field) / ticks;
        }
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        while (std::getline(status, line)) {
            if (line.starts_with("VmRSS:")) usage.rssMb += std::stod(line.substr(6)) / 1024.0;
        }
    }
    return usage;
}

// The servers' share of one core and their memory over `seconds` from now.
awaitable<ServerUsage> measureUsage(const std::vector<int>& pids, int seconds) {
    asio::steady_timer wait(co_await asio::this_coro::executor);
    const auto before = usageOf(pids);
    const auto start = Clock::now();
    wait.expires_after(std::chrono::seconds(seconds));
    co_await wait.async_wait(use_awaitable);
    const auto after = usageOf(pids);
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    co_return ServerUsage{(after.cpuSeconds - before.cpuSeconds) / elapsed, after.rssMb};
}

// Asks for a table every 2 s over a fresh connection each time, starting at `offset`.
awaitable<void> pollSlowly(tcp::endpoint server, std::string table, Clock::duration offset,
                           Clock::time_point until, long& done, long& failed) {
    asio::steady_timer timer(co_await asio::this_coro::executor);
    const std::string form = body({{"action", "gettable"}, {"appid", "pimra"}, {"tableid", table}});
    auto next = Clock::now() + offset;
    while (next < until) {
        timer.expires_at(next);
        co_await timer.async_wait(use_awaitable);
        next += kPollPeriod;
        try {
            const auto reply = co_await engine(server, form);
            ++(succeeded(reply) ? done : failed);
        } catch (const std::exception&) {
            ++failed;
        }
    }
}

void row(const std::string& name, double figure, const char* format = "%12.2f",
         const std::string& ratio = "") {
    char number[32];
    std::snprintf(number, sizeof(number), format, figure);
    std::printf("%-52s %12s %10s\n", name.c_str(), number, ratio.c_str());
}

std::vector<int> numbers(const std::string& list) {
    std::vector<int> out;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ',');) out.push_back(std::stoi(item));
    return out;
}

std::optional<Settings> parse(int argc, char** argv) {
    Settings s;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--server") {
            s.servers.push_back(value);
        } else if (name == "--server-pid") {
            s.serverPids.push_back(std::stoi(value));
        } else if (name == "--watchers") {
            s.watchers = numbers(value);
        } else if (name == "--tables") {
            s.tables = std::stoi(value);
        } else if (name == "--move-ms") {
            s.moveMs = std::stoi(value);
        } else if (name == "--idle") {
            s.idle = std::stoi(value);
        } else if (name == "--seconds") {
            s.seconds = std::stoi(value);
        } else if (name == "--anchor-rps") {
            s.anchorRps = std::stod(value);
        } else if (name == "--http-moves-rps") {
            s.httpMovesRps = std::stod(value);
        } else if (name == "--label") {
            s.label = value;
        } else if (name == "--no-socket") {
            s.socket = value != "1";
        } else {
            return std::nullopt;
        }
    }
    if (s.servers.empty() || s.tables < kPacedTables || s.moveMs < 1 || s.seconds < 1 ||
        s.idle < 0) {
        return std::nullopt;
    }
    return s;
}

// Runs one phase's coroutine to its end on a loop of its own.
template <class Phase>
void runOnLoop(Phase phase) {
    asio::io_context io(1);
    asio::co_spawn(io, std::move(phase), [](std::exception_ptr error) {
        if (error) std::rethrow_exception(error);
    });
    io.run();
}

class SocketLoad {
  public:
    explicit SocketLoad(Settings settings) : settings_(std::move(settings)) {
        for (const auto& text : settings_.servers) servers_.push_back(parseEndpoint(text));
    }

    void makePlayers() {
        players_ = playersOfThisRun("ws", static_cast<std::size_t>(2 * settings_.tables), servers_);
    }

    void pushPhase(int watcherCount) {
        Sample toOpponent;
        Sample toWatchers;
        long missed = 0;
        long failed = 0;
        runOnLoop([&]() -> awaitable<void> {
            std::vector<Pair> pairs(kPacedTables);
            std::vector<std::string> tables;
            for (std::size_t t = 0; t < pairs.size(); ++t) {
                co_await openPair(pairs[t], players_[2 * t], players_[2 * t + 1], true);
                tables.push_back(pairs[t].table);
            }
            std::vector<MoveWatch> watches(pairs.size());
            std::vector<std::unique_ptr<WebSocket>> keep;
            co_await openWatchers(servers_, tables, watches, watcherCount, keep, failed);
            const auto until = Clock::now() + std::chrono::seconds(settings_.seconds);
            int running = static_cast<int>(pairs.size());
            asio::steady_timer allDone(co_await asio::this_coro::executor);
            allDone.expires_at(Clock::time_point::max());
            for (std::size_t t = 0; t < pairs.size(); ++t) {
                asio::co_spawn(
                    co_await asio::this_coro::executor,
                    paceMoves(pairs[t], watches[t], std::chrono::milliseconds(settings_.moveMs),
                              until, toOpponent, toWatchers, missed, static_cast<unsigned>(t + 1)),
                    [&](std::exception_ptr) {
                        if (--running == 0) allDone.cancel();
                    });
            }
            beast::error_code ignored;
            co_await allDone.async_wait(asio::redirect_error(use_awaitable, ignored));
            for (auto& socket : keep) beast::get_lowest_layer(*socket).socket().close(ignored);
            for (auto& pair : pairs) {
                for (auto& socket : pair.sockets) socket->close();
            }
        });
        const std::string n = std::to_string(watcherCount);
        row("push ms, move ack to opponent, p50, " + n + " watchers", toOpponent.percentile(0.5));
        row("push ms, move ack to opponent, p99, " + n + " watchers", toOpponent.percentile(0.99));
        row("  to every watcher, p50", toWatchers.percentile(0.5));
        row("  to every watcher, p99", toWatchers.percentile(0.99));
        row("  moves / events / missed / refused sockets",
            static_cast<double>(toOpponent.micros.size()), "%12.0f",
            std::to_string(toWatchers.micros.size()) + " / " + std::to_string(missed) + " / " +
                std::to_string(failed));
    }

    void movesPhase() {
        Sample moves;
        double seconds = 0;
        runOnLoop([&]() -> awaitable<void> {
            std::vector<Pair> pairs(static_cast<std::size_t>(settings_.tables));
            for (std::size_t t = 0; t < pairs.size(); ++t) {
                co_await openPair(pairs[t], players_[2 * t], players_[2 * t + 1], false);
            }
            const auto start = Clock::now();
            const auto until = start + std::chrono::seconds(settings_.seconds);
            int running = static_cast<int>(pairs.size());
            asio::steady_timer allDone(co_await asio::this_coro::executor);
            allDone.expires_at(Clock::time_point::max());
            for (std::size_t t = 0; t < pairs.size(); ++t) {
                asio::co_spawn(co_await asio::this_coro::executor,
                               rushMoves(pairs[t], until, moves, static_cast<unsigned>(t + 1)),
                               [&](std::exception_ptr) {
                                   if (--running == 0) allDone.cancel();
                               });
            }
            beast::error_code ignored;
            co_await allDone.async_wait(asio::redirect_error(use_awaitable, ignored));
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
            for (auto& pair : pairs) {
                for (auto& socket : pair.sockets) socket->close();
            }
        });
        const double rate = static_cast<double>(moves.micros.size()) / seconds;
        row("durable moves/s over sockets, " + std::to_string(settings_.tables) + " tables", rate,
            "%12.0f", ratio(rate, settings_.anchorRps));
        if (settings_.httpMovesRps > 0) {
            row("  against over fresh HTTP connections", rate / settings_.httpMovesRps);
        }
        row("  move p50 ms", moves.percentile(0.5));
        row("  move p99 ms", moves.percentile(0.99));
        row("  refused or failed moves", static_cast<double>(moves.errors), "%12.0f");
    }

    void idlePhase() {
        if (settings_.idle <= 0 || settings_.serverPids.empty()) return;
        ServerUsage idle;
        long failed = 0;
        runOnLoop([&]() -> awaitable<void> {
            Pair pair;
            co_await openPair(pair, players_[0], players_[1], false);
            const std::vector<std::string> tables{pair.table};
            std::vector<MoveWatch> none;
            std::vector<std::unique_ptr<WebSocket>> keep;
            co_await openWatchers(servers_, tables, none, settings_.idle, keep, failed);
            idle = co_await measureUsage(settings_.serverPids, settings_.seconds);
            beast::error_code ignored;
            for (auto& socket : keep) beast::get_lowest_layer(*socket).socket().close(ignored);
            for (auto& socket : pair.sockets) socket->close();
        });
        const std::string n = std::to_string(settings_.idle);
        row("server CPU % of a core, " + n + " idle sockets", 100 * idle.cpuSeconds, "%12.1f");
        row("  server RSS MB", idle.rssMb, "%12.0f");
        row("  sockets refused", static_cast<double>(failed), "%12.0f");
    }

    // Over HTTP alone, so that it runs against a server without the socket as well.
    void pollPhase() {
        if (settings_.idle <= 0 || settings_.serverPids.empty()) return;
        ServerUsage polling;
        long done = 0;
        long failed = 0;
        double rate = 0;
        runOnLoop([&]() -> awaitable<void> {
            const auto executor = co_await asio::this_coro::executor;
            const std::string table = co_await startGame(players_[0], players_[1]);
            // Two periods to settle, then the measure, then the stragglers.
            const auto until =
                Clock::now() + 2 * kPollPeriod + std::chrono::seconds(settings_.seconds);
            std::mt19937 random(7);
            for (int i = 0; i < settings_.idle; ++i) {
                const auto offset = std::chrono::microseconds(random() % 2'000'000);
                asio::co_spawn(executor,
                               pollSlowly(servers_[static_cast<std::size_t>(i) % servers_.size()],
                                          table, offset, until, done, failed),
                               asio::detached);
            }
            asio::steady_timer settle(executor);
            settle.expires_after(2 * kPollPeriod);
            co_await settle.async_wait(use_awaitable);
            const long before = done;
            polling = co_await measureUsage(settings_.serverPids, settings_.seconds);
            rate = static_cast<double>(done - before) / settings_.seconds;
        });
        const std::string n = std::to_string(settings_.idle);
        row("server CPU % of a core, " + n + " clients polling every 2 s", 100 * polling.cpuSeconds,
            "%12.1f");
        row("  server RSS MB", polling.rssMb, "%12.0f");
        row("  polls/s answered (asked: " + std::to_string(settings_.idle / 2) + ")", rate,
            "%12.0f");
        row("  refused or failed polls", static_cast<double>(failed), "%12.0f");
    }

    const Settings& settings() const { return settings_; }

  private:
    Settings settings_;
    std::vector<tcp::endpoint> servers_;
    std::vector<Player> players_;
};

// Thousands of sockets need more descriptors than the usual soft limit of 1024.
void raiseFileLimit() {
    if (rlimit files{}; getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const auto settings = parse(argc, argv);
    if (!settings) {
        std::cerr
            << "usage: pimra-socket-load --server HOST:PORT [--server HOST:PORT]...\n"
               "  [--server-pid PID]... [--watchers 1000,10000] [--tables 64] [--move-ms 500]\n"
               "  [--idle 10000] [--seconds 10] [--anchor-rps NGINX_STATIC_RPS]\n"
               "  [--http-moves-rps RATE] [--label NAME] [--no-socket 1]\n";
        return 2;
    }
    raiseFileLimit();
    SocketLoad load(*settings);
    try {
        load.makePlayers();
        std::printf("\n%-52s %12s %10s\n", (settings->label + ", game socket").c_str(), "figure",
                    "ratio");
        if (settings->anchorRps > 0) {
            row("nginx static req/s (anchor)", settings->anchorRps, "%12.0f", "1.00");
        }
        if (settings->socket) {
            for (const int watchers : settings->watchers) load.pushPhase(watchers);
            load.movesPhase();
            load.idlePhase();
        }
        load.pollPhase();
    } catch (const std::exception& error) {
        std::cerr << "pimra-socket-load: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
