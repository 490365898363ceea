#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace pimra::server {

// Engine requests whose reply is still to come, so that the server can wait for them before
// it goes: the store may call back after the network thread has stopped.
class OpenAnswers {
  public:
    void begin() { open_.fetch_add(1, std::memory_order_relaxed); }
    void end();
    void waitForAll();

  private:
    std::atomic<long> open_{0};
    std::mutex mutex_;
    std::condition_variable none_;
};

}  // namespace pimra::server
