#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "Store.h"

namespace pimra::server {

// A change handed to whoever runs changes now. The caller waits for it; after that, `error`
// holds what the work threw, or what kept the batch from being saved, or nothing when the
// change is durable.
class PendingWrite {
  public:
    explicit PendingWrite(const Store::Work& w) : work(w), turn_(std::make_shared<Turn>()) {}
    const Store::Work& work;
    std::exception_ptr error;

    // The runner's last touch: the caller may return, and this object go, at once after it.
    void finish();
    // Asks the caller to run the next batch itself.
    void lead();
    // Waits until the change is finished (false) or its caller is asked to lead (true).
    bool waitForTurn();

  private:
    enum : int { kWaiting = 0, kFinished = 1, kLeading = 2 };
    // Shared, so that the runner can still wake the caller after the caller saw the change
    // finished and went. One futex wake, no lock for the woken caller to wait on.
    struct Turn {
        std::atomic<int> state{kWaiting};
    };
    void set(int state);
    std::shared_ptr<Turn> turn_;
};

// The changes waiting to be run, first come first served, and who runs them. There is no
// writer thread: a caller that finds nobody running changes runs the next batch itself (its
// own change first), then hands the role to the first change still waiting. So a change that
// comes alone costs no thread switch, and one that comes during a commit joins the next batch.
// At most `capacity` wait: beyond that a caller waits for room, so a flood of requests queues
// in the callers' bounded pool, not here.
class WriteQueue {
  public:
    enum class Pushed { Refused, Queued, Leading };

    explicit WriteQueue(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

    // Waits for room. Leading: nobody was running changes, and the caller now does, starting
    // with a `takeBatch` that holds its own change first. Refused once the queue is closed.
    Pushed push(PendingWrite& write);
    // For the one running changes: up to `most` of those waiting, oldest first.
    std::vector<PendingWrite*> takeBatch(std::size_t most);
    // For the one running changes, once its batch is committed: gives the role to the oldest
    // change waiting (see `PendingWrite::lead`) or leaves it free.
    void handOver();
    // Refuses later pushes; what is queued is still run.
    void close();
    std::size_t waiting() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable room_;
    std::deque<PendingWrite*> queue_;
    std::size_t capacity_;
    bool running_ = false;
    bool closed_ = false;
};

}  // namespace pimra::server
