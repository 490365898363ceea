#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace pimra::server {

// Asks `line` for a line once every `period` on a thread of its own and hands each line that
// is not empty to `write`. Stops, without waiting out the period, when destroyed.
class PeriodicReport {
  public:
    using Line = std::function<std::string()>;
    using Writer = std::function<void(const std::string&)>;

    PeriodicReport(std::chrono::milliseconds period, Line line, Writer write);
    ~PeriodicReport();
    PeriodicReport(const PeriodicReport&) = delete;
    PeriodicReport& operator=(const PeriodicReport&) = delete;

  private:
    void run();
    void report() const;

    const std::chrono::milliseconds period_;
    const Line line_;
    const Writer write_;
    std::mutex mutex_;
    std::condition_variable stopping_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace pimra::server
