#include "online/Clocks.h"

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
    if (!time1 || !time2 || *time1 <= 0 || *time2 <= 0) {
        return {};
    }
    return {ClockText(*time1), ClockText(*time2)};
}

}  // namespace pimra::online
