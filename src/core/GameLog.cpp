#include "GameLog.h"

#include <algorithm>
#include <utility>

namespace pimra {

bool GameLog::continuesAt(const Position& board, Side sideToMove) const {
    if (cursor_ > record_.moves().size()) return false;
    const RecordedPosition& there = record_.after(cursor_);
    // Nobody moves in a finished game, whoever the rules left to move.
    return there.position == board && (there.gameOver || there.sideToMove == sideToMove);
}

std::optional<std::size_t> GameLog::movesTo(const Position& board, Side sideToMove) const {
    if (!continuesAt(board, sideToMove)) return std::nullopt;
    return cursor_;
}

bool GameLog::beginTurn(const Position& board, Side sideToMove) {
    if (continuesAt(board, sideToMove)) {
        record_.truncate(cursor_);
        playedPastEnd_ = false;
        return false;
    }
    if (playedPastEnd_) return false;
    restart(board, sideToMove);
    return true;
}

void GameLog::played(const RecordedMove& move) {
    if (cursor_ == record_.moves().size() && record_.current().gameOver) {
        playedPastEnd_ = true;
        return;
    }
    record_.truncate(cursor_);
    if (record_.append(move)) cursor_ = record_.moves().size();
}

void GameLog::moveCursor(std::size_t moves) {
    cursor_ = std::min(moves, record_.moves().size());
}

void GameLog::restart(const Position& board, Side sideToMove) {
    record_ = GameRecord(board, sideToMove);
    cursor_ = 0;
    playedPastEnd_ = false;
}

void GameLog::load(GameRecord record) {
    record_ = std::move(record);
    cursor_ = record_.moves().size();
    playedPastEnd_ = false;
}

}  // namespace pimra
