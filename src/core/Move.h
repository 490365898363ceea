#pragma once

#include <string>
#include <vector>

#include "Position.h"

namespace pimra {

// One visible step of a move, in the order the window shows them. `position` is the board
// after the step, so the window only has to repaint the pits the step names.
enum class StepKind {
    Lift,       // stones taken out of `pit` (the start pit, highlighted from now on)
    Sow,        // one stone dropped into `pit`
    EndSowing,  // sowing finished; `pit` (the start pit) loses its highlight
    Capture,    // last stone in `pit` takes the stones of `otherPit`; both go to `store`
    Status,     // status text `text` for the side now to move
    Sweep,      // `pit` emptied into `store` at the end of the game
    Result,     // game over; `text` is the result message
};

struct MoveStep {
    StepKind kind;
    int pit = 0;
    int otherPit = 0;
    int store = 0;
    std::string text;
    Position position;
};

struct MoveResult {
    bool accepted = false;  // false: the move was refused and nothing changed
    std::vector<MoveStep> steps;
    Position position;               // the board after the move
    Side sideToMove = Side::Bottom;  // the side to move after the move
    int lastPit = 0;                 // the pit that received the last stone
    bool extraTurn = false;
    bool captured = false;
    bool gameOver = false;
};

// Texts of the central status panel and of the result message (UTF-8).
std::string statusText(Side sideToMove);
std::string resultText(const Position& position);

// The game's own move from `pit` for `sideToMove`: lift, sow (skipping the opponent's store),
// capture, extra turn, end-of-game sweep and result. A pit outside 1..14, a store, an empty
// pit or a pit of the other side is refused.
MoveResult playMove(const Position& before, Side sideToMove, int pit);

}  // namespace pimra
