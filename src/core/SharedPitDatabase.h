#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "LimitDatabase.h"
#include "PitDatabase.h"

namespace pimra {

// How far the program's pit database has come.
struct PitDatabaseStatus {
    enum class State { NotStarted, Loading, Building, Ready, Failed };
    State state = State::NotStarted;
    int stones = 0;
    double progress = 0;     // share of the build done, 0..1
    std::size_t bytes = 0;   // the database's size once ready
    double seconds = 0;      // the load or build so far, or in all once ready
    bool fromCache = false;  // once ready: read from the cache rather than built
    std::string cacheError;  // once ready: why it could not be kept on disk
};

// The pit database of PitDatabase::kDefaultStones stones (or PIMRA_PIT_STONES) for the whole
// program, from the user's cache folder. The first call starts loading (or building) it on a thread
// of its own; until that is done the result is null, so a search never waits for it.
// sharedPitDatabaseWait blocks instead.
std::shared_ptr<const PitDatabase> sharedPitDatabase();
std::shared_ptr<const PitDatabase> sharedPitDatabaseWait();
// Starts nothing: the state of the load the calls above started, if any.
PitDatabaseStatus sharedPitDatabaseStatus();

// The largest pit database (PitDatabase::kLargestStones stones: 226 MB, about a minute to build
// on first use), or the one PIMRA_PIT_STONES names, for proofs run by tools. Read from the
// cache folder or built and written there, blocking; each call loads it afresh.
PitDatabaseLoad loadProofPitDatabase(const PitDatabase::Progress& progress = {});

// For proofs run by tools: the limit database of positions of `total` stones with up to
// LimitDatabase::kDefaultStones stones in the pits, fewer where it would pass
// LimitDatabase::kProofBytes (or PIMRA_LIMIT_STONES; at most what `pits` holds), read from the
// cache folder or built and written there, blocking. None when both stores can never pass the
// limit within those stones.
LimitDatabaseLoad loadProofLimitDatabase(int total, const PitDatabase& pits);

}  // namespace pimra
