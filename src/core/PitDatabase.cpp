#include "PitDatabase.h"

#include <algorithm>

#include "HugePages.h"
#include "PitIndex.h"
#include "TableFile.h"
#include "TableSolver.h"

namespace pimra {

namespace {

constexpr std::uint32_t kFormatVersion = 1;
const TableFileKind kFileKind{{'P', 'I', 'M', 'R', 'A', 'P', 'I', 'T'}, kFormatVersion};

// A store that cannot reach the limit with every stone left in the pits.
bool limitOutOfReach(const RulesBoard& board) {
    const int open = board.stonesInPits();
    return board.stones(kBottomStore) + open <= kStoreLimit &&
           board.stones(kTopStore) + open <= kStoreLimit;
}

std::uint64_t indexOf(const RulesBoard& board) {
    const int n = board.stonesInPits();
    return fillingsBelow(n) + rankOf(pitCellsOf(board), n);
}

}  // namespace

PitDatabase::PitDatabase(int maxStones, std::vector<std::int8_t> values)
    : maxStones_(maxStones), values_(std::move(values)) {
    // Every search reads it at random places.
    adviseHugePages(values_.data(), values_.size());
}

std::size_t PitDatabase::sizeFor(int maxStones) {
    return static_cast<std::size_t>(fillingsBelow(maxStones + 1));
}

std::optional<PitDatabase> PitDatabase::build(int maxStones, std::stop_token stop,
                                              const Progress& progress) {
    maxStones = std::clamp(maxStones, 0, kLargestStones);
    const std::size_t size = sizeFor(maxStones);
    std::vector<std::int8_t> values(size, kUnsolved);
    const auto report = [&progress, size](std::uint64_t solved) {
        if (progress) progress(static_cast<double>(solved) / static_cast<double>(size));
    };
    // Built with empty stores: the stones of a position, at most kLargestStones, never let a
    // store pass the limit, and every position it leads to is one of the database's too.
    const auto slot = [&values](const RulesBoard& board) -> std::int8_t& {
        return values[indexOf(board)];
    };
    TableSolver solver(slot, std::move(stop), report);
    for (int n = 0; n <= maxStones && !solver.stopped(); ++n) {
        forEachFilling(n, [&](const PitCells& cells) {
            if (!solver.stopped()) solver.solve(boardOf(cells, 0, 0));
        });
    }
    if (solver.stopped()) return std::nullopt;
    if (progress) progress(1.0);
    return PitDatabase(maxStones, std::move(values));
}

std::optional<int> PitDatabase::gain(const RulesBoard& board) const {
    if (board.stonesInPits() > maxStones_ || !limitOutOfReach(board)) return std::nullopt;
    return values_[indexOf(board)];
}

std::optional<int> PitDatabase::gainWithoutLimit(const RulesBoard& board) const {
    if (board.stonesInPits() > maxStones_) return std::nullopt;
    return values_[indexOf(board)];
}

// Passing the limit ends a game with the leader at least `passed` ahead (its store above the
// limit, the other store at most the rest). When the value without the limit leaves the leader
// less than that, it is the value with the limit: the other side, playing as if there were no
// limit, keeps the leader to it in every line, and no such line passes the limit, because
// stores never lose stones, so a line that passed it would have ended at least `passed` ahead
// without the limit too. The leader can also always play as if there were no limit, so when
// that value gives it `passed` or more, it gets at least `passed`.
std::optional<PitDatabase::Leader> PitDatabase::leaderOf(const RulesBoard& board) const {
    const int open = board.stonesInPits();
    if (open > maxStones_) return std::nullopt;
    const Side side = board.sideToMove();
    const int own = board.stones(Position::storeOf(side));
    const int others = board.stones(Position::storeOf(other(side)));
    if (own > kStoreLimit || others > kStoreLimit) return std::nullopt;
    const bool ownCanPass = own + open > kStoreLimit;
    const bool otherCanPass = others + open > kStoreLimit;
    if (ownCanPass == otherCanPass) return std::nullopt;
    const int free = board.storeMargin(side) + values_[indexOf(board)];
    return Leader{ownCanPass, ownCanPass ? free : -free, 2 * (kStoreLimit + 1) - board.total()};
}

std::optional<int> PitDatabase::decidedGain(const RulesBoard& board) const {
    if (const std::optional<int> known = gain(board)) return known;
    const std::optional<Leader> leader = leaderOf(board);
    if (!leader || leader->freeMargin >= leader->passed) return std::nullopt;
    return values_[indexOf(board)];
}

std::optional<std::string> PitDatabase::save(const std::filesystem::path& file) const {
    return saveTableFile(file, kFileKind, maxStones_, values_);
}

PitDatabase::Loaded PitDatabase::load(const std::filesystem::path& file, int maxStones) {
    if (maxStones < 0 || maxStones > kLargestStones) return {std::nullopt, "bad stone count"};
    LoadedTableFile loaded = loadTableFile(file, kFileKind, maxStones, sizeFor(maxStones));
    if (!loaded.values) return {std::nullopt, loaded.error};
    return {PitDatabase(maxStones, std::move(*loaded.values)), {}};
}

std::filesystem::path pitDatabaseFile(const std::filesystem::path& folder, int maxStones) {
    return folder /
           ("pits-v" + std::to_string(kFormatVersion) + "-" + std::to_string(maxStones) + ".bin");
}

PitDatabaseLoad loadOrBuildPitDatabase(const std::filesystem::path& folder, int maxStones,
                                       std::stop_token stop,
                                       const PitDatabase::Progress& progress) {
    const std::filesystem::path file =
        folder.empty() ? std::filesystem::path{} : pitDatabaseFile(folder, maxStones);
    CachedTable<PitDatabase> cached = loadOrBuildCached<PitDatabase>(
        file, [&](const auto& path) { return PitDatabase::load(path, maxStones).database; },
        [&] { return PitDatabase::build(maxStones, std::move(stop), progress); });
    return {std::move(cached.table), cached.fromCache, std::move(cached.cacheError)};
}

}  // namespace pimra
