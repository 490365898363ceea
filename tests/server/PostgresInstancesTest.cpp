// Real pimra-server processes on one PostgreSQL database: two of them behind the nginx front
// of deploy/nginx serve one game, one dies by SIGKILL in the middle; and a server, then the
// database, killed while moves and registrations run lose nothing they acknowledged.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "FreePort.h"
#include "PostgresTestCluster.h"
#include "SocketClient.h"
#include "TestServer.h"
#include "core/Position.h"
#include "server/TableRules.h"

namespace pimra::server::test {
namespace {

namespace fs = std::filesystem;

// A member of a reply as text; empty for no reply (the server is gone) or a missing member.
std::string text(const nlohmann::json& reply, const char* name) {
    if (!reply.is_object()) return "";
    const auto it = reply.find(name);
    return it != reply.end() && it->is_string() ? it->get<std::string>() : "";
}

// pimra-server on a free port over a database; its error output is read all along, so that it
// never blocks on a full pipe.
class ServerProcess {
  public:
    explicit ServerProcess(const std::string& db) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(pipeFds[1], STDERR_FILENO);
            ::close(pipeFds[0]);
            ::execl(PIMRA_SERVER_PATH, PIMRA_SERVER_PATH, "--port", "0", "--db", db.c_str(),
                    "--trust-proxy", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        stderr_ = ::fdopen(pipeFds[0], "r");
        char line[1024];
        const std::string listening = "listening on http://127.0.0.1:";
        while (std::fgets(line, sizeof(line), stderr_)) {
            const std::string text = line;
            output_ += text;
            if (const auto at = text.find(listening); at != std::string::npos) {
                port_ = std::stoi(text.substr(at + listening.size()));
                break;
            }
        }
        reader_ = std::thread([this] {
            char more[1024];
            while (std::fgets(more, sizeof(more), stderr_)) {
                std::lock_guard lock(mutex_);
                output_ += more;
            }
        });
    }
    ~ServerProcess() {
        if (pid_ > 0) kill();
        if (reader_.joinable()) reader_.join();
        if (stderr_) std::fclose(stderr_);
    }
    int port() const { return port_; }
    void kill() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    std::string output() {
        std::lock_guard lock(mutex_);
        return output_;
    }

  private:
    pid_t pid_ = -1;
    int port_ = 0;
    FILE* stderr_ = nullptr;
    std::thread reader_;
    std::mutex mutex_;
    std::string output_;
};

// The shipped front for several instances, on a free loopback port, plain http.
class ClusterFront {
  public:
    ClusterFront(const fs::path& work, const std::vector<int>& upstreams) : work_(work) {
        for (int attempt = 0; attempt < 3 && port_ < 0; ++attempt) {
            const int port = freePort();
            // A test plays far faster than people do: the limit per address is lifted.
            std::string command = "bash " PIMRA_SOURCE_DIR
                                  "/deploy/nginx/start-cluster.sh --rate 10000r/s --burst 100000 "
                                  "127.0.0.1:" +
                                  std::to_string(port) + " " + work_.string();
            for (const int upstream : upstreams)
                command += " 127.0.0.1:" + std::to_string(upstream);
            command += " >" + (work_ / "start.log").string() + " 2>&1";
            fs::create_directories(work_);
            if (std::system(command.c_str()) == 0 && waitForListener(port)) port_ = port;
        }
    }
    ~ClusterFront() {
        std::ifstream pidFile(work_ / "nginx.pid");
        pid_t pid = 0;
        if (pidFile >> pid && pid > 0) ::kill(pid, SIGTERM);
    }
    int port() const { return port_; }
    std::string log() const { return fileText(work_ / "start.log"); }
    std::string errors() const { return fileText(work_ / "error.log"); }

  private:
    static std::string fileText(const fs::path& path) {
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    static int freePort() { return pimra::test::freeLoopbackPort(); }
    // nginx runs as a daemon: its port is polled until it answers, for about five seconds.
    static bool waitForListener(int port) {
        for (int i = 0; i < 500; ++i) {
            if (RawSocket(port).connected()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    fs::path work_;
    int port_ = -1;
};

// A player of the real protocol: logs in through one address and keeps its session.
struct Player {
    std::string login;
    std::string sid;
    std::string code;
    int port = 0;
    nlohmann::json engine(const Lines& lines) const { return Client(port).engine(lines); }
    nlohmann::json move(const std::string& table, int pit) const {
        return engine({{"action", "move"},
                       {"sid", sid},
                       {"code", code},
                       {"tableid", table},
                       {"move", std::to_string(pit)}});
    }
    nlohmann::json getTable(const std::string& table) const {
        return engine({{"action", "gettable"}, {"appid", "pimra"}, {"tableid", table}});
    }
};

// The registration page as a browser behind the front fills it in, from `address`.
bool registerAt(int port, const std::string& login, const std::string& address) {
    const auto form = httpRequest(port, "GET", "/ru/reg", "", "X-Real-IP: " + address + "\r\n");
    if (!form || form->status != 200) return false;
    const std::string cookie = form->header("Set-Cookie");
    const std::string token =
        cookie.substr(cookie.find('=') + 1, cookie.find(';') - cookie.find('=') - 1);
    const auto done = httpRequest(
        port, "POST", "/ru/reg",
        "csrf=" + formValue(token) + "&login=" + formValue(login) + "&password=pw&repeat=pw",
        "Cookie: pimra_csrf=" + token + "\r\nX-Real-IP: " + address + "\r\n",
        "application/x-www-form-urlencoded");
    return done && done->status == 200 && done->body.find("успешно") != std::string::npos;
}

Player logIn(int port, const std::string& login) {
    const auto reply =
        Client(port).engine({{"action", "login"}, {"login", login}, {"pass", clientDigest("pw")}});
    return {login, text(reply, "sid"), text(reply, "code"), port};
}

// Both players seated and ready at a new table of the first one; gives its number.
std::string startGame(const Player& one, const Player& two) {
    const std::string table = text(one.engine({{"action", "newtable"},
                                               {"gameid", "1"},
                                               {"sid", one.sid},
                                               {"code", one.code},
                                               {"timelimit", "7200"},
                                               {"bonus", "0"}}),
                                   "ind");
    two.engine({{"action", "regtable"}, {"tableid", table}, {"sid", two.sid}, {"code", two.code}});
    for (const Player* who : {&one, &two}) {
        who->engine(
            {{"action", "ready"}, {"sid", who->sid}, {"code", who->code}, {"tableid", table}});
    }
    return table;
}

// The first non-empty pit of the player to move in a table's state; 0 once the game is over.
int nextPit(const nlohmann::json& state) {
    if (text(state, "result") != "0") return 0;
    const auto position = parsePosition(text(state, "position"));
    if (!position) return 0;
    const Side seat =
        text(state, "activelogin") == text(state, "login1") ? Side::Bottom : Side::Top;
    const int first = Position::firstPitOf(seat);
    for (int pit = first; pit < first + 6; ++pit) {
        if ((*position)[pit] > 0) return pit;
    }
    return 0;
}

class PostgresInstancesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        database_ = std::make_unique<PgTestDatabase>(postgresCluster().socketUri("postgres"));
        dir_ = fs::temp_directory_path() / ("pimra-pg-instances-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::unique_ptr<PgTestDatabase> database_;
    fs::path dir_;
};

TEST_F(PostgresInstancesTest, TwoInstancesServeOneGameAndTheSurvivorFinishesItBehindTheFront) {
    auto a = std::make_unique<ServerProcess>(database_->uri());
    ServerProcess b(database_->uri());
    ASSERT_GT(a->port(), 0) << a->output();
    ASSERT_GT(b.port(), 0) << b.output();
    ClusterFront front(dir_ / "nginx", {a->port(), b.port()});
    if (front.port() < 0) GTEST_SKIP() << "nginx does not start here:\n" << front.log();

    // Each player registers, logs in and plays through an instance of his own.
    ASSERT_TRUE(registerAt(a->port(), "north", "10.0.0.1"));
    ASSERT_TRUE(registerAt(b.port(), "south", "10.0.0.2"));
    Player north = logIn(a->port(), "north");
    Player south = logIn(b.port(), "south");
    ASSERT_FALSE(north.sid.empty());
    ASSERT_FALSE(south.sid.empty());
    const std::string table = startGame(north, south);
    ASSERT_FALSE(table.empty());

    int moves = 0;
    const ClusterFront* seen = nullptr;
    const auto play = [&](int upTo) {
        while (moves < upTo) {
            const nlohmann::json state = north.getTable(table);
            const Player& mover = text(state, "activelogin") == "north" ? north : south;
            // The mover reads the table through his own address before he moves.
            const nlohmann::json seenByMover = mover.getTable(table);
            ASSERT_TRUE(seenByMover.is_object()) << (seen ? seen->errors() : "");
            const int pit = nextPit(seenByMover);
            if (pit == 0) return;
            ASSERT_EQ(text(mover.move(table, pit), "response"), "Success")
                << "move " << moves + 1 << (seen ? seen->errors() : "");
            ++moves;
        }
    };
    play(10);
    ASSERT_EQ(moves, 10);
    // Each sees the other's moves at once, from another process.
    EXPECT_EQ(text(south.getTable(table), "lastrecord"), "10");

    a->kill();
    // From now on both go through the front, which finds instance A gone and keeps to B.
    seen = &front;
    north.port = front.port();
    south.port = front.port();
    play(400);
    const nlohmann::json end = north.getTable(table);
    EXPECT_NE(text(end, "result"), "0") << end;
    EXPECT_NE(text(end, "result"), "") << end;
    EXPECT_EQ(text(end, "lastrecord"), std::to_string(moves));
    const auto position = parsePosition(text(end, "position"));
    ASSERT_TRUE(position);
    EXPECT_EQ(position->total(), 72);
    // The session north got from the dead instance goes on working on the other.
    EXPECT_EQ(text(north.move(table, 1), "response"), "Партия завершена");
}

TEST_F(PostgresInstancesTest, AMoveOnOneInstanceReachesAWatcherOnAnotherThroughTheFront) {
    ServerProcess a(database_->uri());
    ServerProcess b(database_->uri());
    ASSERT_GT(a.port(), 0) << a.output();
    ASSERT_GT(b.port(), 0) << b.output();
    ClusterFront front(dir_ / "nginx", {a.port(), b.port()});
    if (front.port() < 0) GTEST_SKIP() << "nginx does not start here:\n" << front.log();
    ASSERT_TRUE(registerAt(a.port(), "north", "10.0.0.1"));
    ASSERT_TRUE(registerAt(b.port(), "south", "10.0.0.2"));
    Player north = logIn(a.port(), "north");
    Player south = logIn(b.port(), "south");
    const std::string table = startGame(north, south);
    ASSERT_FALSE(table.empty());

    // The watcher lands on either instance; each player moves on his own, so moves from both
    // instances reach it, one of them from the other process.
    SocketClient watcher(front.port());
    ASSERT_TRUE(watcher.open()) << watcher.status() << front.errors();
    ASSERT_EQ(text(watcher.watch(table), "response"), "Success");
    std::set<int> moversPorts;
    for (int moves = 1; moves <= 20 && moversPorts.size() < 2; ++moves) {
        const nlohmann::json state = north.getTable(table);
        const Player& mover = text(state, "activelogin") == "north" ? north : south;
        const int pit = nextPit(state);
        ASSERT_GT(pit, 0) << state;
        ASSERT_EQ(text(mover.move(table, pit), "response"), "Success");
        moversPorts.insert(mover.port);
        std::optional<nlohmann::json> event;
        do {
            event = watcher.event();
        } while (event && text(*event, "lastrecord") != std::to_string(moves));
        ASSERT_TRUE(event) << "move " << moves << " made on port " << mover.port;
        EXPECT_EQ(text(*event, "tableid"), table);
    }
    EXPECT_EQ(moversPorts.size(), 2u);
}

TEST_F(PostgresInstancesTest, KillingTheServerThenTheDatabaseLosesNothingAcknowledged) {
    auto server = std::make_unique<ServerProcess>(database_->uri());
    ASSERT_GT(server->port(), 0) << server->output();
    const int port = server->port();
    constexpr int kGames = 3;
    std::vector<std::pair<Player, Player>> pairs;
    std::vector<std::string> tables;
    for (int g = 0; g < kGames; ++g) {
        const std::string one = "one" + std::to_string(g), two = "two" + std::to_string(g);
        ASSERT_TRUE(registerAt(port, one, "10.1.0." + std::to_string(g)));
        ASSERT_TRUE(registerAt(port, two, "10.2.0." + std::to_string(g)));
        pairs.emplace_back(logIn(port, one), logIn(port, two));
        tables.push_back(startGame(pairs.back().first, pairs.back().second));
    }

    std::mutex mutex;
    std::map<std::string, int> acknowledgedMoves;
    std::set<std::string> acknowledgedLogins;
    std::condition_variable progress;
    std::atomic<bool> down{false};
    int acknowledged = 0;
    std::vector<std::thread> workers;
    for (int g = 0; g < kGames; ++g) {
        workers.emplace_back([&, g] {
            const auto& [one, two] = pairs[static_cast<std::size_t>(g)];
            const std::string& table = tables[static_cast<std::size_t>(g)];
            while (!down) {
                const nlohmann::json state = one.getTable(table);
                const Player& mover = text(state, "activelogin") == one.login ? one : two;
                const int pit = nextPit(state);
                if (pit == 0) return;  // the game is over, or the server is gone
                if (text(mover.move(table, pit), "response") != "Success") return;
                std::lock_guard lock(mutex);
                ++acknowledgedMoves[table];
                ++acknowledged;
                progress.notify_all();
            }
        });
    }
    workers.emplace_back([&] {
        for (int i = 0; !down; ++i) {
            const std::string login = "new" + std::to_string(i);
            if (!registerAt(port, login,
                            "10.3." + std::to_string(i / 200) + "." + std::to_string(i % 200))) {
                return;
            }
            std::lock_guard lock(mutex);
            acknowledgedLogins.insert(login);
            ++acknowledged;
            progress.notify_all();
        }
    });
    // Killed while requests run, once a good number has been acknowledged, registrations
    // among them: hashing runs at a low priority, so on a busy machine moves come first.
    {
        std::unique_lock lock(mutex);
        progress.wait_for(lock, std::chrono::seconds(60),
                          [&] { return acknowledged >= 60 && !acknowledgedLogins.empty(); });
    }
    server->kill();
    down = true;
    for (auto& worker : workers) worker.join();
    ASSERT_GE(acknowledged, 20) << server->output();
    EXPECT_FALSE(acknowledgedLogins.empty());

    std::string error;
    ASSERT_TRUE(postgresCluster().crashAndRestart(error)) << error;

    ServerProcess again(database_->uri());
    ASSERT_GT(again.port(), 0) << again.output();
    for (const auto& [table, moves] : acknowledgedMoves) {
        const auto state = Player{"", "", "", again.port()}.getTable(table);
        // A move may have landed without its answer; none that was answered is missing.
        EXPECT_GE(std::stoi("0" + text(state, "lastrecord")), moves) << table;
    }
    for (const std::string& login : acknowledgedLogins) {
        EXPECT_FALSE(logIn(again.port(), login).sid.empty()) << login;
    }
}

}  // namespace
}  // namespace pimra::server::test
