#pragma once

#include <array>

#include "Position.h"

namespace pimra {

// Positions of the game, one per turn boundary, for "Назад" and "Вперед".
// Numbering is 1-based like the move number: after every completed turn the board equals
// entry(moveNumber() + 1) and entry(moveNumber()) is the position from before that turn.
// When the 200 entries are full the oldest one is dropped, so play and stepping back go on
// working for the most recent turns.
class History {
  public:
    static constexpr int kCapacity = 200;

    int moveNumber() const { return moveNumber_; }
    int redoCount() const { return redoCount_; }
    const Position& entry(int number) const;

    bool canGoBack() const { return moveNumber_ > 0; }
    bool canGoForward() const { return redoCount_ > 0; }

    // A new turn starts from `before`: counts the turn and forgets what lay ahead.
    void beginTurn(const Position& before);
    // The turn that began last ended in `after`.
    void endTurn(const Position& after);
    // "Новая": `previous` stays reachable with one step back, `start` is the current entry.
    void startNewGame(const Position& previous, const Position& start);

    // Each returns the position to show; call only when the matching can... is true.
    Position goBack();
    Position goForward();

  private:
    void dropOldest();

    std::array<Position, kCapacity> entries_{};
    int moveNumber_ = 0;
    int redoCount_ = 0;
};

}  // namespace pimra
