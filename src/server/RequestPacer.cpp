#include "RequestPacer.h"

#include <algorithm>

namespace pimra::server {

RequestPacer::RequestPacer(double perSecond, int burst, Clock::duration maxWait)
    : interval_(std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(1.0 / std::max(perSecond, 1e-3)))),
      tolerance_(interval_ * std::max(burst - 1, 0)),
      maxWait_(maxWait) {}

std::optional<RequestPacer::Clock::duration> RequestPacer::turnOf(const std::string& client,
                                                                  Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (due_.size() >= forgetAt_) forgetIdle(now);
    const auto known = due_.find(client);
    const Clock::time_point due = known == due_.end() ? now : std::max(known->second, now);
    const Clock::duration wait = std::max(due - now - tolerance_, Clock::duration::zero());
    if (wait > maxWait_) return std::nullopt;
    due_[client] = due + interval_;
    return wait;
}

void RequestPacer::forgetIdle(Clock::time_point now) {
    std::erase_if(due_, [&](const auto& entry) { return entry.second <= now; });
    // Many clients asking at once: look again only once the map has doubled.
    forgetAt_ = std::max<std::size_t>(1024, due_.size() * 2);
}

}  // namespace pimra::server
