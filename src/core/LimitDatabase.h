#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "PitDatabase.h"
#include "RulesBoard.h"

namespace pimra {

// Proven values of the positions of one total of stones where both stores can still pass the
// store limit, with up to maxStones() stones in the pits, for either side to move.
//
// There the limit can end the game for either side, so the pits alone do not decide the rest
// of the game as they do in the PitDatabase. But with the total fixed, the side to move's
// store decides the other one, so a position is its pits and its side's room below the limit.
// With 60 stones (five a pit) both stores can pass the limit from 14 stones in the pits on,
// and a proof spends most of its time there; with 48 or fewer they never both can, within
// kLargestStones.
class LimitDatabase {
  public:
    // 60 stones (five a pit), 18 stones: 318 million positions, about 3 minutes to solve.
    static constexpr int kDefaultStones = 18;
    // What a proof builds at most unless told otherwise: 72 stones (six a pit) then get 16.
    static constexpr std::size_t kProofBytes = std::size_t{512} << 20;
    static constexpr int kLargestStones = PitDatabase::kLargestStones;

    // Called now and then during a build with the share of positions solved (0..1).
    using Progress = std::function<void(double)>;

    // Solves every such position of `total` stones with up to `maxStones` stones in the pits
    // (0..kLargestStones). `pits` must hold at least `maxStones` stones: it values the
    // positions the table's lead to where at most one store can pass the limit. Empty when
    // stopped first or when `pits` is too small.
    static std::optional<LimitDatabase> build(int total, int maxStones, const PitDatabase& pits,
                                              std::stop_token stop = {},
                                              const Progress& progress = {});

    int total() const { return total_; }
    int maxStones() const { return maxStones_; }
    std::size_t size() const { return values_.size(); }
    // The side to move's gain with best play on both sides; empty for any other position
    // (another total, more stones in the pits, or a store that cannot pass the limit or has
    // passed it).
    std::optional<int> gain(const RulesBoard& board) const;

    // The file is a TableFile; errors come back as text.
    std::optional<std::string> save(const std::filesystem::path& file) const;
    struct Loaded;
    static Loaded load(const std::filesystem::path& file, int total, int maxStones);

    // Positions the database holds for `total` and `maxStones`.
    static std::size_t sizeFor(int total, int maxStones);

    bool operator==(const LimitDatabase&) const = default;

  private:
    LimitDatabase(int total, int maxStones, std::vector<std::int8_t> values);
    // Where the positions with n stones in the pits begin, for n = 0..maxStones + 1.
    static std::vector<std::uint64_t> firstsFor(int total, int maxStones);
    static std::optional<std::uint64_t> indexOf(const RulesBoard& board, int total,
                                                const std::vector<std::uint64_t>& firsts);

    int total_ = 0;
    int maxStones_ = 0;
    std::vector<std::uint64_t> firsts_;
    std::vector<std::int8_t> values_;
};

struct LimitDatabase::Loaded {
    std::optional<LimitDatabase> database;
    std::string error;  // why there is none
};

// The file name of the database of `total` and `maxStones` in the cache folder (see
// endgameCacheFolder).
std::filesystem::path limitDatabaseFile(const std::filesystem::path& folder, int total,
                                        int maxStones);

// The database read from the cache folder, or solved and written there when the file is
// missing, damaged or of another format; a cache that cannot be written still gives the
// database, with the reason in `cacheError`.
struct LimitDatabaseLoad {
    std::shared_ptr<const LimitDatabase> database;  // null when stopped or `pits` is too small
    bool fromCache = false;
    std::string cacheError;
};
LimitDatabaseLoad loadOrBuildLimitDatabase(const std::filesystem::path& folder, int total,
                                           int maxStones, const PitDatabase& pits,
                                           std::stop_token stop = {},
                                           const LimitDatabase::Progress& progress = {});

}  // namespace pimra
