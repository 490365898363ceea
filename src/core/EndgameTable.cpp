#include "EndgameTable.h"

#include <algorithm>
#include <array>
#include <boost/crc.hpp>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

namespace pimra {

namespace {

constexpr int kParts = 12;  // the pits of both rows
constexpr std::int8_t kUnknown = INT8_MIN;
constexpr char kMagic[8] = {'P', 'I', 'M', 'R', 'A', 'E', 'G', 'T'};
constexpr std::uint32_t kFormatVersion = 1;
constexpr std::size_t kHeaderSize = 32;

// Binomial coefficients C(m, k) for the ranks of the rows of pits.
class Binomials {
  public:
    Binomials() {
        for (std::size_t m = 0; m < kRows; ++m) {
            c_[m][0] = 1;
            for (std::size_t k = 1; k <= static_cast<std::size_t>(kParts) && k <= m; ++k) {
                c_[m][k] = c_[m - 1][k - 1] + (k < m ? c_[m - 1][k] : 0);
            }
        }
    }
    std::uint64_t operator()(int m, int k) const {
        return c_[static_cast<std::size_t>(m)][static_cast<std::size_t>(k)];
    }

  private:
    static constexpr std::size_t kRows = EndgameTable::kLargestStones + kParts + 1;
    std::array<std::array<std::uint64_t, kParts + 1>, kRows> c_{};
};

const Binomials& binomials() {
    static const Binomials table;
    return table;
}

// The ways to put n stones into the twelve pits.
std::uint64_t rowsWith(int n) {
    return binomials()(n + kParts - 1, kParts - 1);
}

// Positions with n stones: every filling of the pits with every room left in both stores.
std::uint64_t positionsWith(int n) {
    const auto room = static_cast<std::uint64_t>(n + 1);
    return rowsWith(n) * room * room;
}

std::uint64_t firstIndexOf(int n) {
    std::uint64_t first = 0;
    for (int m = 0; m < n; ++m) first += positionsWith(m);
    return first;
}

// The pits in the order the table reads them: the row of the side to move first, each row
// in sowing order.
std::array<int, kParts> pitsOf(const RulesBoard& board) {
    std::array<int, kParts> cells{};
    const int own = Position::firstPitOf(board.sideToMove());
    const int theirs = Position::firstPitOf(other(board.sideToMove()));
    for (int i = 0; i < 6; ++i) {
        cells[static_cast<std::size_t>(i)] = board.stones(own + i);
        cells[static_cast<std::size_t>(i + 6)] = board.stones(theirs + i);
    }
    return cells;
}

// The place of a filling among all fillings with the same number of stones.
std::uint64_t rankOf(const std::array<int, kParts>& cells, int n) {
    const Binomials& c = binomials();
    std::uint64_t rank = 0;
    int rest = n;
    for (int i = 0; i + 1 < kParts; ++i) {
        const int after = kParts - 1 - i;  // pits after this one
        const int here = cells[static_cast<std::size_t>(i)];
        rank += c(rest + after, after) - c(rest - here + after, after);
        rest -= here;
    }
    return rank;
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
    return firstIndexOf(n) + (rankOf(pitsOf(board), n) * room + ownRoom) * room + otherRoom;
}

int rowSum(const RulesBoard& board, Side side) {
    const int first = Position::firstPitOf(side);
    int sum = 0;
    for (int i = first; i < first + 6; ++i) sum += board.stones(i);
    return sum;
}

// Solves positions depth first, each once. Play never returns to a position: a move either
// puts stones into a store for good or carries stones nearer the end of their own row.
class Solver {
  public:
    Solver(std::vector<std::int8_t>& values, int maxStones, std::stop_token stop)
        : values_(values), maxStones_(maxStones), stop_(std::move(stop)) {}

    int solve(const RulesBoard& board) {
        const std::uint64_t index = *indexOf(board, maxStones_);
        std::int8_t& slot = values_[index];
        if (slot != kUnknown) return slot;
        if (++solved_ % 65536 == 0 && stop_.stop_requested()) stopped_ = true;
        if (stopped_) return 0;
        const Side side = board.sideToMove();
        int best = -rowSum(board, other(side));  // no move: the other row goes to its store
        if (board.hasMove()) {
            best = INT8_MIN;
            const int first = Position::firstPitOf(side);
            for (int pit = first; pit < first + 6; ++pit) {
                if (board.stones(pit) > 0) best = std::max(best, moveGain(board, pit));
            }
        }
        if (stopped_) return 0;
        slot = static_cast<std::int8_t>(best);
        return best;
    }

    bool stopped() const { return stopped_; }

  private:
    int moveGain(const RulesBoard& board, int pit) {
        const Side side = board.sideToMove();
        RulesBoard child = board;
        const RulesMove move = child.play(pit);
        const int now = child.storeMargin(side) - board.storeMargin(side);
        if (move.gameOver) return now;
        return move.extraTurn ? now + solve(child) : now - solve(child);
    }

    std::vector<std::int8_t>& values_;
    int maxStones_;
    std::stop_token stop_;
    std::uint64_t solved_ = 0;
    bool stopped_ = false;
};

// Calls `visit` with every filling of the twelve pits with n stones.
template <typename Visit>
void forEachFilling(int n, Visit&& visit) {
    std::array<int, kParts> cells{};
    auto fill = [&](auto&& self, int i, int rest) -> void {
        if (i == kParts - 1) {
            cells[static_cast<std::size_t>(i)] = rest;
            visit(cells);
            return;
        }
        for (int here = 0; here <= rest; ++here) {
            cells[static_cast<std::size_t>(i)] = here;
            self(self, i + 1, rest - here);
        }
    };
    fill(fill, 0, n);
}

std::uint32_t checksumOf(const std::vector<std::int8_t>& values) {
    boost::crc_32_type crc;
    crc.process_bytes(values.data(), values.size());
    return crc.checksum();
}

void putWord(char* out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

std::uint64_t getWord(const char* in, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[i])) << (8 * i);
    }
    return value;
}

std::array<char, kHeaderSize> headerOf(int maxStones, std::size_t size, std::uint32_t crc) {
    std::array<char, kHeaderSize> header{};
    std::copy(std::begin(kMagic), std::end(kMagic), header.begin());
    putWord(header.data() + 8, kFormatVersion, 4);
    putWord(header.data() + 12, static_cast<std::uint64_t>(maxStones), 4);
    putWord(header.data() + 16, size, 8);
    putWord(header.data() + 24, crc, 4);
    return header;
}

}  // namespace

std::size_t EndgameTable::sizeFor(int maxStones) {
    return static_cast<std::size_t>(firstIndexOf(maxStones + 1));
}

std::optional<EndgameTable> EndgameTable::build(int maxStones, std::stop_token stop) {
    maxStones = std::clamp(maxStones, 0, kLargestStones);
    std::vector<std::int8_t> values(sizeFor(maxStones), kUnknown);
    Solver solver(values, maxStones, std::move(stop));
    for (int n = 0; n <= maxStones && !solver.stopped(); ++n) {
        forEachFilling(n, [&](const std::array<int, kParts>& cells) {
            for (int ownRoom = 1; ownRoom <= n + 1 && !solver.stopped(); ++ownRoom) {
                for (int otherRoom = 1; otherRoom <= n + 1; ++otherRoom) {
                    Position position;
                    for (int i = 0; i < 6; ++i) {
                        position[1 + i] = cells[static_cast<std::size_t>(i)];
                        position[8 + i] = cells[static_cast<std::size_t>(i + 6)];
                    }
                    position[kBottomStore] = kStoreLimit + 1 - ownRoom;
                    position[kTopStore] = kStoreLimit + 1 - otherRoom;
                    solver.solve(*RulesBoard::from(position, Side::Bottom));
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
    std::error_code error;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), error);
    if (error) return "cannot make the folder " + file.parent_path().string();
    // Written beside the file and renamed: a reader never sees half a table.
    std::filesystem::path part = file;
    part += ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        const auto header = headerOf(maxStones_, values_.size(), checksumOf(values_));
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        out.write(reinterpret_cast<const char*>(values_.data()),
                  static_cast<std::streamsize>(values_.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(part, error);
            return "cannot write " + part.string();
        }
    }
    std::filesystem::rename(part, file, error);
    if (error) {
        std::filesystem::remove(part, error);
        return "cannot rename " + part.string();
    }
    return std::nullopt;
}

EndgameTable::Loaded EndgameTable::load(const std::filesystem::path& file, int maxStones) {
    if (maxStones < 0 || maxStones > kLargestStones) return {std::nullopt, "bad stone count"};
    const std::size_t size = sizeFor(maxStones);
    std::error_code error;
    const std::uintmax_t fileSize = std::filesystem::file_size(file, error);
    if (error) return {std::nullopt, "no file " + file.string()};
    if (fileSize != kHeaderSize + size) return {std::nullopt, "wrong size"};
    std::ifstream in(file, std::ios::binary);
    std::array<char, kHeaderSize> header{};
    in.read(header.data(), static_cast<std::streamsize>(header.size()));
    std::vector<std::int8_t> values(size);
    in.read(reinterpret_cast<char*>(values.data()), static_cast<std::streamsize>(size));
    if (!in) return {std::nullopt, "cannot read " + file.string()};
    if (!std::equal(std::begin(kMagic), std::end(kMagic), header.begin())) {
        return {std::nullopt, "not an endgame table"};
    }
    if (getWord(header.data() + 8, 4) != kFormatVersion) return {std::nullopt, "other version"};
    if (getWord(header.data() + 12, 4) != static_cast<std::uint64_t>(maxStones) ||
        getWord(header.data() + 16, 8) != size) {
        return {std::nullopt, "other stone count"};
    }
    if (getWord(header.data() + 24, 4) != checksumOf(values)) return {std::nullopt, "damaged"};
    return {EndgameTable(maxStones, std::move(values)), {}};
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
    EndgameLoad result;
    const std::filesystem::path file =
        folder.empty() ? std::filesystem::path{} : endgameCacheFile(folder, maxStones);
    if (!file.empty()) {
        EndgameTable::Loaded loaded = EndgameTable::load(file, maxStones);
        if (loaded.table) {
            result.table = std::make_shared<const EndgameTable>(std::move(*loaded.table));
            result.fromCache = true;
            return result;
        }
    }
    std::optional<EndgameTable> built = EndgameTable::build(maxStones, std::move(stop));
    if (!built) return result;
    result.table = std::make_shared<const EndgameTable>(std::move(*built));
    if (file.empty()) {
        result.cacheError = "no cache folder";
    } else if (std::optional<std::string> error = result.table->save(file)) {
        result.cacheError = *error;
    }
    return result;
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
