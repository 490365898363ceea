#include "online/Clocks.h"

#include <algorithm>
#include <cstdio>

#include "net/Decimal.h"

namespace pimra::online {

using namespace pimra::net;

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

}  // namespace pimra::online
