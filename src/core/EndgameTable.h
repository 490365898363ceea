#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "RulesBoard.h"

namespace pimra {

// Proven values of every position with few stones left in the pits, for either side to move.
//
// A position's value is what the side to move gains from now on: its final store minus the
// other final store, less the same difference now. The stones in the pits decide it, and so
// do the stores, but only through the store limit: a store above kStoreLimit ends the game.
// The table therefore keys each row of pits by how many stones each store can still take
// before it passes the limit, counted up to the stones left (more room than that never
// matters). Any total of stones and any stores are covered, as long as neither store has
// passed the limit yet.
class EndgameTable {
  public:
    // 8 stones: 9 million positions, a few seconds to solve, 9 MB on disk.
    static constexpr int kDefaultStones = 8;
    static constexpr int kLargestStones = 12;

    // Solves every position with up to `maxStones` stones in the pits (0..kLargestStones).
    // Empty when stopped first.
    static std::optional<EndgameTable> build(int maxStones, std::stop_token stop = {});

    int maxStones() const { return maxStones_; }
    // The side to move's gain with best play on both sides; empty for a board with more
    // stones in its pits than the table holds, or with a store past the limit.
    std::optional<int> gain(const RulesBoard& board) const;

    // The file: a header (magic word, format version, stone count, size, checksum) and one
    // byte per position. Errors come back as text; nothing is thrown.
    std::optional<std::string> save(const std::filesystem::path& file) const;
    // Only a file that is whole, of this format and this stone count, and whose checksum
    // matches is read; anything else is an error.
    struct Loaded;
    static Loaded load(const std::filesystem::path& file, int maxStones);

    // Positions the table holds for `maxStones`.
    static std::size_t sizeFor(int maxStones);

    bool operator==(const EndgameTable&) const = default;

  private:
    EndgameTable(int maxStones, std::vector<std::int8_t> values);

    int maxStones_ = 0;
    std::vector<std::int8_t> values_;
};

struct EndgameTable::Loaded {
    std::optional<EndgameTable> table;
    std::string error;  // why there is no table
};

// Where the table is kept between runs: $XDG_CACHE_HOME/pimra, else ~/.cache/pimra; empty
// when neither is known.
std::filesystem::path endgameCacheFolder();
// The file name of the table of `maxStones` in the cache folder.
std::filesystem::path endgameCacheFile(const std::filesystem::path& folder, int maxStones);

// The table read from the cache folder, or solved and written there when the file is
// missing, damaged or of another format. A cache that cannot be written is not an error:
// the table is still returned, with the reason in `cacheError`.
struct EndgameLoad {
    std::shared_ptr<const EndgameTable> table;  // null only when stopped
    bool fromCache = false;
    std::string cacheError;
};
EndgameLoad loadOrBuildEndgame(const std::filesystem::path& folder, int maxStones,
                               std::stop_token stop = {});

// The table of kDefaultStones stones for the whole program, from the user's cache folder.
// The first call starts loading (or solving) it on a thread of its own; until that is done
// the result is null, so a search never waits for it. sharedEndgameWait blocks instead.
std::shared_ptr<const EndgameTable> sharedEndgame();
std::shared_ptr<const EndgameTable> sharedEndgameWait();

}  // namespace pimra
