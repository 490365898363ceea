#include "net/Clocks.h"

#include "net/Decimal.h"

namespace pimra::net {
namespace {

std::string TwoDigits(int value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

}  // namespace

std::string ClockText(int seconds) {
    return TwoDigits(seconds / 60) + ":" + TwoDigits(seconds % 60);
}

ClockTexts SetClocks(const std::string& seat1Time, const std::string& seat2Time) {
    const std::optional<int> time1 = ParseDecimal(seat1Time);
    const std::optional<int> time2 = ParseDecimal(seat2Time);
    if (!time1 || !time2 || *time1 <= 0 || *time2 <= 0) {
        return {};
    }
    return {ClockText(*time1), ClockText(*time2)};
}

}  // namespace pimra::net
