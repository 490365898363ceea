#pragma once

#include <cstddef>
#include <optional>

#include "GameRecord.h"

namespace pimra {

// The record of the local game as it is played: the moves that lead from the record's start
// to the board, and those ahead of it that "Вперед" can bring back. The cursor is the number
// of moves that lead to the board; a move made after stepping back cuts the moves ahead. A
// board the record does not reach (edited, loaded, swapped, or played online) begins a new
// record at the next turn. Moves played on after the game has ended (a store past 36 ends it,
// yet play may go on) are not the game's: the record keeps the finished game.
class GameLog {
  public:
    const GameRecord& record() const { return record_; }
    std::size_t cursor() const { return cursor_; }
    // The moves of the record that lead to `board` with `sideToMove` to move; none when the
    // board is not the record's position at the cursor.
    std::optional<std::size_t> movesTo(const Position& board, Side sideToMove) const;

    // A turn begins on `board`: the record goes on from the cursor, or a new one begins there.
    // True when a new record was begun.
    bool beginTurn(const Position& board, Side sideToMove);
    // The move was played on the board the cursor stands at.
    void played(const RecordedMove& move);
    // The history stepped to an entry that `moves` moves of the record lead to.
    void moveCursor(std::size_t moves);
    // A new record that begins on `board`.
    void restart(const Position& board, Side sideToMove);
    // The board was changed without a move: the next turn begins a new record.
    void boardEdited() { playedPastEnd_ = false; }
    void load(GameRecord record);

  private:
    bool continuesAt(const Position& board, Side sideToMove) const;

    GameRecord record_;
    std::size_t cursor_ = 0;
    bool playedPastEnd_ = false;
};

}  // namespace pimra
