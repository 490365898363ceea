#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "core/Position.h"

namespace pimra::net {

// For each pit 1..14 (element 0 is pit 1): the server's new count, or none to keep the pit's.
using PositionUpdate = std::array<std::optional<int>, kPitCount>;

// The server's position text: counts of pits 1..14 separated by "|", blanks around an item
// ignored. A missing item, one that is not a decimal number, or a count that does not fit a
// pit (negative or above 255) keeps that pit; items after the fourteenth are ignored.
PositionUpdate ParsePositionText(std::string_view text);

Position ApplyPosition(const Position& board, const PositionUpdate& update);
Position ApplyPosition(const Position& board, std::string_view text);

}  // namespace pimra::net
