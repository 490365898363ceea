#pragma once

#include <chrono>
#include <optional>

namespace pimra {

// What a search's time limit is counted on. The wall clock is what a player waits for; the
// searching thread's CPU time stays the same whatever else the machine runs, which makes
// matches on a busy machine fair.
enum class SearchClock { Wall, ThreadCpu };

// The CPU time the calling thread has used so far; empty when the system cannot tell.
std::optional<std::chrono::nanoseconds> threadCpuTime();

// Time since construction on the chosen clock, read on the thread that made it. Where the
// thread's CPU time cannot be read it counts wall-clock time instead, so a limit always ends.
class SearchStopwatch {
  public:
    explicit SearchStopwatch(SearchClock clock);
    std::chrono::nanoseconds elapsed() const;
    SearchClock clock() const { return clock_; }

  private:
    SearchClock clock_;
    std::chrono::steady_clock::time_point wallStart_;
    std::chrono::nanoseconds cpuStart_{0};
};

}  // namespace pimra
