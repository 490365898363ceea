#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace pimra::server {

// Spaces one kind of request per client: a burst at once, then `perSecond`. A request over the
// rate waits its turn; one that would wait longer than `maxWait` is refused, and the caller
// makes it wait `maxWait` anyway, so that refusals cannot be had faster than answers.
class RequestPacer {
  public:
    using Clock = std::chrono::steady_clock;

    RequestPacer(double perSecond, int burst, Clock::duration maxWait);

    // How long the client's request waits before it is served (zero: at once), or nothing
    // when it is refused.
    std::optional<Clock::duration> turnOf(const std::string& client, Clock::time_point now);

    Clock::duration maxWait() const { return maxWait_; }

  private:
    void forgetIdle(Clock::time_point now);

    Clock::duration interval_;
    Clock::duration tolerance_;  // what a burst may run ahead of the rate
    Clock::duration maxWait_;
    std::mutex mutex_;
    // When each client's next request would be due at the steady rate; clients past it are
    // forgotten, so the map holds only those who asked lately.
    std::unordered_map<std::string, Clock::time_point> due_;
    std::size_t forgetAt_ = 1024;
};

}  // namespace pimra::server
