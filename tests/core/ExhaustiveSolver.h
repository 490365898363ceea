#pragma once

#include <algorithm>
#include <map>
#include <utility>

#include "core/Move.h"
#include "core/Position.h"

namespace pimra::test {

// Plain exhaustive game values by the window's own move (playMove), remembered per position.
class ExhaustiveSolver {
  public:
    int value(const Position& position, Side side) {
        const auto key = std::make_pair(position, side);
        if (const auto found = known_.find(key); found != known_.end()) return found->second;
        int best = -1000;
        const int first = Position::firstPitOf(side);
        for (int pit = first; pit < first + 6; ++pit) {
            const MoveResult move = playMove(position, side, pit);
            if (!move.accepted) continue;
            const Position& after = move.position;
            int v = 0;
            if (move.gameOver) {
                v = after[Position::storeOf(side)] - after[Position::storeOf(other(side))];
            } else if (move.sideToMove == side) {
                v = value(after, side);
            } else {
                v = -value(after, other(side));
            }
            best = std::max(best, v);
        }
        known_.emplace(key, best);
        return best;
    }

  private:
    struct Less {
        bool operator()(const std::pair<Position, Side>& a,
                        const std::pair<Position, Side>& b) const {
            for (int i = 1; i <= kPitCount; ++i) {
                if (a.first[i] != b.first[i]) return a.first[i] < b.first[i];
            }
            return a.second < b.second;
        }
    };
    std::map<std::pair<Position, Side>, int, Less> known_;
};

}  // namespace pimra::test
