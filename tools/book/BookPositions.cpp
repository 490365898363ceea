#include "BookPositions.h"

#include <algorithm>
#include <set>

#include "core/Move.h"

namespace pimra::book {

namespace {

Position mirrored(const Position& board) {
    Position m;
    for (int i = 1; i <= 7; ++i) {
        m[i] = board[i + 7];
        m[i + 7] = board[i];
    }
    return m;
}

// A position with the top row to move, as the bottom row sees it.
Position seenFromBottom(const Position& board, Side sideToMove) {
    return sideToMove == Side::Bottom ? board : mirrored(board);
}

bool lessThan(const Position& a, const Position& b) {
    for (int i = 1; i <= kPitCount; ++i) {
        if (a[i] != b[i]) return a[i] < b[i];
    }
    return false;
}

}  // namespace

std::vector<Position> openingPositions(int stonesPerPit, int turns) {
    std::set<Position, decltype(&lessThan)> seen(&lessThan);
    std::vector<Position> result;
    Position start;
    for (int i = 1; i <= kPitCount; ++i) start[i] = Position::isStore(i) ? 0 : stonesPerPit;
    std::vector<Position> turnStarts{start};
    for (int turn = 0; turn < turns && !turnStarts.empty(); ++turn) {
        std::vector<Position> pending = turnStarts;
        std::vector<Position> next;
        while (!pending.empty()) {
            const Position board = pending.back();
            pending.pop_back();
            if (board.rowSum(Side::Bottom) == 0 || !seen.insert(board).second) continue;
            result.push_back(board);
            for (int pit = 1; pit <= 6; ++pit) {
                if (board[pit] == 0) continue;
                const MoveResult move = playMove(board, Side::Bottom, pit);
                if (!move.accepted || move.gameOver) continue;
                const Position after = seenFromBottom(move.position, move.sideToMove);
                (move.sideToMove == Side::Bottom ? pending : next).push_back(after);
            }
        }
        turnStarts = std::move(next);
    }
    return result;
}

}  // namespace pimra::book
