#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "PostgresChangeFeedPayload.h"

namespace pqxx {
class connection_base;
}

namespace pimra::server {

// LISTENs on the feed's channel on a connection and a thread of its own and hands every notice
// on, this instance's own included. A lost connection is made again with growing waits; once
// it is back, `onReconnected` is called, since notices sent meanwhile are lost.
class PostgresChangeFeedListener {
  public:
    struct Settings {
        std::string channel;
        std::chrono::milliseconds firstBackoff{100};
        std::chrono::milliseconds maxBackoff{5000};
        // A connection silent this long is asked something, to find out whether it still works.
        std::chrono::milliseconds heartbeat{10000};
        std::function<void(const std::string&)> log;
    };
    using OnNotice = std::function<void(const FeedNotice&)>;

    PostgresChangeFeedListener(std::string uri, Settings settings, OnNotice onNotice,
                               std::function<void()> onReconnected);
    ~PostgresChangeFeedListener();
    PostgresChangeFeedListener(const PostgresChangeFeedListener&) = delete;
    PostgresChangeFeedListener& operator=(const PostgresChangeFeedListener&) = delete;

    bool listening() const { return listening_.load(); }
    std::uint64_t delivered() const { return delivered_.load(); }
    std::uint64_t lostConnections() const { return lost_.load(); }

  private:
    class Receiver;

    void run();
    // Listens until stopped (true) or until the connection fails (throws).
    bool listenOnce(bool missedSome);
    // Serves the open connection until stopped (true) or lost (throws).
    bool serve(pqxx::connection_base& connection);
    // False when stopped while waiting.
    bool sleepFor(std::chrono::milliseconds wait);
    void deliver(const std::string& payload);

    std::string uri_;
    Settings settings_;
    OnNotice onNotice_;
    std::function<void()> onReconnected_;
    int stopFd_ = -1;  // an eventfd that wakes the thread to stop
    std::atomic<bool> listening_{false};
    std::atomic<std::uint64_t> delivered_{0};
    std::atomic<std::uint64_t> lost_{0};
    std::thread thread_;
};

}  // namespace pimra::server
