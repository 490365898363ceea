#pragma once

#include <functional>
#include <stop_token>

#include "MasterSearch.h"

namespace pimra {

// Proves, one by one, the values of the moves an analysis of `position` left unproven: each
// move's position is handed to MasterSearch::prove with an equal share of the time left in
// `limits`. A proven move's value and `exact` replace the analysis's guess, and `progress`
// gets the analysis after each one. Once every move is proven the analysis is exact and
// chooses the best move. A move not proven in its share keeps the analysis's value.
void proveMoves(MasterSearch& search, const Position& position, Side sideToMove,
                SearchResult& analysis, const SearchLimits& limits, std::stop_token stop = {},
                const MasterSearch::Progress& progress = {});

}  // namespace pimra
