#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/steady_timer.hpp>

#include "ChangeFeed.h"
#include "Engine.h"

namespace pimra::server {

// Whoever is told of the changes of the tables it watches: a game socket.
class TableWatcher {
  public:
    // One text frame, shared by every watcher it goes to.
    virtual void deliver(const std::shared_ptr<const std::string>& message) = 0;

  protected:
    ~TableWatcher() = default;
};

// Who watches which table on this instance, and what they are told: each committed change of
// a table goes to its watchers, written once for all of them; the lobby's watchers hear that
// the list changed at most once a `lobbyInterval`, the last change never lost. A watched game
// whose clock runs out is settled at that time, so that its watchers see the result without a
// poll. On the network thread only.
class SocketWatchers {
  public:
    // Asks the engine about a table off the network thread; `done` runs back on it.
    using CheckClock =
        std::function<void(std::int64_t tableId, std::function<void(Engine::ClockCheck)> done)>;

    SocketWatchers(boost::asio::any_io_executor executor, CheckClock checkClock,
                   std::chrono::milliseconds lobbyInterval, std::chrono::milliseconds clockRecheck);
    SocketWatchers(const SocketWatchers&) = delete;
    SocketWatchers& operator=(const SocketWatchers&) = delete;

    // `tableId` is a table's number as the events write it, or "0" for the lobby.
    void add(const std::string& tableId, TableWatcher& watcher);
    void remove(const std::string& tableId, TableWatcher& watcher);
    void onChange(const TableChange& change);
    // Changes may have been missed: every watched table is told how it stands now.
    void resync();
    // Settles the table's game once its clock has run out, `runsOutInMs` from now.
    void watchClock(const std::string& tableId, std::optional<std::int64_t> runsOutInMs);

  private:
    struct Watched {
        std::vector<TableWatcher*> watchers;
        std::unique_ptr<boost::asio::steady_timer> clock;
    };
    void deliver(const std::string& tableId, const std::shared_ptr<const std::string>& message);
    void listChanged();
    void tellLobby();
    void checkClock(const std::string& tableId, bool tell);

    boost::asio::any_io_executor executor_;
    CheckClock checkClock_;
    std::chrono::milliseconds lobbyInterval_;
    std::chrono::milliseconds clockRecheck_;
    std::unordered_map<std::string, Watched> tables_;  // the lobby's watchers under "0"
    boost::asio::steady_timer lobbyTimer_;
    std::chrono::steady_clock::time_point lobbyTold_{};
    bool lobbyPending_ = false;
    std::shared_ptr<const std::string> lobbyEvent_;
};

}  // namespace pimra::server
