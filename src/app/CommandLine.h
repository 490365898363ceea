#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pimra {

// What the program prints for "--help" or "--version" before any window or display is
// needed; none when the game is to start. The first of the two given wins.
std::optional<std::string> immediateAnswer(const std::vector<std::string>& arguments);

}  // namespace pimra
