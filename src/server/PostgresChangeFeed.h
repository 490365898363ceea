#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ChangeFeed.h"

namespace pimra::server {

class PostgresChangeFeedPublisher;
class PostgresChangeFeedListener;

// The changes of every instance on one PostgreSQL database: each change goes out as NOTIFY on
// one channel, and each instance LISTENs there and hands every change on to its own watchers,
// its own changes included. Both sides run on threads of their own with connections of their
// own. A lost listening connection is made anew; the feed then asks for a resync, since
// changes of that time are lost.
class PostgresChangeFeed final : public ChangeFeed {
  public:
    struct Settings {
        std::string channel = "pimra_changes";
        std::chrono::milliseconds firstBackoff{100};
        std::chrono::milliseconds maxBackoff{5000};
        std::chrono::milliseconds heartbeat{10000};
        std::size_t maxWaitingTables = 10000;
        // Where a lost connection is told; nowhere by default.
        std::function<void(const std::string&)> log;
    };
    struct Stats {
        std::uint64_t published = 0;        // changes handed in
        std::uint64_t sent = 0;             // notices sent
        std::uint64_t sendFailures = 0;     // attempts to send that failed and are retried
        std::uint64_t delivered = 0;        // notices received and handed on
        std::uint64_t lostConnections = 0;  // listening connections lost or never made
        std::uint64_t resyncs = 0;          // resyncs asked for
        bool listening = false;             // LISTEN is in place now
    };

    // `uri` as PostgresStore takes it. Connects in the background: never throws for a database
    // out of reach.
    explicit PostgresChangeFeed(std::string uri);
    PostgresChangeFeed(std::string uri, Settings settings);
    ~PostgresChangeFeed() override;
    PostgresChangeFeed(const PostgresChangeFeed&) = delete;
    PostgresChangeFeed& operator=(const PostgresChangeFeed&) = delete;

    void publish(const TableChange& change) override;
    void listen(Listener onChange, Resync onResync) override;

    Stats stats() const;
    // A line for the log about what happened since `before`; empty when nothing worth telling.
    static std::string describeChanges(const Stats& before, const Stats& now);

  private:
    std::string uri_;
    Settings settings_;
    Listener onChange_;
    Resync onResync_;
    std::atomic<std::uint64_t> resyncs_{0};
    std::unique_ptr<PostgresChangeFeedPublisher> publisher_;
    std::unique_ptr<PostgresChangeFeedListener> listener_;
};

}  // namespace pimra::server
