#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>

#include "server/DatabaseClock.h"

namespace pimra::server {
namespace {

constexpr std::int64_t kDatabaseMs = 1'000'000'000'000;
// Far more than the test can take, far less than any step it checks.
constexpr std::int64_t kSlackMs = 60'000;

// A database clock the test sets; fails on demand.
struct FakeDatabase {
    std::atomic<std::int64_t> nowMs{kDatabaseMs};
    std::atomic<bool> down{false};
    std::atomic<int> readings{0};
    DatabaseClock::Source source() {
        return [this] {
            ++readings;
            if (down) throw std::runtime_error("database down");
            return nowMs.load();
        };
    }
};

TEST(DatabaseClock, FollowsTheDatabaseNotThisMachineAndPicksUpItsSteps) {
    FakeDatabase database;
    const DatabaseClock clock(database.source(), std::chrono::milliseconds(0));
    const std::int64_t first = clock.nowMs();
    EXPECT_GE(first, kDatabaseMs);
    EXPECT_LT(first, kDatabaseMs + kSlackMs);

    database.nowMs = kDatabaseMs + 3'600'000;
    EXPECT_GE(clock.nowMs(), kDatabaseMs + 3'600'000);
    EXPECT_LT(clock.nowMs(), kDatabaseMs + 3'600'000 + kSlackMs);
}

TEST(DatabaseClock, NeverGoesBackAndGoesOnWhileTheDatabaseCannotBeRead) {
    FakeDatabase database;
    const DatabaseClock clock(database.source(), std::chrono::milliseconds(0));
    const std::int64_t before = clock.nowMs();
    database.nowMs = kDatabaseMs - 5'000;
    EXPECT_GE(clock.nowMs(), before);

    database.down = true;
    const std::int64_t during = clock.nowMs();
    EXPECT_GE(during, before);
    EXPECT_LT(during, kDatabaseMs + kSlackMs);
}

TEST(DatabaseClock, ReadsTheDatabaseOnlyOnceAnInterval) {
    FakeDatabase database;
    const DatabaseClock clock(database.source(), std::chrono::hours(1));
    for (int i = 0; i < 100; ++i) clock.nowMs();
    EXPECT_EQ(database.readings, 1);
}

TEST(DatabaseClock, AFirstReadingThatFailsIsAnError) {
    FakeDatabase database;
    database.down = true;
    EXPECT_THROW(DatabaseClock(database.source()), std::runtime_error);
}

}  // namespace
}  // namespace pimra::server
