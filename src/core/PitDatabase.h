#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "RulesBoard.h"

namespace pimra {

// Proven values of every position with up to maxStones() stones in the pits whose stores
// cannot reach the store limit any more (each store plus the stones in the pits is at most
// kStoreLimit), for either side to move. There the stores never change what the rest of the
// game brings, so a position is only its twelve pits: the row of the side to move first, one
// byte each for what the side to move gains from now on. 16 stones: 30 million positions.
// Positions where a store can still pass the limit are the EndgameTable's.
class PitDatabase {
  public:
    static constexpr int kDefaultStones = 16;
    static constexpr int kLargestStones = 20;

    // Called now and then during a build with the share of positions solved (0..1).
    using Progress = std::function<void(double)>;

    // Solves every such position with up to `maxStones` stones (0..kLargestStones). Empty when
    // stopped first.
    static std::optional<PitDatabase> build(int maxStones, std::stop_token stop = {},
                                            const Progress& progress = {});

    int maxStones() const { return maxStones_; }
    std::size_t size() const { return values_.size(); }
    // The side to move's gain with best play on both sides; empty for a board with more stones
    // in its pits than the database holds or with a store that can still reach the limit.
    std::optional<int> gain(const RulesBoard& board) const;
    // The gain as if there were no store limit, whatever the stores; empty for a board with
    // more stones in its pits than the database holds.
    std::optional<int> gainWithoutLimit(const RulesBoard& board) const;

    // Where only one store can still pass the limit (its side is the leader), the value
    // without the limit decides most positions too; see decidedGain.
    struct Leader {
        bool toMove = false;
        int freeMargin = 0;  // the leader's final margin without the limit
        int passed = 0;      // the least margin of a game ended by passing the limit
    };
    // The leader of a board the database holds, with its stores below the limit; empty when
    // both stores or neither can pass it.
    std::optional<Leader> leaderOf(const RulesBoard& board) const;
    // gain(), or where only one store can pass the limit, the gain the value without the limit
    // proves; empty where it proves only a bound (see leaderOf) or both stores can pass it.
    std::optional<int> decidedGain(const RulesBoard& board) const;

    // The file is a TableFile; errors come back as text.
    std::optional<std::string> save(const std::filesystem::path& file) const;
    struct Loaded;
    static Loaded load(const std::filesystem::path& file, int maxStones);

    // Positions the database holds for `maxStones`.
    static std::size_t sizeFor(int maxStones);

    bool operator==(const PitDatabase&) const = default;

  private:
    PitDatabase(int maxStones, std::vector<std::int8_t> values);

    int maxStones_ = 0;
    std::vector<std::int8_t> values_;
};

struct PitDatabase::Loaded {
    std::optional<PitDatabase> database;
    std::string error;  // why there is none
};

// The file name of the database of `maxStones` in the cache folder (see endgameCacheFolder).
std::filesystem::path pitDatabaseFile(const std::filesystem::path& folder, int maxStones);

// The database read from the cache folder, or solved and written there when the file is
// missing, damaged or of another format; a cache that cannot be written still gives the
// database, with the reason in `cacheError`.
struct PitDatabaseLoad {
    std::shared_ptr<const PitDatabase> database;  // null only when stopped
    bool fromCache = false;
    std::string cacheError;
};
PitDatabaseLoad loadOrBuildPitDatabase(const std::filesystem::path& folder, int maxStones,
                                       std::stop_token stop = {},
                                       const PitDatabase::Progress& progress = {});

}  // namespace pimra
