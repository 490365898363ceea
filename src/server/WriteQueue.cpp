#include "WriteQueue.h"

namespace pimra::server {

void PendingWrite::finish() {
    // Notified under the lock: the waiter cannot see `done_` and go before this returns.
    std::lock_guard lock(mutex_);
    done_ = true;
    finished_.notify_one();
}

void PendingWrite::waitUntilFinished() {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return done_; });
}

bool WriteQueue::push(PendingWrite& write) {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [&] { return closed_ || queue_.size() < capacity_; });
    if (closed_) return false;
    queue_.push_back(&write);
    lock.unlock();
    filled_.notify_one();
    return true;
}

std::vector<PendingWrite*> WriteQueue::takeBatch(std::size_t most) {
    std::unique_lock lock(mutex_);
    filled_.wait(lock, [&] { return closed_ || !queue_.empty(); });
    std::vector<PendingWrite*> batch;
    while (!queue_.empty() && batch.size() < most) {
        batch.push_back(queue_.front());
        queue_.pop_front();
    }
    lock.unlock();
    room_.notify_all();
    return batch;
}

void WriteQueue::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    filled_.notify_all();
    room_.notify_all();
}

std::size_t WriteQueue::waiting() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

}  // namespace pimra::server
