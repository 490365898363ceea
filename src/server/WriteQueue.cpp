#include "WriteQueue.h"

namespace pimra::server {

bool WriteQueue::push(std::unique_ptr<PendingWrite>& write) {
    std::unique_lock lock(mutex_);
    if (!closed_ && queue_.size() >= capacity_) {
        ++waitingForRoom_;
        room_.wait(lock, [&] { return closed_ || queue_.size() < capacity_; });
        --waitingForRoom_;
    }
    if (closed_) return false;
    append(lock, write);
    return true;
}

bool WriteQueue::pushWithoutWaiting(std::unique_ptr<PendingWrite>& write) {
    std::unique_lock lock(mutex_);
    if (closed_) return false;
    append(lock, write);
    return true;
}

void WriteQueue::append(std::unique_lock<std::mutex>& lock, std::unique_ptr<PendingWrite>& write) {
    const bool wasEmpty = queue_.empty();
    queue_.push_back(std::move(write));
    lock.unlock();
    // The writer sleeps only on an empty queue; while it works, it takes what came at once.
    if (wasEmpty) filled_.notify_one();
}

std::vector<std::unique_ptr<PendingWrite>> WriteQueue::takeBatch(std::size_t most) {
    std::unique_lock lock(mutex_);
    filled_.wait(lock, [&] { return closed_ || !queue_.empty(); });
    return takeLocked(lock, most);
}

std::vector<std::unique_ptr<PendingWrite>> WriteQueue::takeWaiting(std::size_t most) {
    std::unique_lock lock(mutex_);
    return takeLocked(lock, most);
}

std::vector<std::unique_ptr<PendingWrite>> WriteQueue::takeLocked(
    std::unique_lock<std::mutex>& lock, std::size_t most) {
    std::vector<std::unique_ptr<PendingWrite>> batch;
    while (!queue_.empty() && batch.size() < most) {
        batch.push_back(std::move(queue_.front()));
        queue_.pop_front();
    }
    // Changes handed over without waiting may still fill the queue beyond its capacity.
    const bool someWait = waitingForRoom_ > 0 && queue_.size() < capacity_;
    lock.unlock();
    if (someWait) room_.notify_all();
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
