#include "PostgresChangeFeed.h"

#include <utility>

#include "PostgresChangeFeedListener.h"
#include "PostgresChangeFeedPublisher.h"

namespace pimra::server {

PostgresChangeFeed::PostgresChangeFeed(std::string uri)
    : PostgresChangeFeed(std::move(uri), Settings()) {}

PostgresChangeFeed::PostgresChangeFeed(std::string uri, Settings settings)
    : uri_(std::move(uri)), settings_(std::move(settings)) {
    publisher_ = std::make_unique<PostgresChangeFeedPublisher>(
        uri_, PostgresChangeFeedPublisher::Settings{settings_.channel, settings_.firstBackoff,
                                                    settings_.maxBackoff,
                                                    settings_.maxWaitingTables, settings_.log});
}

PostgresChangeFeed::~PostgresChangeFeed() {
    // The listener first: no change is handed on while the rest goes away.
    listener_.reset();
    publisher_.reset();
}

void PostgresChangeFeed::publish(const TableChange& change) {
    publisher_->publish(change);
}

void PostgresChangeFeed::listen(Listener onChange, Resync onResync) {
    if (listener_) return;
    onChange_ = std::move(onChange);
    onResync_ = std::move(onResync);
    const auto resync = [this] {
        ++resyncs_;
        if (onResync_) onResync_();
    };
    listener_ = std::make_unique<PostgresChangeFeedListener>(
        uri_,
        PostgresChangeFeedListener::Settings{settings_.channel, settings_.firstBackoff,
                                             settings_.maxBackoff, settings_.heartbeat,
                                             settings_.log},
        [this, resync](const FeedNotice& notice) {
            if (const auto* change = std::get_if<TableChange>(&notice)) {
                if (onChange_) onChange_(*change);
            } else {
                resync();
            }
        },
        resync);
}

PostgresChangeFeed::Stats PostgresChangeFeed::stats() const {
    const auto sending = publisher_->stats();
    Stats stats;
    stats.published = sending.published;
    stats.sent = sending.sent;
    stats.sendFailures = sending.failures;
    stats.resyncs = resyncs_.load();
    if (listener_) {
        stats.delivered = listener_->delivered();
        stats.lostConnections = listener_->lostConnections();
        stats.listening = listener_->listening();
    }
    return stats;
}

std::string PostgresChangeFeed::describeChanges(const Stats& before, const Stats& now) {
    std::string line;
    const auto add = [&](std::uint64_t was, std::uint64_t is, const char* what) {
        if (is == was) return;
        if (!line.empty()) line += ", ";
        line += std::to_string(is - was) + ' ' + what;
    };
    add(before.sendFailures, now.sendFailures, "failed notifies");
    add(before.lostConnections, now.lostConnections, "lost listening connections");
    add(before.resyncs, now.resyncs, "resyncs");
    if (line.empty()) return line;
    return "change feed: " + line + (now.listening ? "" : " (not listening now)");
}

}  // namespace pimra::server
