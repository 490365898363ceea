#pragma once

#include <QObject>
#include <QTimer>

#include <vector>

#include "core/Move.h"

namespace pimra {

// Plays the steps of a move in time: a step pause before and after every sown stone, after
// the lift, a capture and a sweep. Says through its signals what to show; between two pauses
// the event loop runs, and input reaching the window then finds it busy.
class MoveAnimator : public QObject {
    Q_OBJECT

  public:
    explicit MoveAnimator(QObject* parent = nullptr);

    // Starts `steps`; a move already running is dropped.
    void start(std::vector<MoveStep> steps, int stepDelay);
    // Stops where it is; no signal follows.
    void stop();
    bool running() const { return running_; }

  signals:
    // The step's stones are to be shown (for a sown stone: dropped, its pit flashing).
    void stepStarted(const pimra::MoveStep& step);
    // A sown stone's flash is over.
    void stepSettled(const pimra::MoveStep& step);
    // The step is wholly on the screen.
    void stepShown(int index);
    void finished();

  private:
    enum class Phase { Show, Wait, Settle };
    static const std::vector<Phase>& phasesOf(StepKind kind);
    void advance();
    // Runs one phase; false when the animation is to wait or stopped meanwhile.
    bool runPhase(Phase phase, const MoveStep& step);

    QTimer timer_;
    std::vector<MoveStep> steps_;
    std::size_t step_ = 0;
    std::size_t phase_ = 0;
    int delay_ = 0;
    bool running_ = false;
};

}  // namespace pimra
