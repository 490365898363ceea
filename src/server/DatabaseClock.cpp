#include "DatabaseClock.h"

#include <algorithm>
#include <exception>
#include <iostream>

namespace pimra::server {

namespace {

std::int64_t steadyUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

DatabaseClock::DatabaseClock(Source source, std::chrono::milliseconds resync)
    : source_(std::move(source)),
      resyncUs_(std::chrono::duration_cast<std::chrono::microseconds>(resync).count()),
      offsetUs_(measureOffsetUs()),
      readAtUs_(steadyUs()) {}

std::int64_t DatabaseClock::measureOffsetUs() const {
    const std::int64_t before = steadyUs();
    const std::int64_t databaseMs = source_();
    const std::int64_t after = steadyUs();
    // The database read its clock somewhere between the two; the middle is the best guess.
    return databaseMs * 1000 - (before + (after - before) / 2);
}

void DatabaseClock::resyncIfDue(std::int64_t nowUs) const {
    if (nowUs - readAtUs_.load() < resyncUs_) return;
    std::unique_lock lock(reading_, std::try_to_lock);
    if (!lock.owns_lock()) return;
    try {
        offsetUs_ = measureOffsetUs();
    } catch (const std::exception& error) {
        std::cerr << "pimra-server: cannot read the database's clock: " << error.what() << '\n';
    }
    // After a failure too: the next try comes after another interval, not at every request.
    readAtUs_ = steadyUs();
}

std::int64_t DatabaseClock::nowMs() const {
    resyncIfDue(steadyUs());
    // Read after a new reading, which must not lie in the future of `now`.
    const std::int64_t now = steadyUs();
    const std::int64_t estimate = (now + offsetUs_.load()) / 1000;
    // A new reading a little behind the old one must not turn time back.
    std::int64_t given = lastGivenMs_.load();
    while (estimate > given && !lastGivenMs_.compare_exchange_weak(given, estimate)) {
    }
    return std::max(estimate, given);
}

}  // namespace pimra::server
