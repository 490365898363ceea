#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace pimra::online {

// A clock that only goes forward: the time a table state is counted from. Tests set their own.
using MonotonicClock = std::function<std::chrono::milliseconds()>;
std::chrono::milliseconds steadyNow();

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
// The same from milliseconds left, counted in whole seconds gone: 299001 -> "04:59".
ClockTexts SetClocks(std::optional<std::int64_t> seat1Ms, std::optional<std::int64_t> seat2Ms);

}  // namespace pimra::online
