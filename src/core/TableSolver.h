#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <stop_token>

#include "RulesBoard.h"

namespace pimra {

// A position of a table not solved yet.
constexpr std::int8_t kUnsolved = INT8_MIN;

// Solves the positions of an endgame table depth first, each once (one byte each, what the
// side to move gains from the position on). `slotOf` gives a board's byte: kUnsolved until it
// is solved, or a value known already; it must stay where it is while the solver runs. Play
// never returns to a position: a move either puts stones into a store for good or carries
// stones nearer the end of their own row.
template <typename SlotOf>
class TableSolver {
  public:
    // Called now and then with the positions solved so far.
    using Progress = std::function<void(std::uint64_t)>;

    TableSolver(SlotOf slotOf, std::stop_token stop, Progress progress = {})
        : slotOf_(std::move(slotOf)), stop_(std::move(stop)), progress_(std::move(progress)) {}

    int solve(const RulesBoard& board) {
        std::int8_t& slot = slotOf_(board);
        if (slot != kUnsolved) return slot;
        if (++solved_ % kCheckInterval == 0) checkIn();
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
    static constexpr std::uint64_t kCheckInterval = 65536;

    static int rowSum(const RulesBoard& board, Side side) {
        const int first = Position::firstPitOf(side);
        int sum = 0;
        for (int i = first; i < first + 6; ++i) sum += board.stones(i);
        return sum;
    }

    void checkIn() {
        if (stop_.stop_requested()) stopped_ = true;
        if (progress_) progress_(solved_);
    }

    int moveGain(const RulesBoard& board, int pit) {
        const Side side = board.sideToMove();
        RulesBoard child = board;
        const RulesMove move = child.play(pit);
        const int now = child.storeMargin(side) - board.storeMargin(side);
        if (move.gameOver) return now;
        return move.extraTurn ? now + solve(child) : now - solve(child);
    }

    SlotOf slotOf_;
    std::stop_token stop_;
    Progress progress_;
    std::uint64_t solved_ = 0;
    bool stopped_ = false;
};

}  // namespace pimra
