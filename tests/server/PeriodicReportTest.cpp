#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "server/PeriodicReport.h"

namespace pimra::server {
namespace {

TEST(PeriodicReportTest, WritesEachLineThatIsNotEmptyAndStopsWithoutWaitingOutThePeriod) {
    std::mutex mutex;
    std::vector<std::string> written;
    std::promise<void> twoWritten;
    int calls = 0;
    {
        PeriodicReport report(
            std::chrono::milliseconds(1),
            [&] {
                std::lock_guard lock(mutex);
                ++calls;
                if (calls == 2) return std::string("two");
                if (calls == 4) return std::string("four");
                return std::string();
            },
            [&](const std::string& line) {
                std::lock_guard lock(mutex);
                written.push_back(line);
                if (written.size() == 2) twoWritten.set_value();
            });
        twoWritten.get_future().wait();
    }
    EXPECT_EQ(written, (std::vector<std::string>{"two", "four"}));

    // A report an hour apart ends at once: otherwise this test would hang.
    bool asked = false;
    {
        PeriodicReport hourly(
            std::chrono::hours(1),
            [&] {
                asked = true;
                return "x";
            },
            [](auto&) {});
    }
    EXPECT_FALSE(asked);
}

TEST(PeriodicReportTest, AReportThatThrowsIsSkippedAndTheNextOnesGoOn) {
    std::promise<void> written;
    int calls = 0;
    PeriodicReport report(
        std::chrono::milliseconds(1),
        [&] {
            if (++calls == 1) throw std::runtime_error("the store is gone");
            return std::string("back");
        },
        [&, once = false](const std::string&) mutable {
            if (!std::exchange(once, true)) written.set_value();
        });
    EXPECT_EQ(written.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);
}

}  // namespace
}  // namespace pimra::server
