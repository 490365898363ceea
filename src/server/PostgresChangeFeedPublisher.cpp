#include "PostgresChangeFeedPublisher.h"

#include <nlohmann/json.hpp>
#include <utility>

#include "PostgresChangeFeedConnection.h"
#include "PostgresChangeFeedPayload.h"

namespace pimra::server {

namespace {

// One round trip for a whole batch, the notices in the order given.
constexpr const char* kNotifyAll =
    "SELECT pg_notify($1, payload) FROM json_array_elements_text($2::json) AS payload";

}  // namespace

PostgresChangeFeedPublisher::PostgresChangeFeedPublisher(std::string uri, Settings settings)
    : uri_(std::move(uri)), settings_(std::move(settings)) {
    thread_ = std::thread([this] { run(); });
}

PostgresChangeFeedPublisher::~PostgresChangeFeedPublisher() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void PostgresChangeFeedPublisher::publish(const TableChange& change) {
    {
        std::lock_guard lock(mutex_);
        ++stats_.published;
        enqueue(change);
    }
    wake_.notify_one();
}

void PostgresChangeFeedPublisher::enqueue(const TableChange& change) {
    if (const auto it = pendingIndex_.find(change.event.tableId); it != pendingIndex_.end()) {
        TableChange& waiting = pending_[it->second];
        const bool listChanged = waiting.listChanged || change.listChanged;
        waiting = change;
        waiting.listChanged = listChanged;
        return;
    }
    if (pending_.size() >= settings_.maxTables) {
        // Changes of too many tables for memory: everyone announces all they watch instead.
        pending_.clear();
        pendingIndex_.clear();
        resyncPending_ = true;
        ++stats_.overflows;
    }
    pendingIndex_.emplace(change.event.tableId, pending_.size());
    pending_.push_back(change);
}

PostgresChangeFeedPublisher::Stats PostgresChangeFeedPublisher::stats() const {
    std::lock_guard lock(mutex_);
    return stats_;
}

bool PostgresChangeFeedPublisher::takeBatch(Batch& batch) {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [&] { return stopping_ || resyncPending_ || !pending_.empty(); });
    if (pending_.empty() && !resyncPending_) return false;
    batch.changes = std::exchange(pending_, {});
    batch.resync = std::exchange(resyncPending_, false);
    pendingIndex_.clear();
    return true;
}

void PostgresChangeFeedPublisher::giveBack(Batch batch) {
    std::lock_guard lock(mutex_);
    if (batch.resync) resyncPending_ = true;
    auto newer = std::exchange(pending_, {});
    pendingIndex_.clear();
    for (const auto& change : batch.changes) enqueue(change);
    for (const auto& change : newer) enqueue(change);
}

void PostgresChangeFeedPublisher::run() {
    FeedBackoff backoff(settings_.firstBackoff, settings_.maxBackoff);
    std::unique_ptr<pqxx::connection> connection;
    Batch batch;
    bool failing = false;  // told once per stretch of failures
    while (takeBatch(batch)) {
        try {
            if (!connection || !connection->is_open()) connection = openFeedConnection(uri_);
            pqxx::nontransaction tx(*connection);
            nlohmann::json payloads = nlohmann::json::array();
            if (batch.resync) payloads.push_back(EncodeFeedNotice(ResyncNotice{}));
            for (const auto& change : batch.changes) payloads.push_back(EncodeFeedNotice(change));
            tx.exec_params(kNotifyAll, settings_.channel, payloads.dump());
            backoff.reset();
            failing = false;
            std::lock_guard lock(mutex_);
            stats_.sent += payloads.size();
        } catch (const std::exception& error) {
            connection.reset();
            {
                std::lock_guard lock(mutex_);
                ++stats_.failures;
                if (stopping_) return;  // the database is gone as we stop: nobody is left to tell
            }
            if (settings_.log && !std::exchange(failing, true)) {
                settings_.log(std::string("change feed: cannot notify: ") + error.what());
            }
            giveBack(std::move(batch));
            waitBeforeRetry(backoff.next());
        }
        batch = {};
    }
}

void PostgresChangeFeedPublisher::waitBeforeRetry(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, wait, [&] { return stopping_; });
}

}  // namespace pimra::server
