#include "SocketWatchers.h"

#include <algorithm>
#include <charconv>

namespace pimra::server {

namespace {

bool isLobby(const std::string& tableId) {
    return tableId == net::kLobbyTableId;
}

std::optional<std::int64_t> numberOf(const std::string& tableId) {
    std::int64_t id = 0;
    const auto [end, ec] = std::from_chars(tableId.data(), tableId.data() + tableId.size(), id);
    if (ec != std::errc() || end != tableId.data() + tableId.size()) return std::nullopt;
    return id;
}

}  // namespace

SocketWatchers::SocketWatchers(boost::asio::any_io_executor executor, CheckClock checkClock,
                               std::chrono::milliseconds lobbyInterval,
                               std::chrono::milliseconds clockRecheck)
    : executor_(executor),
      checkClock_(std::move(checkClock)),
      lobbyInterval_(lobbyInterval),
      clockRecheck_(clockRecheck),
      lobbyTimer_(executor),
      lobbyEvent_(std::make_shared<const std::string>(net::EncodeLobbyEvent())) {}

void SocketWatchers::add(const std::string& tableId, TableWatcher& watcher) {
    auto& watchers = tables_[tableId].watchers;
    if (std::find(watchers.begin(), watchers.end(), &watcher) == watchers.end()) {
        watchers.push_back(&watcher);
    }
}

void SocketWatchers::remove(const std::string& tableId, TableWatcher& watcher) {
    const auto it = tables_.find(tableId);
    if (it == tables_.end()) return;
    auto& watchers = it->second.watchers;
    watchers.erase(std::remove(watchers.begin(), watchers.end(), &watcher), watchers.end());
    // Its clock's timer goes with it and calls back cancelled.
    if (watchers.empty()) tables_.erase(it);
}

void SocketWatchers::onChange(const TableChange& change) {
    const std::string& tableId = change.event.tableId;
    if (!isLobby(tableId) && tables_.contains(tableId)) {
        deliver(tableId, std::make_shared<const std::string>(net::EncodeTableEvent(change.event)));
        watchClock(tableId, change.runsOutInMs);
    }
    if (change.listChanged) listChanged();
}

void SocketWatchers::resync() {
    for (const auto& [tableId, watched] : tables_) {
        if (!isLobby(tableId)) checkClock(tableId, true);
    }
    listChanged();
}

// A watcher may leave while it is told (a full queue drops it): the list is copied first.
void SocketWatchers::deliver(const std::string& tableId,
                             const std::shared_ptr<const std::string>& message) {
    const auto it = tables_.find(tableId);
    if (it == tables_.end()) return;
    const std::vector<TableWatcher*> watchers = it->second.watchers;
    for (TableWatcher* watcher : watchers) watcher->deliver(message);
}

// Trailing edge: a change within the interval is told when it ends, so the last one is never
// lost, and a burst of changes costs the lobby one event.
void SocketWatchers::listChanged() {
    if (lobbyPending_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lobbyTold_ >= lobbyInterval_) {
        tellLobby();
        return;
    }
    lobbyPending_ = true;
    lobbyTimer_.expires_at(lobbyTold_ + lobbyInterval_);
    lobbyTimer_.async_wait([this](boost::system::error_code ec) {
        if (ec) return;
        lobbyPending_ = false;
        tellLobby();
    });
}

void SocketWatchers::tellLobby() {
    lobbyTold_ = std::chrono::steady_clock::now();
    deliver(std::string(net::kLobbyTableId), lobbyEvent_);
}

// The timer waits at most `clockRecheck_`, then asks again: the engine's clock (the database's,
// or a test's) need not run with this one.
void SocketWatchers::watchClock(const std::string& tableId,
                                std::optional<std::int64_t> runsOutInMs) {
    const auto it = tables_.find(tableId);
    if (it == tables_.end()) return;
    auto& timer = it->second.clock;
    if (!runsOutInMs) {
        timer.reset();
        return;
    }
    if (!timer) timer = std::make_unique<boost::asio::steady_timer>(executor_);
    timer->expires_after(std::min<std::chrono::milliseconds>(
        std::chrono::milliseconds(*runsOutInMs), clockRecheck_));
    timer->async_wait([this, tableId](boost::system::error_code ec) {
        if (!ec) checkClock(tableId, false);
    });
}

// A settled game is published by the engine and reaches the watchers as any change does;
// `tell` tells them how the table stands besides.
void SocketWatchers::checkClock(const std::string& tableId, bool tell) {
    const auto id = numberOf(tableId);
    if (!id) return;
    checkClock_(*id, [this, tableId, tell](Engine::ClockCheck check) {
        if (!tables_.contains(tableId)) return;
        if (tell) {
            if (!check.exists) {
                check.event = {};
                check.event.tableId = tableId;
            }
            deliver(tableId,
                    std::make_shared<const std::string>(net::EncodeTableEvent(check.event)));
        }
        watchClock(tableId, check.exists ? check.runsOutInMs : std::nullopt);
    });
}

}  // namespace pimra::server
