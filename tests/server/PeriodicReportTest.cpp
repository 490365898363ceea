#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <string>
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

}  // namespace
}  // namespace pimra::server
