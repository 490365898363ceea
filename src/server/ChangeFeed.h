#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "net/SocketMessages.h"

namespace pimra::server {

// A committed change of a table, as its watchers are told of it. Table id "0" (the lobby's)
// stands for a change of the list alone: tables expired, which ones is not known.
struct TableChange {
    net::TableEvent event;
    // Whether the lobby's list shows it: a table opened or gone, a seat taken or left, a game
    // started or ended.
    bool listChanged = false;
    // While the game runs: how long after the change the clock of the seat to move runs out
    // (its grace included), so that a watched game lost on time is settled without a poll.
    std::optional<std::int64_t> runsOutInMs;
};

// Carries committed changes to everyone who watches, on this instance alone (SQLite) or on
// every instance sharing the database (PostgreSQL).
class ChangeFeed {
  public:
    using Listener = std::function<void(const TableChange&)>;
    // Changes may have been missed (a lost database connection): every watched table is to be
    // announced again.
    using Resync = std::function<void()>;

    virtual ~ChangeFeed() = default;
    // Called once the change is durable; never blocks on the network.
    virtual void publish(const TableChange& change) = 0;
    // Set once, before the first publish; called on any thread.
    virtual void listen(Listener onChange, Resync onResync) = 0;
};

}  // namespace pimra::server
