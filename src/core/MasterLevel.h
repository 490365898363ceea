#pragma once

#include <stop_token>

#include "Levels.h"
#include "MasterSearch.h"

namespace pimra {

// One second per move unless the settings say otherwise.
inline constexpr std::chrono::milliseconds kDefaultMasterTime{1000};

// True for the level the master search plays; "Изменчивый" never draws it.
inline bool isMasterLevel(int level) {
    return level == kLevelMaster;
}

// The master's move for the top row of a local game. The pit is a board index 8..13, or 0
// when the top row is empty. A board too large for the search gets the very hard level's
// move (with `searched` false).
SearchResult MasterComputerMove(MasterSearch& search, const Position& board,
                                const SearchLimits& limits, std::stop_token stop = {});

}  // namespace pimra
