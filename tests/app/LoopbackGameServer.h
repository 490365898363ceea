#pragma once

#include <string>
#include <thread>

#include "server/Accounts.h"
#include "server/Clock.h"
#include "server/Credentials.h"
#include "server/Engine.h"
#include "server/HttpServer.h"
#include "server/SqliteStore.h"

namespace pimra::test {

// The real game server on a loopback port, in this process, with a clock the test turns.
// A port of 0 picks a free one; giving the old port back restarts the server where it was.
// Without the game socket it answers as servers before it did, and the clients poll.
class LoopbackGameServer {
  public:
    enum class Socket { Off, On };

    LoopbackGameServer(const std::string& dbPath, server::ManualClock& clock, int port = 0,
                       Socket socket = Socket::Off)
        : store_(dbPath),
          hasher_(server::PasswordHasher::Strength::Minimum),
          accounts_(store_, clock, hasher_),
          engine_(store_, clock, accounts_),
          http_(engine_, accounts_, store_, limitsWith(socket)) {
        port_ = http_.bind("127.0.0.1", port);
        if (port_ > 0) {
            thread_ = std::thread([this] { http_.run(); });
            http_.waitUntilReady();
        }
    }
    ~LoopbackGameServer() {
        if (thread_.joinable()) {
            http_.stop();
            thread_.join();
        }
    }
    LoopbackGameServer(const LoopbackGameServer&) = delete;
    LoopbackGameServer& operator=(const LoopbackGameServer&) = delete;

    int port() const { return port_; }
    // What the archive keeps of a finished game.
    server::GameOutcome outcomeOf(int tableId) {
        server::GameOutcome outcome;
        store_.read([&](server::StoreTransaction& tx) {
            outcome = tx.findGameOutcome(tableId).value_or(outcome);
        });
        return outcome;
    }
    bool registerAccount(const std::string& login, const std::string& password) {
        return accounts_.registerAccount(login, password, password) ==
               server::RegistrationError::None;
    }

  private:
    static server::HttpLimits limitsWith(Socket socket) {
        server::HttpLimits limits;
        limits.gameSocket = socket == Socket::On;
        return limits;
    }

    server::SqliteStore store_;
    server::PasswordHasher hasher_;
    server::Accounts accounts_;
    server::Engine engine_;
    server::HttpServer http_;
    int port_ = -1;
    std::thread thread_;
};

}  // namespace pimra::test
