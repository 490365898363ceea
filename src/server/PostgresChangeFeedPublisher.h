#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "ChangeFeed.h"

namespace pimra::server {

// Sends changes as NOTIFY on a thread of its own, so that the caller never waits on the
// database. Changes wait in a queue that holds one change per table: a newer change of a table
// replaces the one still waiting (a watcher needs only the latest), so the queue stays as small
// as the number of tables even while the database is out of reach. Past `maxTables` it is
// emptied and one resync notice goes out in its place.
class PostgresChangeFeedPublisher {
  public:
    struct Settings {
        std::string channel;
        std::chrono::milliseconds firstBackoff{100};
        std::chrono::milliseconds maxBackoff{5000};
        std::size_t maxTables = 10000;
        std::function<void(const std::string&)> log;
    };
    struct Stats {
        std::uint64_t published = 0;  // changes handed in
        std::uint64_t sent = 0;       // notices the database took
        std::uint64_t failures = 0;   // attempts to send that failed
        std::uint64_t overflows = 0;  // queues given up for a resync notice
    };

    PostgresChangeFeedPublisher(std::string uri, Settings settings);
    ~PostgresChangeFeedPublisher();
    PostgresChangeFeedPublisher(const PostgresChangeFeedPublisher&) = delete;
    PostgresChangeFeedPublisher& operator=(const PostgresChangeFeedPublisher&) = delete;

    void publish(const TableChange& change);
    Stats stats() const;

  private:
    struct Batch {
        std::vector<TableChange> changes;
        bool resync = false;
    };

    void run();
    // Waits for changes (or the end); none once stopping with nothing left.
    bool takeBatch(Batch& batch);
    // Puts back a batch that could not be sent, before anything newer.
    void giveBack(Batch batch);
    void enqueue(const TableChange& change);
    bool send(const Batch& batch);
    void waitBeforeRetry(std::chrono::milliseconds wait);

    std::string uri_;
    Settings settings_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<TableChange> pending_;
    std::unordered_map<std::string, std::size_t> pendingIndex_;
    bool resyncPending_ = false;
    bool stopping_ = false;
    Stats stats_;
    std::thread thread_;
};

}  // namespace pimra::server
