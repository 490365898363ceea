#include "online/Clocks.h"

#include <algorithm>
#include <cstdio>

#include "net/Decimal.h"

namespace pimra::online {

using namespace pimra::net;

std::chrono::milliseconds steadyNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

std::string ClockText(int seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", seconds / 60, seconds % 60);
    return text;
}

ClockTexts SetClocks(const std::string& seat1Time, const std::string& seat2Time) {
    const std::optional<int> time1 = ParseDecimal(seat1Time);
    const std::optional<int> time2 = ParseDecimal(seat2Time);
    if (!time1 || !time2) {
        return {};
    }
    // A clock that has run out shows it: 00:00 beside the other player's time.
    return {ClockText(std::max(0, *time1)), ClockText(std::max(0, *time2))};
}

ClockTexts SetClocks(std::optional<std::int64_t> seat1Ms, std::optional<std::int64_t> seat2Ms) {
    if (!seat1Ms || !seat2Ms) return {};
    const auto seconds = [](std::int64_t ms) {
        return static_cast<int>(std::max<std::int64_t>(0, ms) / 1000);
    };
    return {ClockText(seconds(*seat1Ms)), ClockText(seconds(*seat2Ms))};
}

}  // namespace pimra::online
