#include "LimitDatabase.h"

#include <algorithm>
#include <unordered_map>

#include "HugePages.h"
#include "PitIndex.h"
#include "TableFile.h"
#include "TableSolver.h"

namespace pimra {

namespace {

constexpr std::uint32_t kFormatVersion = 1;
const TableFileKind kFileKind{{'P', 'I', 'M', 'R', 'A', 'L', 'I', 'M'}, kFormatVersion};
// The file's stone count field holds both numbers.
int fileStones(int total, int maxStones) {
    return total * 256 + maxStones;
}

// The side to move's rooms below the limit that leave both stores able to pass it, with n
// stones in the pits: the other store's room is `least` + n - room, where `least` is the
// least margin of a game ended by passing the limit, and both rooms lie in 1..n.
struct Rooms {
    int first = 0;
    int count = 0;
};

Rooms roomsWith(int total, int n) {
    const int least = 2 * (kStoreLimit + 1) - total;
    const int first = std::max(1, least);
    const int last = std::min(n, least + n - 1);
    return {first, std::max(0, last - first + 1)};
}

}  // namespace

std::vector<std::uint64_t> LimitDatabase::firstsFor(int total, int maxStones) {
    std::vector<std::uint64_t> firsts;
    std::uint64_t first = 0;
    for (int n = 0; n <= maxStones + 1; ++n) {
        firsts.push_back(first);
        first += fillingsWith(n) * static_cast<std::uint64_t>(roomsWith(total, n).count);
    }
    return firsts;
}

std::optional<std::uint64_t> LimitDatabase::indexOf(const RulesBoard& board, int total,
                                                    const std::vector<std::uint64_t>& firsts) {
    const int n = board.stonesInPits();
    if (board.total() != total || n + 1 >= static_cast<int>(firsts.size())) return std::nullopt;
    const int own = board.stones(Position::storeOf(board.sideToMove()));
    const int room = kStoreLimit + 1 - own;
    const Rooms rooms = roomsWith(total, n);
    if (room < rooms.first || room >= rooms.first + rooms.count) return std::nullopt;
    const auto count = static_cast<std::uint64_t>(rooms.count);
    return firsts[static_cast<std::size_t>(n)] + rankOf(pitCellsOf(board), n) * count +
           static_cast<std::uint64_t>(room - rooms.first);
}

namespace {

// Where to find or keep a position's value during a build: the table's own positions in the
// table; positions where at most one store can pass the limit in the pit database where it
// decides them, else (the leader far ahead) in a map kept for the build only. The map is the
// build's largest part: about 1.4 GB for 60 stones with 18 in the pits.
template <typename IndexOf>
class BuildSlots {
  public:
    BuildSlots(IndexOf indexOf, std::vector<std::int8_t>& values, const PitDatabase& pits)
        : indexOf_(std::move(indexOf)), values_(values), pits_(pits) {}

    std::int8_t& operator()(const RulesBoard& board) {
        if (const std::optional<std::uint64_t> at = indexOf_(board)) return values_[*at];
        if (const std::optional<int> known = pits_.decidedGain(board)) {
            // Read at once by the solver, before anything else asks for a slot.
            known_ = static_cast<std::int8_t>(*known);
            return known_;
        }
        const int n = board.stonesInPits();
        const std::uint64_t key =
            (fillingsBelow(n) + rankOf(pitCellsOf(board), n)) * 64 +
            static_cast<std::uint64_t>(board.stones(Position::storeOf(board.sideToMove())));
        return others_.try_emplace(key, kUnsolved).first->second;
    }

  private:
    IndexOf indexOf_;
    std::vector<std::int8_t>& values_;
    const PitDatabase& pits_;
    std::int8_t known_ = kUnsolved;
    std::unordered_map<std::uint64_t, std::int8_t> others_;
};

}  // namespace

LimitDatabase::LimitDatabase(int total, int maxStones, std::vector<std::int8_t> values)
    : total_(total),
      maxStones_(maxStones),
      firsts_(firstsFor(total, maxStones)),
      values_(std::move(values)) {
    // Every search reads it at random places.
    adviseHugePages(values_.data(), values_.size());
}

std::size_t LimitDatabase::sizeFor(int total, int maxStones) {
    return static_cast<std::size_t>(firstsFor(total, maxStones).back());
}

std::optional<LimitDatabase> LimitDatabase::build(int total, int maxStones, const PitDatabase& pits,
                                                  std::stop_token stop, const Progress& progress) {
    maxStones = std::clamp(maxStones, 0, kLargestStones);
    if (pits.maxStones() < maxStones || total < 0 || total > RulesBoard::kMaxStones) {
        return std::nullopt;
    }
    const std::vector<std::uint64_t> firsts = firstsFor(total, maxStones);
    const auto size = static_cast<std::size_t>(firsts.back());
    std::vector<std::int8_t> values(size, kUnsolved);
    const auto report = [&progress, size](std::uint64_t solved) {
        if (progress && size > 0) {
            progress(std::min(1.0, static_cast<double>(solved) / static_cast<double>(size)));
        }
    };
    const auto indexIn = [total, &firsts](const RulesBoard& board) {
        return indexOf(board, total, firsts);
    };
    TableSolver solver(BuildSlots(indexIn, values, pits), std::move(stop), report);
    for (int n = 0; n <= maxStones && !solver.stopped(); ++n) {
        const Rooms rooms = roomsWith(total, n);
        if (rooms.count == 0) continue;
        forEachFilling(n, [&](const PitCells& cells) {
            for (int room = rooms.first; room < rooms.first + rooms.count; ++room) {
                if (solver.stopped()) return;
                const int own = kStoreLimit + 1 - room;
                solver.solve(boardOf(cells, own, total - n - own));
            }
        });
    }
    if (solver.stopped()) return std::nullopt;
    if (progress) progress(1.0);
    return LimitDatabase(total, maxStones, std::move(values));
}

std::optional<int> LimitDatabase::gain(const RulesBoard& board) const {
    const std::optional<std::uint64_t> at = indexOf(board, total_, firsts_);
    if (!at) return std::nullopt;
    return values_[*at];
}

std::optional<std::string> LimitDatabase::save(const std::filesystem::path& file) const {
    return saveTableFile(file, kFileKind, fileStones(total_, maxStones_), values_);
}

LimitDatabase::Loaded LimitDatabase::load(const std::filesystem::path& file, int total,
                                          int maxStones) {
    if (maxStones < 0 || maxStones > kLargestStones || total < 0 ||
        total > RulesBoard::kMaxStones) {
        return {std::nullopt, "bad stone count"};
    }
    LoadedTableFile loaded =
        loadTableFile(file, kFileKind, fileStones(total, maxStones), sizeFor(total, maxStones));
    if (!loaded.values) return {std::nullopt, loaded.error};
    return {LimitDatabase(total, maxStones, std::move(*loaded.values)), {}};
}

std::filesystem::path limitDatabaseFile(const std::filesystem::path& folder, int total,
                                        int maxStones) {
    return folder / ("limits-v" + std::to_string(kFormatVersion) + "-" + std::to_string(total) +
                     "-" + std::to_string(maxStones) + ".bin");
}

LimitDatabaseLoad loadOrBuildLimitDatabase(const std::filesystem::path& folder, int total,
                                           int maxStones, const PitDatabase& pits,
                                           std::stop_token stop,
                                           const LimitDatabase::Progress& progress) {
    const std::filesystem::path file =
        folder.empty() ? std::filesystem::path{} : limitDatabaseFile(folder, total, maxStones);
    CachedTable<LimitDatabase> cached = loadOrBuildCached<LimitDatabase>(
        file,
        [&](const auto& path) { return LimitDatabase::load(path, total, maxStones).database; },
        [&] { return LimitDatabase::build(total, maxStones, pits, std::move(stop), progress); });
    return {std::move(cached.table), cached.fromCache, std::move(cached.cacheError)};
}

}  // namespace pimra
