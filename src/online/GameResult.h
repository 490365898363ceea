#pragma once

#include <string>

#include "core/Position.h"
#include "online/TableState.h"

namespace pimra::online {

enum class GameFinish { Unknown, Moves, Time, Resign, Agreement };

// How a finished game ended: the server's "finish" member when it sends one; otherwise what
// the board and the clocks show for sure (a finished board, or the loser's clock at 0).
GameFinish FinishOf(const TableState& state, const Position& board);

inline constexpr const char* kDrawText = "Ничья !   ";
inline constexpr const char* kWinnerText = "Победил: ";
inline constexpr const char* kOnTimeText = " по времени";
inline constexpr const char* kResultMark = " !   ";
// The panel's result of a draw both players offered; the box adds its score.
inline constexpr const char* kAgreedDrawText = "Ничья по согласию";
inline constexpr const char* kAgreedDrawBoxText = "Ничья по согласию !   ";
// Follows the winner of a game the other player gave up.
inline constexpr const char* kResignedSeparator = ". ";
inline constexpr const char* kResignedBoxText = "Сдался: ";

// The box every player and spectator of the table sees once the game is over, in parts, so
// that a window can put it in words of its own language.
struct ResultBox {
    std::string winner;  // the winner's login; empty for a draw
    bool onTime = false;
    std::string score;     // both stores, bottom first: "40:32"
    std::string resigned;  // the login that gave the game up; empty for any other end
    bool agreed = false;   // a draw both players offered

    bool operator==(const ResultBox&) const = default;
};

ResultBox ResultBoxOf(const TableState& state, const Position& board);

// The box in words: the winner's login, "по времени" for a loss on time, who resigned, and
// the score: "Победил: Ann. Сдался: Bob !   12:8", "Ничья по согласию !   20:18".
std::string ResultBoxText(const ResultBox& box);
std::string ResultBoxText(const TableState& state, const Position& board);

}  // namespace pimra::online
