#pragma once

#include <array>

#include "Position.h"

namespace pimra {

// Positions of the game, one per turn boundary, for "Назад" and "Вперед".
// Numbering is 1-based like the move number: after every completed turn the board equals
// entry(moveNumber() + 1) and entry(moveNumber()) is the position from before that turn.
// When the 200 entries are full the oldest one is dropped, so play and stepping back go on
// working for the most recent turns.
//
// Each entry carries a mark besides its position: the game keeps there how many moves of its
// record lead to the entry (kNoMark when the entry is not on the record's line).
class History {
  public:
    static constexpr int kCapacity = 200;
    static constexpr int kNoMark = -1;

    int moveNumber() const { return moveNumber_; }
    int redoCount() const { return redoCount_; }
    const Position& entry(int number) const;
    int mark(int number) const;
    // The number of the last entry "Вперед" can reach.
    int lastNumber() const { return moveNumber_ + 1 + redoCount_; }

    bool canGoBack() const { return moveNumber_ > 0; }
    bool canGoForward() const { return redoCount_ > 0; }

    // A new turn starts from `before`: counts the turn and forgets what lay ahead.
    void beginTurn(const Position& before, int mark = kNoMark);
    // The turn that began last ended in `after`.
    void endTurn(const Position& after, int mark = kNoMark);
    // "Новая": `previous` stays reachable with one step back, `start` is the current entry.
    void startNewGame(const Position& previous, const Position& start, int startMark = kNoMark);
    // Nothing to step back to: `start` is the only entry.
    void restart(const Position& start, int startMark = kNoMark);
    // Every entry leaves the record's line (a new record begins).
    void clearMarks();

    // Each returns the position to show; call only when the matching can... is true.
    Position goBack();
    Position goForward();

  private:
    static std::array<int, kCapacity> noMarks();
    void dropOldest();

    std::array<Position, kCapacity> entries_{};
    std::array<int, kCapacity> marks_ = noMarks();
    int moveNumber_ = 0;
    int redoCount_ = 0;
};

}  // namespace pimra
