#pragma once

#include <array>
#include <optional>

#include "Position.h"
#include "Random.h"
#include "SearchBoard.h"

namespace pimra {

// Levels as the "Уровень" menu numbers them.
enum Level : int {
    kLevelVariable = 0,
    kLevelEasy = 1,
    kLevelNormal = 2,
    kLevelHard = 3,
    kLevelVeryHard = 4,
    // Searched by MasterSearch (MasterLevel.h), not by ChooseComputerMove.
    kLevelMaster = 5,
};

// A level's choice with each candidate's score; no score for an empty pit.
struct ScoredChoice {
    int pit = 0;  // 1..6 in the side's row; 0 when the row holds no stones
    std::array<std::optional<int>, 6> scores{};
};

// Easy: a random pit corrected by rules of thumb. Board index 8..13, or 0 for an empty row.
int Mozg(const Position& board, RandomSource& random);
// Normal: the top pit with the best chain gain, 1..6.
int Mozg2(const Position& board);
// Hard: own chain gain minus the bottom row's best reply, per top pit.
ScoredChoice Mozg3Scores(const Position& board);
int Mozg3(const Position& board);
// Very hard: three turns of each side along one line of play per candidate.
ScoredChoice DeepLineScores(const ChainEvaluator& evaluator, Side side);
int DeepLineMove(const ChainEvaluator& evaluator, Side side);
int Mozg4(const Position& board, Side side);

// The computer's move for the top row at `level`: a board index 8..13, always a pit with
// stones; 0 when the top row is empty.
int ChooseComputerMove(const Position& board, int level, RandomSource& random);
// The hint for the bottom row: a board index 1..6, or 0 when the bottom row is empty.
int HintPit(const Position& board);

}  // namespace pimra
