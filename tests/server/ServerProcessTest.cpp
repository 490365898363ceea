#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TestServer.h"
#include "core/Move.h"

namespace {

// The real pimra-server program, started with a free port; stopped by a signal.
class ServerProcess {
  public:
    explicit ServerProcess(const std::string& db, bool trustProxy = false) {
        int pipeFds[2];
        EXPECT_EQ(::pipe(pipeFds), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(pipeFds[1], STDERR_FILENO);
            ::close(pipeFds[0]);
            ::execl(PIMRA_SERVER_PATH, PIMRA_SERVER_PATH, "--port", "0", "--db", db.c_str(),
                    trustProxy ? "--trust-proxy" : static_cast<char*>(nullptr),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        stderr_ = ::fdopen(pipeFds[0], "r");
        char line[512];
        const std::string listening = "listening on http://127.0.0.1:";
        while (std::fgets(line, sizeof(line), stderr_)) {
            const std::string text = line;
            if (const auto at = text.find(listening); at != std::string::npos) {
                port_ = std::stoi(text.substr(at + listening.size()));
                break;
            }
        }
    }
    ~ServerProcess() {
        if (pid_ > 0) stop(SIGKILL);
        if (stderr_) std::fclose(stderr_);
    }
    int port() const { return port_; }
    // The exit status after the signal.
    int stop(int signal) {
        ::kill(pid_, signal);
        int status = -1;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

  private:
    pid_t pid_ = -1;
    int port_ = 0;
    FILE* stderr_ = nullptr;
};

TEST(ServerProcess, StopsCleanlyOnSigintAndSigtermAndKeepsAccounts) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("pimra-process-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string db = (dir / "server.db").string();
    {
        ServerProcess server(db);
        ASSERT_GT(server.port(), 0);
        const auto done = pimra::server::test::Client(server.port()).registration("ann", "p", "p");
        ASSERT_TRUE(done);
        EXPECT_NE(done->body.find("успешно"), std::string::npos);
        const int status = server.stop(SIGINT);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    {
        ServerProcess server(db);
        ASSERT_GT(server.port(), 0);
        // MD5 of "p".
        const auto login =
            pimra::server::test::Client(server.port())
                .postRaw("/engine/",
                         "action=login&login=ann&pass=83878c91171338902e0fe0fb97a8c47a&");
        ASSERT_TRUE(login);
        EXPECT_NE(login->body.find("\"response\":\"Success\""), std::string::npos);
        const int status = server.stop(SIGTERM);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    std::filesystem::remove_all(dir);
}

using pimra::server::test::Client;
using pimra::server::test::Login;

// The registration form sent as from `address` (the server trusts X-Real-IP from loopback), so
// that the limit on registrations per address does not stop the test. True when the page
// reports the account made.
bool registerFrom(int port, const std::string& login, const std::string& address) {
    using pimra::server::test::formValue;
    const auto form = pimra::server::test::httpRequest(port, "GET", "/ru/reg");
    if (!form) return false;
    const std::string cookie = form->header("Set-Cookie");
    const std::string token =
        cookie.substr(cookie.find('=') + 1, cookie.find(';') - cookie.find('=') - 1);
    const auto done = pimra::server::test::httpRequest(
        port, "POST", "/ru/reg",
        "csrf=" + formValue(token) + "&login=" + login + "&password=p&repeat=p",
        "Cookie: pimra_csrf=" + token + "\r\nX-Real-IP: " + address + "\r\n");
    return done && done->body.find("успешно") != std::string::npos;
}

std::optional<Login> logIn(int port, const std::string& login) {
    const auto reply = Client(port).engine(
        {{"action", "login"}, {"login", login}, {"pass", pimra::server::test::clientDigest("p")}});
    if (reply.value("response", "") != "Success") return std::nullopt;
    return Login{login, reply.value("sid", ""), reply.value("code", "")};
}

nlohmann::json act(int port, const Login& who, const std::string& action,
                   pimra::server::test::Lines more) {
    pimra::server::test::Lines lines = {{"action", action}, {"sid", who.sid}, {"code", who.code}};
    lines.insert(lines.end(), more.begin(), more.end());
    return Client(port).engine(lines);
}

bool succeeded(const nlohmann::json& reply) {
    return reply.is_object() && reply.value("response", "") == "Success";
}

// One game played as fast as the server answers, each side a random pit of its own row;
// `played` holds the pits that the server acknowledged, in order.
struct GameDriver {
    Login seat1;
    Login seat2;
    std::string table;
    std::vector<int> played;

    void run(int port, std::atomic<int>& acknowledged) {
        pimra::Position position = pimra::Position::start();
        pimra::Side side = pimra::Side::Bottom;
        for (unsigned turn = 0;; ++turn) {
            const int first = pimra::Position::firstPitOf(side);
            int pit = 0;
            for (int i = 0; i < 6 && pit == 0; ++i) {
                const int candidate =
                    first + static_cast<int>((turn + static_cast<unsigned>(i)) % 6);
                if (position[candidate] > 0) pit = candidate;
            }
            if (pit == 0) return;
            const auto reply = act(port, side == pimra::Side::Bottom ? seat1 : seat2, "move",
                                   {{"tableid", table}, {"move", std::to_string(pit)}});
            if (!succeeded(reply)) return;  // the server is gone, or the game is over
            played.push_back(pit);
            ++acknowledged;
            const auto result = pimra::playMove(position, side, pit);
            position = result.position;
            side = result.sideToMove;
            if (result.gameOver) return;
        }
    }
};

TEST(ServerProcess, KillNineWhileMovesAndRegistrationsRunLosesNothingAcknowledged) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("pimra-kill-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string db = (dir / "server.db").string();
    auto server = std::make_unique<ServerProcess>(db, true);
    const int port = server->port();
    ASSERT_GT(port, 0);

    constexpr int kTables = 3;
    std::vector<GameDriver> games(kTables);
    for (int t = 0; t < kTables; ++t) {
        std::optional<Login> players[2];
        for (int s = 0; s < 2; ++s) {
            const std::string login = "seat" + std::to_string(t) + "x" + std::to_string(s);
            ASSERT_TRUE(registerFrom(port, login,
                                     "10.1." + std::to_string(t) + "." + std::to_string(s + 1)));
            players[s] = logIn(port, login);
            ASSERT_TRUE(players[s]);
        }
        GameDriver& game = games[static_cast<std::size_t>(t)];
        game.seat1 = *players[0];
        game.seat2 = *players[1];
        const auto table = act(port, game.seat1, "newtable",
                               {{"gameid", "1"}, {"timelimit", "7200"}, {"bonus", "0"}});
        game.table = table.value("ind", "");
        ASSERT_TRUE(succeeded(act(port, game.seat2, "regtable", {{"tableid", game.table}})));
        ASSERT_TRUE(succeeded(act(port, game.seat1, "ready", {{"tableid", game.table}})));
        ASSERT_TRUE(succeeded(act(port, game.seat2, "ready", {{"tableid", game.table}})));
    }

    std::atomic<int> moves{0};
    std::atomic<int> registrations{0};
    std::mutex registeredMutex;
    std::vector<std::string> registered;
    std::vector<std::thread> threads;
    for (auto& game : games) threads.emplace_back([&] { game.run(port, moves); });
    for (int r = 0; r < 2; ++r) {
        threads.emplace_back([&, r] {
            for (int i = 0;; ++i) {
                const std::string login = "new" + std::to_string(r) + "x" + std::to_string(i);
                if (!registerFrom(
                        port, login,
                        "10.2." + std::to_string(r) + "." + std::to_string(i % 250 + 1))) {
                    return;
                }
                std::lock_guard lock(registeredMutex);
                registered.push_back(login);
                ++registrations;
            }
        });
    }
    // Killed while both kinds of change are under way.
    while (moves < 20 || registrations < 2) std::this_thread::yield();
    const int status = server->stop(SIGKILL);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    for (auto& thread : threads) thread.join();

    server = std::make_unique<ServerProcess>(db, true);
    const int again = server->port();
    ASSERT_GT(again, 0);
    for (const auto& game : games) {
        const auto state = Client(again).engine(
            {{"action", "gettable"}, {"appid", "pimra"}, {"tableid", game.table}});
        ASSERT_TRUE(succeeded(state));
        const int last = std::stoi(state.value("lastrecord", "-1"));
        // Every acknowledged move is kept; at most the one in flight was kept unanswered.
        EXPECT_GE(last, static_cast<int>(game.played.size()));
        EXPECT_LE(last, static_cast<int>(game.played.size()) + 1);
        for (std::size_t i = 0; i < game.played.size(); ++i) {
            const auto record = Client(again).engine({{"action", "nextrecord"},
                                                      {"appid", "pimra"},
                                                      {"ind", std::to_string(i)},
                                                      {"side", "0"},
                                                      {"tableid", game.table}});
            EXPECT_EQ(record.value("move", ""), std::to_string(game.played[i])) << i;
        }
    }
    for (const auto& login : registered) EXPECT_TRUE(logIn(again, login)) << login;
    server.reset();
    std::filesystem::remove_all(dir);
}

}  // namespace
