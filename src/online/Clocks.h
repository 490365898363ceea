#pragma once

#include <optional>
#include <string>

namespace pimra::online {

struct ClockTexts {
    std::string clock1;  // seat 1, the lower clock
    std::string clock2;  // seat 2, the upper clock

    bool operator==(const ClockTexts&) const = default;
};

// Seconds as "MM:SS", minutes as many digits as they need: 300 -> "05:00", 7265 -> "121:05".
std::string ClockText(int seconds);

// Both clocks, or both blank when either time is not a decimal number (the server did not
// send it); a clock that has run out (or below) shows 00:00.
ClockTexts SetClocks(const std::string& seat1Time, const std::string& seat2Time);

}  // namespace pimra::online
