#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <vector>

#include "EndgameTable.h"
#include "LimitDatabase.h"
#include "MasterClock.h"
#include "OpeningBook.h"
#include "PitDatabase.h"
#include "Position.h"
#include "RulesBoard.h"
#include "TranspositionTable.h"

namespace pimra {

// How long a search may go on. Zero means no limit; a search with no limit at all runs until
// the value is proven or it is stopped.
struct SearchLimits {
    std::chrono::milliseconds time{1000};
    std::uint64_t nodes = 0;
    int depth = 0;  // turns; the extra moves of a turn do not count
    // The clock `time` is counted on: the wall clock, or the searching thread's CPU time.
    SearchClock clock = SearchClock::Wall;
};

// The value of one move for the side that plays it.
struct MoveValue {
    int pit = 0;
    int value = 0;
    bool exact = false;
};

struct SearchResult {
    int pit = 0;           // the chosen board index; 0 when the side to move has no move
    int value = 0;         // expected final store of the side to move minus the other store
    bool exact = false;    // the value is proven
    bool searched = true;  // false: the board is too large for the search (see RulesBoard)
    int upper = 0;         // a proof's upper bound for `value` (equal to it once exact)
    int depth = 0;         // plies of the last finished iteration
    std::uint64_t nodes = 0;
    std::uint64_t quietNodes = 0;  // of `nodes`, those past the depth (captures, extra moves)
    // Every playable pit with its value. After a search only the chosen move's value is its
    // own; the others are upper bounds. After an analysis each value is the move's own.
    std::vector<MoveValue> moves;
};

// The strongest computer player: iterative deepening alpha-beta over the game's own rules,
// with a transposition table and move ordering. Near the end of a game the search reaches
// the last move of every line and the value becomes exact. A search can be stopped from
// another thread through its stop token; it then ends within a few hundred positions and
// gives the best move of the last finished iteration.
//
// One object runs one search at a time; objects share nothing, so several can run on
// different threads. The table is kept from one search to the next. With more than one
// thread, helper threads search the same position beside the searching one and share its
// table; the searching thread's own iterations give the result.
class MasterSearch {
  public:
    static constexpr std::size_t kDefaultTableEntries = std::size_t{1} << 20;
    // For proofs: 128 MB. A larger table is slower (the 4-stone start: 40 s with this size,
    // 44 s with twice and 53 s with four times as many entries).
    static constexpr std::size_t kProofTableEntries = std::size_t{1} << 23;
    static constexpr int kMaxDepth = 200;
    // Positions searched between two looks at the stop token and the clock.
    static constexpr std::uint64_t kCheckInterval = 256;
    // Turns a proof searches first for its first guess and the order of the moves.
    static constexpr int kGuessDepth = 16;
    static constexpr int kMaxThreads = 64;

    // Called after every finished iteration, on the searching thread.
    using Progress = std::function<void(const SearchResult&)>;

    explicit MasterSearch(std::size_t tableEntries = kDefaultTableEntries);

    // The best move for `sideToMove`.
    SearchResult search(const Position& position, Side sideToMove, const SearchLimits& limits,
                        std::stop_token stop = {}, const Progress& progress = {});
    // The value of every playable move, each searched with a full window.
    SearchResult analyse(const Position& position, Side sideToMove, const SearchLimits& limits,
                         std::stop_token stop = {}, const Progress& progress = {});
    // The exact value of the position and a move that reaches it, proven by null-window
    // searches to the end of the game: each tests the value next to the last bound found,
    // and once three have moved the same bound, the middle of the range left. Only the time and
    // node limits count; a proof cut short by them or by `stop` comes back with `exact` false and
    // the bounds found so far. `progress` gets each narrowed range (`value` the lower bound,
    // `upper` the upper).
    SearchResult prove(const Position& position, Side sideToMove, const SearchLimits& limits,
                       std::stop_token stop = {}, const Progress& progress = {});
    // Threads a search runs on, all sharing the table (1..kMaxThreads; 1 by default).
    void setThreads(int threads) { threads_ = std::clamp(threads, 1, kMaxThreads); }
    int threads() const { return threads_; }
    // The machine's cores less one, for the rest of the program, at most 8.
    static int defaultThreads();
    // Selective searches (the default) test late quiet moves a turn less deep first, and
    // value a position at the depth by its stores less half of what the other side threatens
    // to capture. Off, a search of a given depth looks at every move to that depth and values
    // its last positions by the stores alone. Proofs are exact either way.
    void setSelective(bool on) { selective_ = on; }
    // Forgets what earlier searches stored.
    void clear() { table_.clear(); }
    // Proven values of positions with few stones left; null searches those to the end too.
    void setEndgame(std::shared_ptr<const EndgameTable> endgame) { endgame_ = std::move(endgame); }
    const std::shared_ptr<const EndgameTable>& endgame() const { return endgame_; }
    // Proven values of positions whose stores can no longer reach the limit.
    void setPitDatabase(std::shared_ptr<const PitDatabase> pits) { pits_ = std::move(pits); }
    const std::shared_ptr<const PitDatabase>& pitDatabase() const { return pits_; }
    // Proven values of positions of one total where both stores can still pass the limit.
    void setLimitDatabase(std::shared_ptr<const LimitDatabase> limits) {
        limits_ = std::move(limits);
    }
    const std::shared_ptr<const LimitDatabase>& limitDatabase() const { return limits_; }
    // Moves searched ahead of time: search() plays a position's book move without searching.
    void setBook(std::shared_ptr<const OpeningBook> book) { book_ = std::move(book); }
    const std::shared_ptr<const OpeningBook>& book() const { return book_; }

  private:
    SearchResult run(const Position& position, Side sideToMove, const SearchLimits& limits,
                     std::stop_token stop, const Progress& progress, bool everyMove);

    TranspositionTable table_;
    PositionKeys keys_;
    std::shared_ptr<const EndgameTable> endgame_;
    std::shared_ptr<const PitDatabase> pits_;
    std::shared_ptr<const LimitDatabase> limits_;
    std::shared_ptr<const OpeningBook> book_;
    int threads_ = 1;
    bool selective_ = true;
};

}  // namespace pimra
