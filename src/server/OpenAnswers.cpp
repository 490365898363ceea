#include "OpenAnswers.h"

namespace pimra::server {

void OpenAnswers::end() {
    if (open_.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    std::lock_guard lock(mutex_);
    none_.notify_all();
}

void OpenAnswers::waitForAll() {
    std::unique_lock lock(mutex_);
    none_.wait(lock, [&] { return open_.load(std::memory_order_acquire) == 0; });
}

}  // namespace pimra::server
