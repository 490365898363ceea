#pragma once

#include <vector>

#include "core/Position.h"

namespace pimra::book {

// Every position where a move is chosen during the first `turns` turns from the start with
// `stonesPerPit` stones per pit, the bottom row first, seen with the bottom row to move (the
// top row's positions mirrored), each once, earlier turns first.
std::vector<Position> openingPositions(int stonesPerPit, int turns);

}  // namespace pimra::book
