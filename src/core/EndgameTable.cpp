#include "EndgameTable.h"

#include "HugePages.h"
#include "PitIndex.h"
#include "TableFile.h"
#include "TableSolver.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace pimra {

namespace {

constexpr std::uint32_t kFormatVersion = 1;
const TableFileKind kFileKind{{'P', 'I', 'M', 'R', 'A', 'E', 'G', 'T'}, kFormatVersion};

// Positions with n stones: every filling of the pits with every room left in both stores.
std::uint64_t positionsWith(int n) {
    const auto room = static_cast<std::uint64_t>(n + 1);
    return fillingsWith(n) * room * room;
}

std::uint64_t firstIndexOf(int n) {
    std::uint64_t first = 0;
    for (int m = 0; m < n; ++m) first += positionsWith(m);
    return first;
}

// Stones the store can still take before the game ends, counted up to n + 1.
int roomOf(int store, int n) {
    return std::min(kStoreLimit + 1 - store, n + 1);
}

std::optional<std::uint64_t> indexOf(const RulesBoard& board, int maxStones) {
    const int n = board.stonesInPits();
    const Side side = board.sideToMove();
    const int own = board.stones(Position::storeOf(side));
    const int theirs = board.stones(Position::storeOf(other(side)));
    if (n > maxStones || own > kStoreLimit || theirs > kStoreLimit) return std::nullopt;
    const auto room = static_cast<std::uint64_t>(n + 1);
    const auto ownRoom = static_cast<std::uint64_t>(roomOf(own, n) - 1);
    const auto otherRoom = static_cast<std::uint64_t>(roomOf(theirs, n) - 1);
    return firstIndexOf(n) + (rankOf(pitCellsOf(board), n) * room + ownRoom) * room + otherRoom;
}

}  // namespace

EndgameTable::EndgameTable(int maxStones, std::vector<std::int8_t> values)
    : maxStones_(maxStones), values_(std::move(values)) {
    // Every search reads it at random places.
    adviseHugePages(values_.data(), values_.size());
}

std::size_t EndgameTable::sizeFor(int maxStones) {
    return static_cast<std::size_t>(firstIndexOf(maxStones + 1));
}

std::optional<EndgameTable> EndgameTable::build(int maxStones, std::stop_token stop) {
    maxStones = std::clamp(maxStones, 0, kLargestStones);
    std::vector<std::int8_t> values(sizeFor(maxStones), kUnsolved);
    const auto slot = [&values, maxStones](const RulesBoard& board) -> std::int8_t& {
        return values[*indexOf(board, maxStones)];
    };
    TableSolver solver(slot, std::move(stop));
    for (int n = 0; n <= maxStones && !solver.stopped(); ++n) {
        forEachFilling(n, [&](const PitCells& cells) {
            for (int ownRoom = 1; ownRoom <= n + 1 && !solver.stopped(); ++ownRoom) {
                for (int otherRoom = 1; otherRoom <= n + 1; ++otherRoom) {
                    solver.solve(
                        boardOf(cells, kStoreLimit + 1 - ownRoom, kStoreLimit + 1 - otherRoom));
                }
            }
        });
    }
    if (solver.stopped()) return std::nullopt;
    return EndgameTable(maxStones, std::move(values));
}

std::optional<int> EndgameTable::gain(const RulesBoard& board) const {
    const std::optional<std::uint64_t> index = indexOf(board, maxStones_);
    if (!index) return std::nullopt;
    return values_[*index];
}

std::optional<std::string> EndgameTable::save(const std::filesystem::path& file) const {
    return saveTableFile(file, kFileKind, maxStones_, values_);
}

EndgameTable::Loaded EndgameTable::load(const std::filesystem::path& file, int maxStones) {
    if (maxStones < 0 || maxStones > kLargestStones) return {std::nullopt, "bad stone count"};
    LoadedTableFile loaded = loadTableFile(file, kFileKind, maxStones, sizeFor(maxStones));
    if (!loaded.values) return {std::nullopt, loaded.error};
    return {EndgameTable(maxStones, std::move(*loaded.values)), {}};
}

std::filesystem::path endgameCacheFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && std::filesystem::path(cache).is_absolute()) {
        return std::filesystem::path(cache) / "pimra";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && std::filesystem::path(home).is_absolute()) {
        return std::filesystem::path(home) / ".cache" / "pimra";
    }
    return {};
}

std::filesystem::path endgameCacheFile(const std::filesystem::path& folder, int maxStones) {
    return folder / ("endgame-v" + std::to_string(kFormatVersion) + "-" +
                     std::to_string(maxStones) + ".bin");
}

EndgameLoad loadOrBuildEndgame(const std::filesystem::path& folder, int maxStones,
                               std::stop_token stop) {
    const std::filesystem::path file =
        folder.empty() ? std::filesystem::path{} : endgameCacheFile(folder, maxStones);
    CachedTable<EndgameTable> cached = loadOrBuildCached<EndgameTable>(
        file, [&](const auto& path) { return EndgameTable::load(path, maxStones).table; },
        [&] { return EndgameTable::build(maxStones, std::move(stop)); });
    return {std::move(cached.table), cached.fromCache, std::move(cached.cacheError)};
}

namespace {

// The program's one table, loaded on a thread of its own on first use. It is never changed
// once made, so searches on any thread may read it.
class SharedEndgame {
  public:
    std::shared_ptr<const EndgameTable> get(bool wait) {
        std::unique_lock lock(mutex_);
        if (!started_) {
            started_ = true;
            worker_ = std::jthread([this](std::stop_token stop) {
                EndgameLoad load =
                    loadOrBuildEndgame(endgameCacheFolder(), EndgameTable::kDefaultStones, stop);
                const std::lock_guard done(mutex_);
                table_ = std::move(load.table);
                done_ = true;
                ready_.notify_all();
            });
        }
        if (wait) ready_.wait(lock, [this] { return done_; });
        return table_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::shared_ptr<const EndgameTable> table_;
    bool started_ = false;
    bool done_ = false;
    std::jthread worker_;  // last: stopped and joined before the rest goes
};

SharedEndgame& sharedEndgameHolder() {
    static SharedEndgame holder;
    return holder;
}

}  // namespace

std::shared_ptr<const EndgameTable> sharedEndgame() {
    return sharedEndgameHolder().get(false);
}

std::shared_ptr<const EndgameTable> sharedEndgameWait() {
    return sharedEndgameHolder().get(true);
}

}  // namespace pimra
