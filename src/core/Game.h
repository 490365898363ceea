#pragma once

#include <memory>

#include "GameLog.h"
#include "History.h"
#include "Levels.h"
#include "Move.h"
#include "Position.h"
#include "Random.h"

namespace pimra {

// The game as the window plays it: the board, the side to move, the history, the level and
// the editing commands. It decides; the window animates what it decided, one move at a time,
// so a level chosen during an animation applies to the next computer move.
class Game {
  public:
    static constexpr int kMaxStoneShift = 6;

    explicit Game(std::unique_ptr<RandomSource> random = std::make_unique<ClockRandom>());

    const Position& position() const { return position_; }
    Side sideToMove() const { return sideToMove_; }
    const History& history() const { return history_; }
    // The record of the local game: its start, every move with who played it, and the result.
    const GameRecord& record() const { return log_.record(); }
    // How many moves of the record lead to the board; none when the board is not on the
    // record's line (edited, loaded from a .sav, played online).
    std::optional<std::size_t> recordMoves() const { return log_.movesTo(position_, sideToMove_); }
    int level() const { return level_; }
    void setLevel(int level) { level_ = level; }
    int stoneShift() const { return stoneShift_; }
    bool canAddStones() const { return stoneShift_ < kMaxStoneShift; }
    bool canRemoveStones() const { return stoneShift_ > -kMaxStoneShift; }

    // Turn control of a local game: the user plays the bottom row, the computer the top.
    bool acceptsLocalClick(int pit) const;
    void beginTurn();
    // Plays the move on the board; a refused move changes nothing.
    MoveResult move(int pit);
    // The same, and the move goes into the record with who played it.
    MoveResult play(const RecordedMove& move);
    // The computer replies while the top row is to move and still holds stones.
    bool computerToMove() const;
    int chooseComputerMove();
    void endTurn() { history_.endTurn(position_, currentMark()); }
    int hint() const { return HintPit(position_); }

    // Commands that change the board without a move.
    void newGame();
    void goBack();
    void goForward();
    void swapRows();
    void addStones();
    void removeStones();
    // A loaded position; in a local game the bottom row plays it.
    void loadPosition(const Position& position, bool localGame);
    // A recorded game replaces the game: the history holds its turns and the board shows its
    // end, the bottom row to move (as after a loaded position).
    void loadRecord(GameRecord record);
    // Steps through the history to the position after the first `moves` moves of the record,
    // or after the turn that move belongs to. False when the history no longer reaches it.
    bool goToRecordMoves(std::size_t moves);

    // The online table sets the board and the turn from the server.
    void setPosition(const Position& position) {
        log_.boardEdited();
        position_ = position;
    }
    void setSideToMove(Side side) { sideToMove_ = side; }

  private:
    int currentMark() const;
    void followHistoryMark();

    std::unique_ptr<RandomSource> random_;
    Position position_ = Position::start();
    Side sideToMove_ = Side::Bottom;
    History history_;
    GameLog log_;
    int level_ = kLevelHard;
    int stoneShift_ = 0;
};

}  // namespace pimra
