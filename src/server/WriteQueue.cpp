#include "WriteQueue.h"

namespace pimra::server {

void PendingWrite::set(int state) {
    // Taken before the state is set: from then on this object may be gone.
    const std::shared_ptr<Turn> turn = turn_;
    turn->state.store(state, std::memory_order_release);
    turn->state.notify_one();
}

void PendingWrite::finish() {
    set(kFinished);
}

void PendingWrite::lead() {
    set(kLeading);
}

bool PendingWrite::waitForTurn() {
    turn_->state.wait(kWaiting, std::memory_order_acquire);
    return turn_->state.load(std::memory_order_acquire) == kLeading;
}

WriteQueue::Pushed WriteQueue::push(PendingWrite& write) {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [&] { return closed_ || queue_.size() < capacity_; });
    if (closed_) return Pushed::Refused;
    queue_.push_back(&write);
    // Changes wait only while someone runs changes, so a free role means an empty queue
    // before this one: the caller's change comes first in its batch.
    if (running_) return Pushed::Queued;
    running_ = true;
    return Pushed::Leading;
}

std::vector<PendingWrite*> WriteQueue::takeBatch(std::size_t most) {
    std::vector<PendingWrite*> batch;
    {
        std::lock_guard lock(mutex_);
        while (!queue_.empty() && batch.size() < most) {
            batch.push_back(queue_.front());
            queue_.pop_front();
        }
    }
    room_.notify_all();
    return batch;
}

void WriteQueue::handOver() {
    PendingWrite* next = nullptr;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) {
            running_ = false;
            return;
        }
        next = queue_.front();
    }
    // Still queued and the role still taken: nobody else can run or drop it meanwhile.
    next->lead();
}

void WriteQueue::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    room_.notify_all();
}

std::size_t WriteQueue::waiting() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

}  // namespace pimra::server
