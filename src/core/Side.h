#pragma once

#include <cstdint>
#include <optional>

namespace pimra {

// Which row of the board: the bottom row (pits 1..6, store 7) or the top row (pits 8..13,
// store 14). The numbers are those the saved game, the server's seats and the protocol use.
enum class Side : std::uint8_t { Bottom = 1, Top = 2 };

constexpr Side other(Side side) {
    return side == Side::Bottom ? Side::Top : Side::Bottom;
}

// 1 for the bottom row, 2 for the top row.
constexpr int sideNumber(Side side) {
    return static_cast<int>(side);
}

// Empty for anything but 1 or 2.
constexpr std::optional<Side> sideFromNumber(int number) {
    if (number == 1) return Side::Bottom;
    if (number == 2) return Side::Top;
    return std::nullopt;
}

}  // namespace pimra
