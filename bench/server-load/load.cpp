// Drives running pimra-server instances with players, one fresh connection per request as the
// desktop client makes them, and prints what they served (not a test; bench/server-load/run.sh
// runs it). Phases, each for --seconds:
//   moves        players at --tables tables move as fast as the server lets them
//   polls        --pollers clients ask "gettable" every --poll-ms, nothing else runs
//   polls+moves  the same polls while 16 players (8 tables) move as fast as they can
// With several --server addresses a table's two players talk to different instances.
#include <utility>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/Move.h"
#include "core/Position.h"
#include "net/FormEncoding.h"
#include "net/Md5.h"

#include "LoadCommon.h"

namespace {

using namespace load;

constexpr int kMoversAtPollTables = 8;

struct Settings {
    std::vector<std::string> servers;  // host:port
    int tables = 64;
    int pollers = 64;
    int pollMs = 20;
    int seconds = 10;
    int threads = 2;
    double anchorRps = 0;      // nginx static requests/s measured beside this run
    std::string staticServer;  // host:port of nginx, fetched by this program's own client
    std::string staticPath = "/state.json";
    std::string label = "pimra";
};

std::string moveRequest(const Player& who, const std::string& table, int pit) {
    return body(
        withSession(who, {{"action", "move"}, {"tableid", table}, {"move", std::to_string(pit)}}));
}

struct Mover {
    Sample moves;
    std::string table;  // the table being played, for the pollers
};

// Plays games at one table until the deadline: the side to move plays a random pit of its
// row that holds stones, as the rules of the core decide; a finished game starts a new one.
awaitable<void> playGames(const Player& a, const Player& b, Clock::time_point until, Mover& out,
                          unsigned seed) {
    std::mt19937 random(seed);
    while (Clock::now() < until) {
        std::string table;
        try {
            table = co_await startGame(a, b);
        } catch (const std::exception&) {
            ++out.moves.errors;
            continue;
        }
        if (table.empty()) {
            ++out.moves.errors;
            continue;
        }
        out.table = table;
        pimra::Position position = pimra::Position::start();
        pimra::Side side = pimra::Side::Bottom;
        bool over = false;
        while (!over && Clock::now() < until) {
            std::vector<int> pits;
            for (int i = 0; i < 6; ++i) {
                const int pit = pimra::Position::firstPitOf(side) + i;
                if (position[pit] > 0) pits.push_back(pit);
            }
            if (pits.empty()) break;
            const int pit = pits[random() % pits.size()];
            const Player& who = side == pimra::Side::Bottom ? a : b;
            const auto start = Clock::now();
            try {
                const auto reply = co_await engine(who.server, moveRequest(who, table, pit));
                if (!succeeded(reply)) {
                    ++out.moves.errors;
                    break;
                }
            } catch (const std::exception&) {
                ++out.moves.errors;
                break;
            }
            out.moves.micros.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            const pimra::MoveResult result = pimra::playMove(position, side, pit);
            position = result.position;
            side = result.sideToMove;
            over = result.gameOver;
        }
    }
}

// Asks for a table's state every `period` until the deadline; a late poll goes at once.
awaitable<void> poll(tcp::endpoint server, std::string table, std::chrono::milliseconds period,
                     Clock::time_point until, Sample& out) {
    const std::string pollRequest =
        body({{"action", "gettable"}, {"appid", "pimra"}, {"tableid", table}});
    auto next = Clock::now();
    asio::steady_timer timer(co_await asio::this_coro::executor);
    while (Clock::now() < until) {
        timer.expires_at(next);
        co_await timer.async_wait(use_awaitable);
        const auto start = Clock::now();
        next = std::max(next + period, start);
        try {
            const auto reply = co_await engine(server, pollRequest);
            if (!succeeded(reply)) {
                ++out.errors;
                continue;
            }
        } catch (const std::exception&) {
            ++out.errors;
            continue;
        }
        out.micros.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
}

// Fetches a static file as fast as it comes, `Connection: close` like everything here.
awaitable<void> fetch(tcp::endpoint server, std::string path, Clock::time_point until,
                      Sample& out) {
    while (Clock::now() < until) {
        const auto start = Clock::now();
        try {
            co_await exchange(server, http::verb::get, path, "");
        } catch (const std::exception&) {
            ++out.errors;
            continue;
        }
        out.micros.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
}

struct PhaseResult {
    Sample moves;
    Sample polls;
    double seconds = 0;
};

// Movers at the first `tables` pairs of players, and pollers at their tables.
PhaseResult runPhase(const Settings& settings, const std::vector<Player>& players, int tables,
                     int pollers, const std::vector<std::string>& pollTables) {
    Loops loops(settings.threads);
    const auto start = Clock::now();
    const auto until = start + std::chrono::seconds(settings.seconds);
    std::vector<Mover> movers(static_cast<std::size_t>(tables));
    for (int t = 0; t < tables; ++t) {
        const auto i = static_cast<std::size_t>(t);
        asio::co_spawn(loops.next(),
                       playGames(players[2 * i], players[2 * i + 1], until, movers[i],
                                 static_cast<unsigned>(t + 1)),
                       asio::detached);
    }
    std::vector<Sample> polls(static_cast<std::size_t>(pollers));
    for (int p = 0; p < pollers; ++p) {
        const auto i = static_cast<std::size_t>(p);
        const auto& server = players[(2 * i) % players.size()].server;
        asio::co_spawn(loops.next(),
                       poll(server, pollTables[i % pollTables.size()],
                            std::chrono::milliseconds(settings.pollMs), until, polls[i]),
                       asio::detached);
    }
    loops.run();
    PhaseResult result;
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (const auto& mover : movers) result.moves.add(mover.moves);
    for (const auto& sample : polls) result.polls.add(sample);
    return result;
}

std::optional<Settings> parse(int argc, char** argv) {
    Settings s;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--server") {
            s.servers.push_back(value);
        } else if (name == "--tables") {
            s.tables = std::stoi(value);
        } else if (name == "--pollers") {
            s.pollers = std::stoi(value);
        } else if (name == "--poll-ms") {
            s.pollMs = std::stoi(value);
        } else if (name == "--seconds") {
            s.seconds = std::stoi(value);
        } else if (name == "--threads") {
            s.threads = std::stoi(value);
        } else if (name == "--anchor-rps") {
            s.anchorRps = std::stod(value);
        } else if (name == "--static") {
            s.staticServer = value;
        } else if (name == "--static-path") {
            s.staticPath = value;
        } else if (name == "--label") {
            s.label = value;
        } else {
            return std::nullopt;
        }
    }
    if (s.servers.empty() || s.tables < kMoversAtPollTables || s.pollers < 1 || s.pollMs < 1 ||
        s.seconds < 1 || s.threads < 1) {
        return std::nullopt;
    }
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const auto settings = parse(argc, argv);
    if (!settings) {
        std::cerr
            << "usage: pimra-server-load --server HOST:PORT [--server HOST:PORT]...\n"
               "  [--tables 64] [--pollers 64] [--poll-ms 20] [--seconds 10] [--threads 2]\n"
               "  [--anchor-rps NGINX_STATIC_RPS] [--static NGINX_HOST:PORT] [--static-path /f]\n"
               "  [--label NAME]\n";
        return 2;
    }
    std::vector<tcp::endpoint> servers;
    for (const auto& text : settings->servers) servers.push_back(parseEndpoint(text));

    std::vector<Player> players;
    try {
        players = playersOfThisRun("ld", static_cast<std::size_t>(2 * settings->tables), servers);
    } catch (const std::exception& error) {
        std::cerr << "pimra-server-load: setting up players failed: " << error.what() << '\n';
        return 1;
    }
    // Tables for the pollers: games in progress, as the clients at them see them.
    std::vector<std::string> pollTables;
    {
        asio::io_context io;
        asio::co_spawn(
            io,
            [&]() -> awaitable<void> {
                for (int t = 0; t < kMoversAtPollTables; ++t) {
                    const auto i = static_cast<std::size_t>(2 * t);
                    pollTables.push_back(co_await startGame(players[i], players[i + 1]));
                }
            },
            asio::detached);
        io.run();
    }

    double staticRps = 0;
    if (!settings->staticServer.empty()) {
        Loops loops(settings->threads);
        const auto start = Clock::now();
        const auto until = start + std::chrono::seconds(settings->seconds);
        std::vector<Sample> samples(static_cast<std::size_t>(settings->tables));
        for (auto& sample : samples) {
            asio::co_spawn(
                loops.next(),
                fetch(parseEndpoint(settings->staticServer), settings->staticPath, until, sample),
                asio::detached);
        }
        loops.run();
        Sample all;
        for (const auto& sample : samples) all.add(sample);
        staticRps = static_cast<double>(all.micros.size()) /
                    std::chrono::duration<double>(Clock::now() - start).count();
    }
    PhaseResult moves = runPhase(*settings, players, settings->tables, 0, pollTables);
    PhaseResult polls = runPhase(*settings, players, 0, settings->pollers, pollTables);
    PhaseResult mixed =
        runPhase(*settings, players, kMoversAtPollTables, settings->pollers, pollTables);

    const double movesPerSecond = static_cast<double>(moves.moves.micros.size()) / moves.seconds;
    const double pollP99 = polls.polls.percentile(0.99);
    const double mixedP99 = mixed.polls.percentile(0.99);
    const double anchor = settings->anchorRps;
    std::printf("\n%-44s %12s %10s\n", settings->label.c_str(), "figure", "ratio");
    if (anchor > 0)
        std::printf("%-44s %12.0f %10s\n", "nginx static req/s (anchor)", anchor, "1.00");
    if (staticRps > 0) {
        std::printf("%-44s %12.0f %10s\n", "nginx static req/s, this client", staticRps,
                    ratio(staticRps, anchor).c_str());
    }
    std::printf("%-44s %12.0f %10s\n",
                ("durable moves/s, " + std::to_string(settings->tables) + " tables").c_str(),
                movesPerSecond, ratio(movesPerSecond, anchor).c_str());
    if (staticRps > 0) {
        std::printf("%-44s %12s %10s\n", "  the same, to nginx through this client", "",
                    ratio(movesPerSecond, staticRps).c_str());
    }
    std::printf("%-44s %12.2f\n", "  move p50 ms", moves.moves.percentile(0.50));
    std::printf("%-44s %12.2f\n", "  move p99 ms", moves.moves.percentile(0.99));
    std::printf("%-44s %12.2f\n",
                ("poll p50 ms, " + std::to_string(settings->pollers) + " pollers alone").c_str(),
                polls.polls.percentile(0.50));
    std::printf("%-44s %12.2f\n", "poll p99 ms, alone", pollP99);
    std::printf("%-44s %12.2f\n", "poll p50 ms, 16 players moving", mixed.polls.percentile(0.50));
    std::printf("%-44s %12.2f %10s\n", "poll p99 ms, 16 players moving (ratio: to alone)", mixedP99,
                ratio(mixedP99, pollP99).c_str());
    std::printf("%-44s %12.0f\n", "  moves/s of the 16 players",
                static_cast<double>(mixed.moves.micros.size()) / mixed.seconds);
    std::printf("%-44s %12.0f\n", "  polls/s",
                static_cast<double>(mixed.polls.micros.size()) / mixed.seconds);
    std::printf("%-44s %12s\n", "refused or failed requests, by phase",
                (std::to_string(moves.moves.errors) + " / " + std::to_string(polls.polls.errors) +
                 " / " + std::to_string(mixed.moves.errors + mixed.polls.errors))
                    .c_str());
    return 0;
}
