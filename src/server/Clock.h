#pragma once

#include <atomic>
#include <cstdint>

namespace pimra::server {

// Wall-clock milliseconds. Clocks of a game are stored as deadlines in this time, so they go
// on across restarts of the server and across several server processes.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::int64_t nowMs() const = 0;
};

class SystemClock final : public Clock {
  public:
    std::int64_t nowMs() const override;
};

// A clock that moves only when told; for tests and the fuzzer.
class ManualClock final : public Clock {
  public:
    explicit ManualClock(std::int64_t startMs = 1'700'000'000'000) : now_(startMs) {}
    std::int64_t nowMs() const override { return now_.load(); }
    void advanceMs(std::int64_t ms) { now_ += ms; }
    void setMs(std::int64_t ms) { now_ = ms; }

  private:
    std::atomic<std::int64_t> now_;
};

}  // namespace pimra::server
