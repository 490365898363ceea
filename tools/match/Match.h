#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "EnginePipe.h"
#include "core/MasterSearch.h"
#include "core/Position.h"
#include "core/Random.h"

namespace pimra::match {

// A player of the match: a level by name, or the master search with a time per move.
struct PlayerSetup {
    std::string name;  // as written: easy, normal, hard, veryhard, master, master:MS[:tN]
    int level = 0;     // kLevelEasy..kLevelMaster
    std::chrono::milliseconds time{1000};
    bool endgame = true;  // the master looks up positions with few stones left
    bool book = true;     // the master plays the opening book's moves
    // What the master's time per move counts: its thread's CPU time by default, so that a
    // match on a busy machine gives each move the same work as on a quiet one.
    SearchClock clock = SearchClock::ThreadCpu;
    int threads = 1;      // the master's search threads; the time counts the first one's
    std::string command;  // engine:COMMAND, another program (see EnginePipe)
};

// Reads "easy", "normal", "hard", "veryhard", "master", "master:MS", "master:MS:tN" (N
// search threads) or "engine:COMMAND".
std::optional<PlayerSetup> parsePlayer(const std::string& text);

// Chooses moves for either row; the levels, which play the top row, see a mirrored board
// when they play the bottom row.
class Player {
  public:
    Player(const PlayerSetup& setup, unsigned seed);
    int choose(const Position& board, Side sideToMove);
    const PlayerSetup& setup() const { return setup_; }
    std::chrono::nanoseconds thinking() const { return thinking_; }  // wall clock
    std::chrono::nanoseconds cpuThinking() const { return cpuThinking_; }
    int movesMade() const { return moves_; }

  private:
    PlayerSetup setup_;
    std::unique_ptr<RandomSource> random_;
    std::unique_ptr<MasterSearch> search_;
    std::unique_ptr<EnginePipe> pipe_;
    std::chrono::nanoseconds thinking_{0};
    std::chrono::nanoseconds cpuThinking_{0};
    int moves_ = 0;
};

// The board with its two rows swapped: pit i and pit i+7 trade places.
Position mirrored(const Position& board);

// A start: the stones per pit and the first random moves of both players.
struct Opening {
    Position position;
    Side sideToMove = Side::Bottom;
    std::vector<int> moves;  // the random moves from the start, in order
};

// Plays 2..4 random moves from the start position (never ending the game).
Opening randomOpening(std::uint32_t seed, int stonesPerPit);

// The value of an opening for its side to move by a short search of fixed depth (the same
// on every machine): how far one side is ahead before the players take over.
int openingValue(const Opening& opening);
inline constexpr int kOpeningValueDepth = 8;

// Like randomOpening, but an opening whose value is beyond `bound` either way is drawn again
// (as often as it takes); `redrawn` counts those. A bound of 0 or less takes every opening.
Opening boundedOpening(std::uint32_t seed, int stonesPerPit, int bound, int& redrawn);

struct GameOutcome {
    int marginA = 0;  // store of player A minus store of player B at the end
    int moves = 0;
    std::vector<int> pits;  // every move from the opening on, in order
};

// Plays one game from the opening; player A plays the bottom row when `aBottom`.
GameOutcome playGame(const Opening& opening, Player& a, Player& b, bool aBottom);

struct MatchTally {
    int games = 0, wins = 0, draws = 0, losses = 0;
    long long marginSum = 0;
    double meanMargin() const { return games == 0 ? 0.0 : double(marginSum) / games; }
};

// A game that player A lost, with what it takes to replay it.
struct LostGame {
    Opening opening;
    bool aBottom = true;
    GameOutcome outcome;
};

struct MatchOptions {
    int games = 200;  // rounded up to an even number: each opening twice
    std::uint32_t seed = 1;
    int stonesPerPit = kStartStones;
    int jobs = 1;
    int openingBound = 0;   // see boundedOpening
    bool progress = false;  // the running tally on standard error after every game
};

struct MatchReport {
    MatchTally tally;
    double msPerMoveA = 0, msPerMoveB = 0;        // wall clock
    double cpuMsPerMoveA = 0, cpuMsPerMoveB = 0;  // the thread's CPU time
    int redrawnOpenings = 0;
    std::vector<LostGame> lost;
};

// Games from varied openings, each opening played twice with the sides swapped.
MatchReport playMatch(const PlayerSetup& a, const PlayerSetup& b, const MatchOptions& options);

}  // namespace pimra::match
