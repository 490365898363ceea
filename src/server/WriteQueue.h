#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <vector>

#include "Store.h"

namespace pimra::server {

// A change handed to the writer. The caller waits for it; after that, `error` holds what the
// work threw, or what kept the batch from being saved, or nothing when the change is durable.
class PendingWrite {
  public:
    explicit PendingWrite(const Store::Work& w) : work(w) {}
    const Store::Work& work;
    std::exception_ptr error;

    // The writer's last touch: the caller may return, and this object go, at once after it.
    void finish();
    void waitUntilFinished();

  private:
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
};

// The changes waiting for the one writer, first come first served. At most `capacity` wait:
// beyond that a caller waits for room, so a flood of requests queues in the callers' bounded
// pool, not here.
class WriteQueue {
  public:
    explicit WriteQueue(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

    // Waits for room; false once the queue is closed.
    bool push(PendingWrite& write);
    // Waits for at least one change and takes up to `most` of them; empty once the queue is
    // closed and drained.
    std::vector<PendingWrite*> takeBatch(std::size_t most);
    // Lets the writer finish what is queued and stop; later pushes are refused.
    void close();
    std::size_t waiting() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable filled_;
    std::condition_variable room_;
    std::deque<PendingWrite*> queue_;
    std::size_t capacity_;
    bool closed_ = false;
};

}  // namespace pimra::server
