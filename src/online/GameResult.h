#pragma once

#include <string>

#include "core/Position.h"
#include "online/TableState.h"

namespace pimra::online {

enum class GameFinish { Unknown, Moves, Time };

// How a finished game ended: the server's "finish" member when it sends one; otherwise what
// the board and the clocks show for sure (a finished board, or the loser's clock at 0).
GameFinish FinishOf(const TableState& state, const Position& board);

inline constexpr const char* kDrawText = "Ничья !   ";
inline constexpr const char* kWinnerText = "Победил: ";
inline constexpr const char* kOnTimeText = " по времени";
inline constexpr const char* kResultMark = " !   ";

// The box every player and spectator of the table sees once the game is over, in parts, so
// that a window can put it in words of its own language.
struct ResultBox {
    std::string winner;  // the winner's login; empty for a draw
    bool onTime = false;
    std::string score;  // both stores, bottom first: "40:32"

    bool operator==(const ResultBox&) const = default;
};

ResultBox ResultBoxOf(const TableState& state, const Position& board);

// The box in words: the winner's login, "по времени" for a loss on time, and the score.
std::string ResultBoxText(const ResultBox& box);
std::string ResultBoxText(const TableState& state, const Position& board);

}  // namespace pimra::online
