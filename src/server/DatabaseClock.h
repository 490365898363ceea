#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

#include "Clock.h"

namespace pimra::server {

// The database's clock, so that every server process on one database charges the same time
// to a game. The time is read from the database now and then and carried on between readings
// by this machine's steady clock, so a step of the machine's wall clock changes nothing. It
// never goes back; while the database cannot be read, it goes on from the last reading.
class DatabaseClock final : public Clock {
  public:
    using Source = std::function<std::int64_t()>;  // the database's time in ms; may throw
    // Throws what `source` throws when the first reading fails.
    explicit DatabaseClock(Source source,
                           std::chrono::milliseconds resync = std::chrono::seconds(5));
    std::int64_t nowMs() const override;

  private:
    // The database's time less the steady clock's, in microseconds, from one reading.
    std::int64_t measureOffsetUs() const;
    void resyncIfDue(std::int64_t steadyUs) const;

    Source source_;
    std::int64_t resyncUs_;
    mutable std::mutex reading_;  // one thread reads; the others go on with the last offset
    mutable std::atomic<std::int64_t> offsetUs_;
    mutable std::atomic<std::int64_t> readAtUs_;
    mutable std::atomic<std::int64_t> lastGivenMs_{0};
};

}  // namespace pimra::server
