#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pimra::net {

// Numbers travel as decimal text. Only an optional "-" followed by digits that fit a signed
// 32-bit integer is a number; anything else (blanks, "+", hex, overflow) is not.
std::optional<int> ParseDecimal(std::string_view text);

// The text without blanks at either end.
std::string_view TrimBlanks(std::string_view text);

}  // namespace pimra::net
