#include "MasterSearch.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <thread>

namespace pimra {

namespace {

constexpr int kInfinity = 10000;
// Turns left from which a position first looks up the results of its moves.
constexpr int kCutAheadDepth = 4;
// and the fewest stones in the pits for it: below, a position's subtree costs less than the
// table and database reads of all its moves (the proofs of the 4-stone start and of mixed
// starts take 10 to 60 % longer with those reads at every position).
constexpr int kCutAheadStones = 24;

// Late move reductions: a move tried after the first kReduceFromMove at a position with at least
// kReduceFromDepth turns left, that neither ends in the own store nor captures, is first
// tested a turn less deep, and searched to the full depth only when it beats the best so far.
// Good moves come first, so most of the others are refuted at the lesser depth. Proofs search
// every move to the end.
constexpr int kReduceFromMove = 3;
constexpr int kReduceFromDepth = 4;
// A position at the depth counts this share of the most the other side could capture with
// its next move against the side to move: the stores alone overrate a row left open.
constexpr int kThreatDivisor = 2;

// The pits of the side to move in the order the search tries them: the remembered best move,
// then moves that end in the own store (nearest the store first), then captures, then the rest.
struct OrderedMoves {
    std::array<int, 6> pits{};
    int count = 0;
};

int landingScore(const RulesBoard& board, int pit) {
    const Side side = board.sideToMove();
    const int store = Position::storeOf(side);
    const int toStore = store - pit;  // 1..6
    const int stones = board.stones(pit);
    if (stones % 13 == toStore) return 100 + pit;
    if (stones < toStore) {
        const int landing = pit + stones;
        const int facing = Position::opposite(landing);
        if (board.stones(landing) == 0 && board.stones(facing) > 0) {
            return 10 + board.stones(facing);
        }
    }
    if (stones == 13) return 10 + board.stones(Position::opposite(pit));
    return 0;
}

// The most stones the other side could take with one capture, were it its turn: the stones
// of the pit facing an empty pit of its own row where one of its moves ends, and that move's
// last stone.
int threatAgainst(const RulesBoard& board) {
    const Side them = other(board.sideToMove());
    const int first = Position::firstPitOf(them);
    const int store = Position::storeOf(them);
    int most = 0;
    for (int pit = first; pit < first + 6; ++pit) {
        const int stones = board.stones(pit);
        if (stones == 0) continue;
        if (stones < store - pit) {
            const int landing = pit + stones;
            const int facing = Position::opposite(landing);
            if (board.stones(landing) == 0 && board.stones(facing) > 0) {
                most = std::max(most, board.stones(facing) + 1);
            }
        } else if (stones == 13) {
            // Round the board back into the emptied pit, one stone on the way into the facing.
            most = std::max(most, board.stones(Position::opposite(pit)) + 2);
        }
    }
    return most;
}

// How often each pit's move refuted a position, for the order of the moves that neither end
// in the store nor capture. Board indices tell the two rows apart.
class MoveHistory {
  public:
    int score(int pit) const { return static_cast<int>(cuts_[static_cast<std::size_t>(pit)]); }
    void reward(int pit, int depth) {
        std::uint32_t& cuts = cuts_[static_cast<std::size_t>(pit)];
        cuts += static_cast<std::uint32_t>(depth * depth);
        if (cuts > kCeiling) {
            for (std::uint32_t& c : cuts_) c /= 2;
        }
    }

  private:
    static constexpr std::uint32_t kCeiling = std::uint32_t{1} << 26;
    std::array<std::uint32_t, kPitCount + 1> cuts_{};
};

constexpr int kFirstScore = 1 << 30;
constexpr int kTacticalScore = 1 << 28;  // above every history score

OrderedMoves orderMoves(const RulesBoard& board, int firstPit, const MoveHistory* history) {
    std::array<int, 6> scores{};
    OrderedMoves moves;
    const int first = Position::firstPitOf(board.sideToMove());
    for (int pit = first; pit < first + 6; ++pit) {
        if (board.stones(pit) == 0) continue;
        const int landing = landingScore(board, pit);
        int score = 0;
        if (pit == firstPit) {
            score = kFirstScore;
        } else if (landing > 0) {
            score = kTacticalScore + landing;
        } else if (history != nullptr) {
            score = history->score(pit);
        }
        int k = moves.count++;
        while (k > 0 && scores[static_cast<std::size_t>(k - 1)] < score) {
            moves.pits[static_cast<std::size_t>(k)] = moves.pits[static_cast<std::size_t>(k - 1)];
            scores[static_cast<std::size_t>(k)] = scores[static_cast<std::size_t>(k - 1)];
            --k;
        }
        moves.pits[static_cast<std::size_t>(k)] = pit;
        scores[static_cast<std::size_t>(k)] = score;
    }
    return moves;
}

// The final margin when the side to move has no stones: the other row goes to its store.
int marginWithoutMoves(const RulesBoard& board) {
    const Side side = board.sideToMove();
    const int first = Position::firstPitOf(other(side));
    int rest = 0;
    for (int i = first; i < first + 6; ++i) rest += board.stones(i);
    return board.storeMargin(side) - rest;
}

// The proven values a search may look up.
struct Endgames {
    const EndgameTable* table = nullptr;
    const PitDatabase* pits = nullptr;
    const LimitDatabase* limits = nullptr;

    std::optional<int> gain(const RulesBoard& board, int open) const {
        if (table != nullptr && open <= table->maxStones()) {
            if (const std::optional<int> gain = table->gain(board)) return gain;
        }
        if (limits != nullptr && open <= limits->maxStones()) {
            if (const std::optional<int> gain = limits->gain(board)) return gain;
        }
        if (pits == nullptr || open > pits->maxStones()) return std::nullopt;
        return pits->decidedGain(board);
    }

    // Bounds on the final margin of the side to move where gain() has no value: a leader that
    // can get `passed` without the limit gets at least that.
    std::optional<std::pair<int, int>> limitBounds(const RulesBoard& board, int open) const {
        if (pits == nullptr || open > pits->maxStones()) return std::nullopt;
        const std::optional<PitDatabase::Leader> leader = pits->leaderOf(board);
        if (!leader) return std::nullopt;
        const int margin = board.storeMargin(board.sideToMove());
        if (leader->toMove) return std::make_pair(leader->passed, margin + open);
        return std::make_pair(margin - open, -leader->passed);
    }
};

Endgames endgamesOf(const MasterSearch& search) {
    return {search.endgame().get(), search.pitDatabase().get(), search.limitDatabase().get()};
}

// One search: its limits, counters and the alpha-beta itself.
class SearchRun {
  public:
    SearchRun(TranspositionTable& table, const PositionKeys& keys, const Endgames& endgames,
              const SearchLimits& limits, std::stop_token stop)
        : table_(table),
          keys_(keys),
          endgames_(endgames),
          limits_(limits),
          stop_(std::move(stop)),
          stopwatch_(limits.clock) {}

    // The value of the position for its side to move, searched `depth` plies deep.
    int node(const RulesBoard& board, int depth, int alpha, int beta);
    // The value of the move for the side that plays it.
    int move(const RulesBoard& board, int pit, int depth, int alpha, int beta);
    // A move whose result the table or the endgame values already know to reach `beta`,
    // found before any move is searched (an enhanced transposition cutoff): its value.
    std::optional<int> cutAhead(const RulesBoard& board, int depth, int beta);
    // Past the depth: the stores as they stand, unless a capture or a move into the own
    // store does better; those are followed until none is left.
    int quiet(const RulesBoard& board, int alpha, int beta);

    // A null-window test of the root: whether its value reaches `gamma`. Gives a bound on
    // the value (at least the result when it is `gamma` or more, else at most it) and, when
    // it is reached, the move that reaches it.
    std::pair<int, int> test(const RulesBoard& root, int gamma, int firstPit);

    bool aborted() const { return aborted_; }
    void setSelective(bool on) { selective_ = on; }
    bool stopAsked() const { return stop_.stop_requested(); }
    void allowStopping() { stoppable_ = true; }
    std::uint64_t nodes() const { return nodes_; }
    std::uint64_t quietNodes() const { return quietNodes_; }
    // Grows whenever a value rests on a guess rather than a finished game.
    std::uint64_t guesses() const { return guesses_; }
    std::chrono::nanoseconds elapsed() const { return stopwatch_.elapsed(); }
    bool timeIsShort() const { return limits_.time.count() > 0 && elapsed() * 2 > limits_.time; }

  private:
    bool mustStop() const {
        if (!stoppable_) return false;
        if (stop_.stop_requested()) return true;
        if (limits_.nodes > 0 && nodes_ >= limits_.nodes) return true;
        return limits_.time.count() > 0 && elapsed() >= limits_.time;
    }

    TranspositionTable& table_;
    const PositionKeys& keys_;
    Endgames endgames_;
    SearchLimits limits_;
    std::stop_token stop_;
    SearchStopwatch stopwatch_;
    MoveHistory history_;
    std::uint64_t nodes_ = 0;
    std::uint64_t quietNodes_ = 0;
    std::uint64_t guesses_ = 0;
    bool aborted_ = false;
    bool stoppable_ = false;
    bool selective_ = true;
    // In a null-window test, the side that tries to reach the bound. Its opponent needs any
    // move that keeps the value below the bound, not the best one: the best move of a search
    // to a depth sends it down long lines, where the usual order (moves into the own store,
    // then captures) finds a cheaper refutation. So at the opponent's positions only a proven
    // entry's move goes first. (A proof of a start with 3 and 4 stones a pit searched a third
    // of the positions so.)
    std::optional<Side> testSide_;
};

int SearchRun::move(const RulesBoard& board, int pit, int depth, int alpha, int beta) {
    const Side side = board.sideToMove();
    RulesBoard child = board;
    const RulesMove played = child.play(pit);
    if (played.gameOver) return child.storeMargin(side);
    // A chain of extra moves is followed to its end: cutting it short hides the many stones
    // a long chain can bring. Every extra move puts a stone into a store for good, so the
    // chain ends.
    if (played.extraTurn) return node(child, depth, alpha, beta);
    return -node(child, depth - 1, -beta, -alpha);
}

std::optional<int> SearchRun::cutAhead(const RulesBoard& board, int depth, int beta) {
    const Side side = board.sideToMove();
    const int first = Position::firstPitOf(side);
    for (int pit = first; pit < first + 6; ++pit) {
        if (board.stones(pit) == 0) continue;
        RulesBoard child = board;
        const RulesMove played = child.play(pit);
        // The least the move is worth for the side that plays it, as far as is known.
        std::optional<int> least;
        const int childMargin = child.storeMargin(child.sideToMove());
        const int sign = played.extraTurn ? 1 : -1;
        if (played.gameOver) {
            least = child.storeMargin(side);
        } else if (const std::optional<int> gain = endgames_.gain(child, child.stonesInPits())) {
            least = sign * (childMargin + *gain);
        } else if (const std::optional<TableEntry> entry = table_.find(keys_.key(child))) {
            const int childDepth = played.extraTurn ? depth : depth - 1;
            if (entry->solved || entry->depth >= childDepth) {
                if (played.extraTurn && entry->lower != TableEntry::kNoLower) {
                    least = childMargin + entry->lower;
                } else if (!played.extraTurn && entry->upper != TableEntry::kNoUpper) {
                    least = -(childMargin + entry->upper);
                }
                if (least && !entry->solved) ++guesses_;
            }
        }
        if (least && *least >= beta) return least;
    }
    return std::nullopt;
}

int SearchRun::quiet(const RulesBoard& board, int alpha, int beta) {
    ++guesses_;
    ++quietNodes_;
    int best = board.storeMargin(board.sideToMove());
    if (selective_) best -= threatAgainst(board) / kThreatDivisor;
    if (best >= beta) return best;
    alpha = std::max(alpha, best);
    const int first = Position::firstPitOf(board.sideToMove());
    for (int pit = first; pit < first + 6; ++pit) {
        if (board.stones(pit) == 0 || landingScore(board, pit) == 0) continue;
        const int value = move(board, pit, 0, alpha, beta);
        if (aborted_) return 0;
        best = std::max(best, value);
        alpha = std::max(alpha, value);
        if (alpha >= beta) break;
    }
    return best;
}

int SearchRun::node(const RulesBoard& board, int depth, int alpha, int beta) {
    ++nodes_;
    if (nodes_ % MasterSearch::kCheckInterval == 0 && mustStop()) aborted_ = true;
    if (aborted_) return 0;
    // The table's entry is asked for now, so that memory brings it while the cheaper tests
    // below run.
    const std::uint64_t key = depth > 0 ? keys_.key(board) : 0;
    if (depth > 0) table_.prefetch(key);
    // Every stone still in a pit can end in either store, and stores never lose stones: the
    // final margin lies within the margin now plus or minus those stones. That settles many
    // positions without a guess.
    const Side side = board.sideToMove();
    const int margin = board.storeMargin(side);
    const int open = board.stonesInPits();
    if (margin + open <= alpha) return margin + open;
    if (margin - open >= beta) return margin - open;
    if (const std::optional<int> gain = endgames_.gain(board, open)) return margin + *gain;
    if (const auto bounds = endgames_.limitBounds(board, open)) {
        if (bounds->first >= beta) return bounds->first;
        if (bounds->second <= alpha) return bounds->second;
    }
    if (depth <= 0) return quiet(board, alpha, beta);

    int remembered = 0;
    if (const std::optional<TableEntry> entry = table_.find(key)) {
        if (entry->solved || !testSide_ || board.sideToMove() == *testSide_) {
            remembered = entry->bestPit;
        }
        if (entry->solved || entry->depth >= depth) {
            const int lower = margin + entry->lower;
            const int upper = margin + entry->upper;
            const int value = lower >= beta ? lower : upper <= alpha ? upper : lower;
            if (lower >= beta || upper <= alpha || lower == upper) {
                if (!entry->solved) ++guesses_;
                return value;
            }
        }
    }

    if (depth >= kCutAheadDepth && open >= kCutAheadStones) {
        if (const std::optional<int> cut = cutAhead(board, depth, beta)) return *cut;
    }

    const std::uint64_t guessesBefore = guesses_;
    const std::uint64_t nodesBefore = nodes_;
    const int alphaBefore = alpha;
    const OrderedMoves moves = orderMoves(board, remembered, &history_);
    int best = -kInfinity;
    int bestPit = 0;
    for (int k = 0; k < moves.count; ++k) {
        const int pit = moves.pits[static_cast<std::size_t>(k)];
        // The first move sets the value; the others are first only tested against it with a
        // null window, and searched again in full when they turn out better.
        int value = 0;
        if (k == 0) {
            value = move(board, pit, depth, alpha, beta);
        } else {
            const bool reduce = selective_ && !testSide_ && depth >= kReduceFromDepth &&
                                k >= kReduceFromMove && landingScore(board, pit) == 0;
            value = move(board, pit, reduce ? depth - 1 : depth, alpha, alpha + 1);
            if (reduce && !aborted_ && value > alpha) {
                value = move(board, pit, depth, alpha, alpha + 1);
            }
            if (!aborted_ && value > alpha && value < beta) {
                value = move(board, pit, depth, alpha, beta);
            }
        }
        if (aborted_) return 0;
        if (value > best) {
            best = value;
            bestPit = pit;
        }
        alpha = std::max(alpha, value);
        if (alpha >= beta) {
            history_.reward(pit, depth);
            break;
        }
    }

    TableEntry entry;
    entry.key = key;
    const auto gain = static_cast<std::int16_t>(best - margin);
    if (best > alphaBefore) entry.lower = gain;
    if (best < beta) entry.upper = gain;
    entry.depth = static_cast<std::uint8_t>(std::min(depth, 255));
    entry.bestPit = static_cast<std::uint8_t>(bestPit);
    entry.solved = guesses_ == guessesBefore;
    entry.work = static_cast<std::uint8_t>(std::bit_width(nodes_ - nodesBefore));
    table_.store(entry);
    return best;
}

std::pair<int, int> SearchRun::test(const RulesBoard& root, int gamma, int firstPit) {
    testSide_ = root.sideToMove();
    const OrderedMoves moves = orderMoves(root, firstPit, &history_);
    int best = -kInfinity;
    int bestPit = 0;
    for (int k = 0; k < moves.count; ++k) {
        const int pit = moves.pits[static_cast<std::size_t>(k)];
        const int value = move(root, pit, MasterSearch::kMaxDepth, gamma - 1, gamma);
        if (aborted_) return {0, 0};
        if (value > best) {
            best = value;
            bestPit = pit;
        }
        if (value >= gamma) break;
    }
    return {best, bestPit};
}

// Threads that search beside the main one and share its table (Lazy SMP): what they store
// lets the main search cut sooner. They have no limits of their own; they run until the
// main search is done with them.
class Helpers {
  public:
    using Work = std::function<void(SearchRun&, int)>;  // the run and the helper's number

    Helpers(int count, TranspositionTable& table, const PositionKeys& keys,
            const Endgames& endgames, const Work& work) {
        for (int number = 1; number <= count; ++number) {
            threads_.emplace_back(
                [this, &table, &keys, endgames, work, number](std::stop_token stop) {
                    SearchLimits none;
                    none.time = std::chrono::milliseconds(0);
                    SearchRun run(table, keys, endgames, none, std::move(stop));
                    run.allowStopping();
                    work(run, number);
                    nodes_.fetch_add(run.nodes(), std::memory_order_relaxed);
                });
        }
    }
    Helpers(const Helpers&) = delete;
    Helpers& operator=(const Helpers&) = delete;
    ~Helpers() { finish(); }

    // Stops the helpers and waits for them; the positions they searched.
    std::uint64_t finish() {
        for (std::jthread& thread : threads_) thread.request_stop();
        for (std::jthread& thread : threads_) {
            if (thread.joinable()) thread.join();
        }
        return nodes_.load(std::memory_order_relaxed);
    }

  private:
    std::atomic<std::uint64_t> nodes_{0};
    std::vector<std::jthread> threads_;  // last: gone before the count they add to
};

// A helper's iterative deepening of the root: every other one a turn ahead of the main
// search, each trying the root's moves from another one on, so that they part ways.
void helpSearch(SearchRun& run, const RulesBoard& root, int maxDepth, int number) {
    const OrderedMoves moves = orderMoves(root, 0, nullptr);
    for (int depth = 1 + number % 2; depth <= maxDepth; ++depth) {
        int alpha = -kInfinity;
        for (int k = 0; k < moves.count; ++k) {
            const int pit = moves.pits[static_cast<std::size_t>((k + number / 2) % moves.count)];
            const int value = run.move(root, pit, depth, alpha, kInfinity);
            if (run.aborted()) return;
            alpha = std::max(alpha, value);
        }
    }
}

// The move to play among the root's values: the best one, except that a move proven to lose
// is never chosen while some move is not proven to lose.
const MoveValue& chooseMove(const std::vector<MoveValue>& moves) {
    const auto better = [](const MoveValue& a, const MoveValue& b) { return a.value > b.value; };
    const MoveValue& best = *std::min_element(moves.begin(), moves.end(), better);
    if (!(best.exact && best.value < 0)) return best;
    const MoveValue* hope = nullptr;
    for (const MoveValue& m : moves) {
        if (!m.exact && (hope == nullptr || m.value > hope->value)) hope = &m;
    }
    return hope != nullptr ? *hope : best;
}

// A root that is no position, or one with no move, needs no search.
std::optional<SearchResult> settledAtRoot(const std::optional<RulesBoard>& root) {
    SearchResult result;
    if (!root) {
        result.searched = false;
        return result;
    }
    if (!root->hasMove()) {
        result.value = result.upper = marginWithoutMoves(*root);
        result.exact = true;
        return result;
    }
    return std::nullopt;
}

}  // namespace

MasterSearch::MasterSearch(std::size_t tableEntries) : table_(tableEntries) {}

int MasterSearch::defaultThreads() {
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores - 1, 1, 8);
}

SearchResult MasterSearch::search(const Position& position, Side sideToMove,
                                  const SearchLimits& limits, std::stop_token stop,
                                  const Progress& progress) {
    if (const std::optional<BookEntry> entry =
            book_ ? book_->find(position, sideToMove) : std::nullopt) {
        SearchResult result;
        result.pit = entry->pit;
        result.value = result.upper = entry->value;
        result.exact = entry->exact;
        result.depth = entry->depth;
        result.moves = {MoveValue{entry->pit, entry->value, entry->exact}};
        if (progress) progress(result);
        return result;
    }
    return run(position, sideToMove, limits, std::move(stop), progress, false);
}

SearchResult MasterSearch::analyse(const Position& position, Side sideToMove,
                                   const SearchLimits& limits, std::stop_token stop,
                                   const Progress& progress) {
    return run(position, sideToMove, limits, std::move(stop), progress, true);
}

SearchResult MasterSearch::run(const Position& position, Side sideToMove,
                               const SearchLimits& limits, std::stop_token stop,
                               const Progress& progress, bool everyMove) {
    SearchResult result;
    const std::optional<RulesBoard> root = RulesBoard::from(position, sideToMove);
    if (std::optional<SearchResult> settled = settledAtRoot(root)) return *settled;

    std::vector<MoveValue> values;
    const OrderedMoves ordered = orderMoves(*root, 0, nullptr);
    for (int k = 0; k < ordered.count; ++k) {
        values.push_back(MoveValue{ordered.pits[static_cast<std::size_t>(k)], 0, false});
    }

    table_.newSearch();
    SearchRun run(table_, keys_, endgamesOf(*this), limits, std::move(stop));
    run.setSelective(selective_);
    const int maxDepth = limits.depth > 0 ? std::min(limits.depth, kMaxDepth) : kMaxDepth;
    Helpers helpers(threads_ - 1, table_, keys_, endgamesOf(*this),
                    [&root, maxDepth, selective = selective_](SearchRun& helper, int number) {
                        helper.setSelective(selective);
                        helpSearch(helper, *root, maxDepth, number);
                    });
    for (int depth = 1; depth <= maxDepth; ++depth) {
        std::vector<MoveValue> next = values;
        int alpha = -kInfinity;
        bool allExact = true;
        // A move of an unfinished iteration that has beaten the one tried first, which was the
        // best of the iteration before: it is better at the greater depth, so it is played.
        const MoveValue* overtaker = nullptr;
        for (std::size_t k = 0; k < next.size(); ++k) {
            MoveValue& m = next[k];
            const std::uint64_t guessesBefore = run.guesses();
            if (everyMove || k == 0) {
                m.value = run.move(*root, m.pit, depth, everyMove ? -kInfinity : alpha, kInfinity);
            } else {
                // Only whether it beats the best so far matters; its value only when it does.
                m.value = run.move(*root, m.pit, depth, alpha, alpha + 1);
                if (!run.aborted() && m.value > alpha) {
                    m.value = run.move(*root, m.pit, depth, alpha, kInfinity);
                }
            }
            if (run.aborted()) break;
            m.exact = run.guesses() == guessesBefore;
            allExact = allExact && m.exact;
            if (k > 0 && m.value > alpha && !everyMove) overtaker = &m;
            alpha = std::max(alpha, m.value);
        }
        if (run.aborted()) {
            if (overtaker != nullptr && !(overtaker->exact && overtaker->value < 0)) {
                result.pit = overtaker->pit;
                result.value = overtaker->value;
                result.exact = false;
            }
            break;
        }
        // The next iteration tries the best moves first.
        std::stable_sort(next.begin(), next.end(),
                         [](const MoveValue& a, const MoveValue& b) { return a.value > b.value; });
        values = std::move(next);
        const MoveValue& chosen = chooseMove(values);
        result.pit = chosen.pit;
        result.value = chosen.value;
        result.exact = allExact;
        result.depth = depth;
        result.nodes = run.nodes();
        result.quietNodes = run.quietNodes();
        result.moves = values;
        if (progress) progress(result);
        run.allowStopping();
        if (allExact || run.timeIsShort() || run.stopAsked()) break;
    }
    result.quietNodes = run.quietNodes();
    result.nodes = run.nodes() + helpers.finish();
    return result;
}

SearchResult MasterSearch::prove(const Position& position, Side sideToMove,
                                 const SearchLimits& limits, std::stop_token stop,
                                 const Progress& progress) {
    SearchResult result;
    const std::optional<RulesBoard> root = RulesBoard::from(position, sideToMove);
    if (std::optional<SearchResult> settled = settledAtRoot(root)) return *settled;
    // A few turns deep first: a first guess at the value and moves to try first.
    SearchLimits first = limits;
    first.depth = std::min(limits.depth > 0 ? limits.depth : kGuessDepth, kGuessDepth);
    const SearchResult guess = run(position, sideToMove, first, stop, {}, false);
    if (guess.exact) {
        result = guess;
        result.upper = guess.value;
        return result;
    }

    SearchLimits proof = limits;
    proof.depth = 0;
    SearchRun proofRun(table_, keys_, endgamesOf(*this), proof, std::move(stop));
    proofRun.allowStopping();
    int lower = root->storeMargin(sideToMove) - root->stonesInPits();
    int upper = root->storeMargin(sideToMove) + root->stonesInPits();
    int bestPit = guess.pit;
    int gamma = std::clamp(guess.value, lower + 1, upper);
    int streak = 0;  // tests in a row that moved the same bound
    std::uint64_t helperNodes = 0;
    bool lastRaised = false;
    while (lower < upper) {
        // Helpers test the same bound, each trying another root move first.
        Helpers helpers(threads_ - 1, table_, keys_, endgamesOf(*this),
                        [&root, gamma](SearchRun& helper, int number) {
                            const OrderedMoves moves = orderMoves(*root, 0, nullptr);
                            const int first =
                                moves.pits[static_cast<std::size_t>(number % moves.count)];
                            helper.test(*root, gamma, first);
                        });
        const auto [bound, pit] = proofRun.test(*root, gamma, bestPit);
        helperNodes += helpers.finish();
        if (proofRun.aborted()) break;
        const bool raised = bound >= gamma;
        if (raised) {
            lower = bound;
            bestPit = pit;
        } else {
            upper = bound;
        }
        streak = raised == lastRaised ? streak + 1 : 1;
        lastRaised = raised;
        result.value = lower;
        result.upper = upper;
        result.pit = bestPit;
        result.nodes = proofRun.nodes();
        if (progress) progress(result);
        if (lower >= upper) break;
        // Next to the bound just found while the guess was close, halfway between the bounds
        // once the value keeps moving the same way.
        if (streak >= 3) {
            gamma = lower + (upper - lower + 1) / 2;
        } else {
            gamma = raised ? lower + 1 : upper;
        }
    }
    result.value = lower;
    result.upper = upper;
    result.pit = bestPit;
    // Quiet positions past the depth are the only guesses a proof can make; none means the
    // bounds hold.
    result.exact = lower == upper && proofRun.guesses() == 0;
    result.depth = kMaxDepth;
    result.nodes = guess.nodes + proofRun.nodes() + helperNodes;
    result.quietNodes = guess.quietNodes + proofRun.quietNodes();
    return result;
}

}  // namespace pimra
