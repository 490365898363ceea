#pragma once

#include <string>

#include "core/GameRecord.h"
#include "core/MasterSearch.h"

namespace pimra::engine {

// Replays a record and values every move for the player who made it: one line per move,
// "N. P by WHO value V", followed by " best Q value W" when the master search prefers
// another move Q that is worth more (a blunder check).
std::string recordReport(const GameRecord& record, MasterSearch& search,
                         const SearchLimits& limits);

}  // namespace pimra::engine
