#pragma once

#include <functional>

#include "Position.h"
#include "Random.h"

namespace pimra {

// Where the computer's move comes from. The answer goes to `answer`, at once or later (a
// search that thinks elsewhere); until it has come the match waits.
class MoveChooser {
  public:
    using Answer = std::function<void(int pit)>;

    virtual ~MoveChooser() = default;
    virtual void choose(const Position& position, int level, Answer answer) = 0;
    // Stops the choice under way, if any: its answer is not given. Choosers that answer at
    // once have nothing to stop.
    virtual void cancel() {}
};

// The playing levels of today: they answer before `choose` returns.
class LevelMoveChooser : public MoveChooser {
  public:
    explicit LevelMoveChooser(RandomSource& random) : random_(random) {}
    void choose(const Position& position, int level, Answer answer) override;

  private:
    RandomSource& random_;
};

}  // namespace pimra
