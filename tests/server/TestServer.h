#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "PgCluster.h"
#include "RawHttp.h"
#include "SocketClient.h"
#include "net/FormEncoding.h"
#include "net/Md5.h"
#include "server/Accounts.h"
#include "server/Clock.h"
#include "server/Credentials.h"
#include "server/Engine.h"
#include "server/HttpServer.h"
#include "server/PostgresStore.h"
#include "server/SqliteStore.h"

namespace pimra::server::test {

using Lines = std::vector<std::pair<std::string, std::string>>;

// The body exactly as the desktop client builds it from UTF-8 lines.
inline std::string clientBody(const Lines& lines) {
    net::Request request;
    for (const auto& [name, value] : lines) request.push_back({name, value});
    return net::EncodeForm(request);
}

// The MD5 the client sends for a password typed in Windows-1251.
inline std::string clientDigest(const std::string& password) {
    return net::MD5Hex(password);
}

// A SQLite file, or a PostgreSQL database for a connection URI.
inline std::unique_ptr<Store> openStore(const std::string& db) {
    if (PostgresStore::isConnectionUri(db)) return std::make_unique<PostgresStore>(db);
    return std::make_unique<SqliteStore>(db);
}

// A complete server on a free loopback port, over a store file or database, with a clock the
// test turns.
class ServerInstance {
  public:
    ServerInstance(const std::string& db, ManualClock& clock, AccountLimits limits = {},
                   EngineSettings settings = {}, HttpLimits httpLimits = {})
        : store_(openStore(db)),
          hasher_(PasswordHasher::Strength::Minimum),
          accounts_(*store_, clock, hasher_, limits),
          engine_(*store_, clock, accounts_, settings),
          http_(engine_, accounts_, *store_, httpLimits) {
        port_ = http_.bind("127.0.0.1", 0);
        thread_ = std::thread([this] { http_.run(); });
        http_.waitUntilReady();
    }
    ~ServerInstance() {
        http_.stop();
        thread_.join();
    }
    int port() const { return port_; }
    Accounts& accounts() { return accounts_; }
    Store& store() { return *store_; }

  private:
    std::unique_ptr<Store> store_;
    PasswordHasher hasher_;
    Accounts accounts_;
    Engine engine_;
    HttpServer http_;
    int port_ = -1;
    std::thread thread_;
};

// A fresh connection per request, as the client makes them; or, given a game socket, the
// engine's actions over it.
class Client {
  public:
    explicit Client(int port, SocketClient* socket = nullptr) : port_(port), socket_(socket) {}

    std::optional<HttpReply> postRaw(const std::string& path, const std::string& body,
                                     const std::string& type = "application/x-www-form-urlencoded",
                                     const std::string& extraHeaders = "") {
        return httpRequest(port_, "POST", path, body, extraHeaders, type);
    }
    std::optional<HttpReply> get(const std::string& path) {
        return httpRequest(port_, "GET", path);
    }
    nlohmann::json engine(const Lines& lines) {
        return socket_ ? socket_->request(lines) : engineBody(clientBody(lines));
    }
    nlohmann::json engineBody(const std::string& body) {
        auto result = postRaw("/engine/", body);
        if (!result || result->status != 200) return nlohmann::json();
        return nlohmann::json::parse(result->body);
    }
    // The registration form filled in as a browser does: its token and cookie go back with it.
    std::optional<HttpReply> registration(const std::string& login, const std::string& password,
                                          const std::string& repeat,
                                          const std::string& page = "/ru/reg") {
        const auto form = get(page);
        if (!form) return std::nullopt;
        const std::string cookie = form->header("Set-Cookie");
        const std::string token =
            cookie.substr(cookie.find('=') + 1, cookie.find(';') - cookie.find('=') - 1);
        return postRaw(page,
                       "csrf=" + formValue(token) + "&login=" + formValue(login) +
                           "&password=" + formValue(password) + "&repeat=" + formValue(repeat),
                       "application/x-www-form-urlencoded", "Cookie: pimra_csrf=" + token + "\r\n");
    }

  private:
    int port_;
    SocketClient* socket_;
};

struct Login {
    std::string login;
    std::string sid;
    std::string code;
};

class ServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("pimra-server-test-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        // With PIMRA_TEST_DB the same tests run against a fresh PostgreSQL database each.
        if (const std::string server = testDatabaseServer(); !server.empty()) {
            database_ = std::make_unique<PgTestDatabase>(server);
        }
        // With PIMRA_TEST_SOCKET the actions go over game sockets instead of POST.
        overSocket_ = std::getenv("PIMRA_TEST_SOCKET") != nullptr;
        if (overSocket_) {
            httpLimits_.socketRequestsPerSecond = 1e6;
            httpLimits_.socketRequestBurst = 1'000'000;
            // The suites' oversized forms reach the same checks as by POST, not the frame bound.
            httpLimits_.maxFrameBytes = 2 * httpLimits_.maxBodyBytes;
        }
        start();
    }
    void TearDown() override {
        sockets_.clear();
        server_.reset();
        database_.reset();
        std::filesystem::remove_all(dir_);
    }
    void start() {
        server_ =
            std::make_unique<ServerInstance>(dbPath(), clock_, limits_, settings_, httpLimits_);
    }
    void restart() {
        sockets_.clear();
        server_.reset();
        start();
    }
    // The test's store: a file in its folder, or its PostgreSQL database.
    std::string dbPath() const {
        return database_ ? database_->uri() : (dir_ / "server.db").string();
    }
    // Over the socket, each thread of the test has one of its own, as each client would.
    Client client() {
        if (!overSocket_) return Client(server_->port());
        std::lock_guard lock(socketsMutex_);
        auto& socket = sockets_[std::this_thread::get_id()];
        if (!socket) socket = std::make_unique<SocketClient>(server_->port());
        return Client(server_->port(), socket.get());
    }

    nlohmann::json logIn(const std::string& login, const std::string& password) {
        return client().engine(
            {{"action", "login"}, {"login", login}, {"pass", clientDigest(password)}});
    }
    nlohmann::json leave(const Login& who, const std::string& table) {
        return client().engine(
            {{"action", "leave"}, {"sid", who.sid}, {"code", who.code}, {"tableid", table}});
    }
    nlohmann::json tableList() {
        return client().engine({{"action", "tablelist"}, {"gameid", "1"}});
    }

    Login account(const std::string& login, const std::string& password = "secret") {
        server_->accounts().registerAccount(login, password, password);
        const auto reply = client().engine(
            {{"action", "login"}, {"login", login}, {"pass", clientDigest(password)}});
        return Login{login, reply.value("sid", ""), reply.value("code", "")};
    }
    nlohmann::json newTable(const Login& who, int timeLimit = 300, int bonus = 3) {
        return client().engine({{"action", "newtable"},
                                {"gameid", "1"},
                                {"sid", who.sid},
                                {"code", who.code},
                                {"timelimit", std::to_string(timeLimit)},
                                {"bonus", std::to_string(bonus)}});
    }
    nlohmann::json regTable(const Login& who, const std::string& table) {
        return client().engine(
            {{"action", "regtable"}, {"tableid", table}, {"sid", who.sid}, {"code", who.code}});
    }
    nlohmann::json ready(const Login& who, const std::string& table) {
        return client().engine(
            {{"action", "ready"}, {"sid", who.sid}, {"code", who.code}, {"tableid", table}});
    }
    nlohmann::json move(const Login& who, const std::string& table, int pit) {
        return client().engine({{"action", "move"},
                                {"sid", who.sid},
                                {"code", who.code},
                                {"tableid", table},
                                {"move", std::to_string(pit)}});
    }
    nlohmann::json getTable(const std::string& table) {
        return client().engine({{"action", "gettable"}, {"appid", "pimra"}, {"tableid", table}});
    }
    nlohmann::json nextRecord(const std::string& table, int ind) {
        return client().engine({{"action", "nextrecord"},
                                {"appid", "pimra"},
                                {"ind", std::to_string(ind)},
                                {"side", "0"},
                                {"tableid", table}});
    }
    // Two players seated and ready at a new table; gives the table number.
    std::string startedGame(const Login& a, const Login& b, int timeLimit = 300, int bonus = 3) {
        const std::string table = newTable(a, timeLimit, bonus).value("ind", "");
        regTable(b, table);
        ready(a, table);
        ready(b, table);
        return table;
    }

    ManualClock clock_;
    AccountLimits limits_;
    EngineSettings settings_;
    HttpLimits httpLimits_;
    std::filesystem::path dir_;
    std::unique_ptr<PgTestDatabase> database_;
    std::unique_ptr<ServerInstance> server_;
    bool overSocket_ = false;
    std::mutex socketsMutex_;
    std::map<std::thread::id, std::unique_ptr<SocketClient>> sockets_;
};

}  // namespace pimra::server::test
