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
    TableSolver solver(values, indexOf, std::move(stop), report);
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
    PitDatabaseLoad result;
    const std::filesystem::path file =
        folder.empty() ? std::filesystem::path{} : pitDatabaseFile(folder, maxStones);
    if (!file.empty()) {
        PitDatabase::Loaded loaded = PitDatabase::load(file, maxStones);
        if (loaded.database) {
            result.database = std::make_shared<const PitDatabase>(std::move(*loaded.database));
            result.fromCache = true;
            return result;
        }
    }
    std::optional<PitDatabase> built = PitDatabase::build(maxStones, std::move(stop), progress);
    if (!built) return result;
    result.database = std::make_shared<const PitDatabase>(std::move(*built));
    if (file.empty()) {
        result.cacheError = "no cache folder";
    } else if (std::optional<std::string> error = result.database->save(file)) {
        result.cacheError = *error;
    }
    return result;
}

}  // namespace pimra
