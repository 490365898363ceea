#include "MasterClock.h"

#include <ctime>

namespace pimra {

std::optional<std::chrono::nanoseconds> threadCpuTime() {
    timespec now{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0) return std::nullopt;
    return std::chrono::seconds{now.tv_sec} + std::chrono::nanoseconds{now.tv_nsec};
}

SearchStopwatch::SearchStopwatch(SearchClock clock)
    : clock_(clock), wallStart_(std::chrono::steady_clock::now()) {
    if (clock_ != SearchClock::ThreadCpu) return;
    const std::optional<std::chrono::nanoseconds> cpu = threadCpuTime();
    if (cpu) {
        cpuStart_ = *cpu;
    } else {
        clock_ = SearchClock::Wall;
    }
}

std::chrono::nanoseconds SearchStopwatch::elapsed() const {
    if (clock_ == SearchClock::ThreadCpu) {
        if (const std::optional<std::chrono::nanoseconds> cpu = threadCpuTime()) {
            return *cpu - cpuStart_;
        }
    }
    return std::chrono::steady_clock::now() - wallStart_;
}

}  // namespace pimra
