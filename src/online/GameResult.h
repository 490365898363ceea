#pragma once

#include <string>

#include "core/Position.h"
#include "online/TableState.h"

namespace pimra::online {

enum class GameFinish { Unknown, Moves, Time };

// How a finished game ended: the server's "finish" member when it sends one; otherwise what
// the board and the clocks show for sure (a finished board, or the loser's clock at 0).
GameFinish FinishOf(const TableState& state, const Position& board);

// The box every player and spectator of the table sees once the game is over: the winner's
// login, the score (bottom store first) and "по времени" for a loss on time.
std::string ResultBoxText(const TableState& state, const Position& board);

}  // namespace pimra::online
