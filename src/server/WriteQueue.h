#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "Store.h"

namespace pimra::server {

// A change handed to the writer. Once its batch is committed or given up, `error` holds what
// the work threw, or what kept the batch from being saved, or nothing when the change is
// durable, and the writer calls `done` with it.
struct PendingWrite {
    Store::Work work;
    Store::Done done;
    std::exception_ptr error;
};

// The changes waiting for the one writer, first come first served. A caller that can wait
// finds at most `capacity` changes ahead of it: beyond that it waits for room, so a flood from
// a bounded pool of threads queues in that pool, not here. A caller that must not wait (the
// network thread) hands its change over at once and bounds on its own side how many it has
// handed over.
class WriteQueue {
  public:
    explicit WriteQueue(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

    // Waits for room and takes the change; false, leaving `write` to the caller, once the
    // queue is closed.
    bool push(std::unique_ptr<PendingWrite>& write);
    // Takes the change at once, also beyond the capacity; false as `push`.
    bool pushWithoutWaiting(std::unique_ptr<PendingWrite>& write);
    // Waits for at least one change and takes up to `most` of them; empty once the queue is
    // closed and drained.
    std::vector<std::unique_ptr<PendingWrite>> takeBatch(std::size_t most);
    // Takes what waits now, up to `most`, without waiting; empty when nothing does.
    std::vector<std::unique_ptr<PendingWrite>> takeWaiting(std::size_t most);
    // Lets the writer finish what is queued and stop; later pushes are refused.
    void close();
    std::size_t waiting() const;

  private:
    // Takes the change under `lock` and wakes the writer if it sleeps.
    void append(std::unique_lock<std::mutex>& lock, std::unique_ptr<PendingWrite>& write);
    // Takes up to `most` changes under `lock` and lets it go.
    std::vector<std::unique_ptr<PendingWrite>> takeLocked(std::unique_lock<std::mutex>& lock,
                                                          std::size_t most);

    mutable std::mutex mutex_;
    std::condition_variable filled_;
    std::condition_variable room_;
    std::deque<std::unique_ptr<PendingWrite>> queue_;
    std::size_t capacity_;
    std::size_t waitingForRoom_ = 0;
    bool closed_ = false;
};

}  // namespace pimra::server
