#include "PostgresChangeFeedListener.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <pqxx/pqxx>
#include <utility>

#include "PostgresChangeFeedConnection.h"

namespace pimra::server {

class PostgresChangeFeedListener::Receiver final : public pqxx::notification_receiver {
  public:
    Receiver(pqxx::connection& connection, const std::string& channel,
             PostgresChangeFeedListener& owner)
        : pqxx::notification_receiver(connection, channel), owner_(owner) {}
    void operator()(const std::string& payload, int) override { owner_.deliver(payload); }

  private:
    PostgresChangeFeedListener& owner_;
};

PostgresChangeFeedListener::PostgresChangeFeedListener(std::string uri, Settings settings,
                                                       OnNotice onNotice,
                                                       std::function<void()> onReconnected)
    : uri_(std::move(uri)),
      settings_(std::move(settings)),
      onNotice_(std::move(onNotice)),
      onReconnected_(std::move(onReconnected)),
      stopFd_(::eventfd(0, EFD_CLOEXEC)) {
    if (stopFd_ < 0) throw std::runtime_error("change feed: no eventfd");
    thread_ = std::thread([this] { run(); });
}

PostgresChangeFeedListener::~PostgresChangeFeedListener() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stopFd_, &one, sizeof(one));
    thread_.join();
    ::close(stopFd_);
}

void PostgresChangeFeedListener::run() {
    FeedBackoff backoff(settings_.firstBackoff, settings_.maxBackoff);
    bool missedSome = false;
    for (;;) {
        std::string why;
        try {
            if (listenOnce(missedSome)) return;
        } catch (const std::exception& error) {
            why = error.what();
        }
        const bool wasListening = listening_.exchange(false);
        if (wasListening) backoff.reset();
        // Told once per stretch without a connection.
        if (settings_.log && (wasListening || !missedSome)) {
            settings_.log("change feed: not listening: " + why);
        }
        ++lost_;
        missedSome = true;
        if (!sleepFor(backoff.next())) return;
    }
}

bool PostgresChangeFeedListener::listenOnce(bool missedSome) {
    auto connection = openFeedConnection(uri_);
    Receiver receiver(*connection, settings_.channel, *this);
    try {
        if (!connection->is_open()) throw pqxx::broken_connection("LISTEN failed");
        listening_ = true;
        if (missedSome) onReconnected_();
        return serve(*connection);
    } catch (...) {
        // Dropped before the receiver goes, so that it does not try UNLISTEN on a dead line.
        connection->disconnect();
        throw;
    }
}

bool PostgresChangeFeedListener::serve(pqxx::connection_base& connection) {
    const int backendPid = connection.backendpid();
    for (;;) {
        pollfd fds[2] = {{connection.sock(), POLLIN, 0}, {stopFd_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(settings_.heartbeat.count()));
        if (ready < 0 && errno != EINTR) throw std::runtime_error("change feed: poll failed");
        if (fds[1].revents != 0) return true;
        if (ready == 0 && connection.is_open()) {
            pqxx::nontransaction(connection).exec("SELECT 1");
        } else {
            connection.get_notifs();
        }
        // libpqxx may quietly connect anew; notices in between would be lost unnoticed.
        if (!connection.is_open() || connection.backendpid() != backendPid) {
            throw pqxx::broken_connection("connection lost");
        }
    }
}

bool PostgresChangeFeedListener::sleepFor(std::chrono::milliseconds wait) {
    pollfd stop{stopFd_, POLLIN, 0};
    return ::poll(&stop, 1, static_cast<int>(wait.count())) == 0;
}

void PostgresChangeFeedListener::deliver(const std::string& payload) {
    const auto notice = DecodeFeedNotice(payload);
    if (!notice) return;  // something else on the channel
    ++delivered_;
    onNotice_(*notice);
}

}  // namespace pimra::server
