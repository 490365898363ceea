#include "MoveAnimator.h"

#include <QPointer>

#include <utility>

namespace pimra {

MoveAnimator::MoveAnimator(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &MoveAnimator::advance);
}

const std::vector<MoveAnimator::Phase>& MoveAnimator::phasesOf(StepKind kind) {
    static const std::vector<Phase> showThenWait = {Phase::Show, Phase::Wait};
    static const std::vector<Phase> sow = {Phase::Wait, Phase::Show, Phase::Wait, Phase::Settle};
    static const std::vector<Phase> showOnly = {Phase::Show};
    switch (kind) {
        case StepKind::Lift:
        case StepKind::Capture:
        case StepKind::Sweep:
            return showThenWait;
        case StepKind::Sow:
            return sow;
        case StepKind::EndSowing:
        case StepKind::Status:
        case StepKind::Result:
            break;
    }
    return showOnly;
}

void MoveAnimator::start(std::vector<MoveStep> steps, int stepDelay) {
    timer_.stop();
    steps_ = std::move(steps);
    step_ = 0;
    phase_ = 0;
    delay_ = stepDelay > 0 ? stepDelay : 0;
    running_ = true;
    // The first step is shown from the event loop, as every later one.
    timer_.start(0);
}

void MoveAnimator::stop() {
    timer_.stop();
    running_ = false;
}

void MoveAnimator::advance() {
    // A handler of any signal below may stop the animation or destroy its owner.
    const QPointer<MoveAnimator> self(this);
    while (running_ && step_ < steps_.size()) {
        const MoveStep& step = steps_[step_];
        const std::vector<Phase>& phases = phasesOf(step.kind);
        while (phase_ < phases.size()) {
            if (!runPhase(phases[phase_++], step)) return;
            if (!self || !running_) return;
        }
        const int index = static_cast<int>(step_);
        ++step_;
        phase_ = 0;
        emit stepShown(index);
        if (!self || !running_) return;
    }
    running_ = false;
    emit finished();
}

bool MoveAnimator::runPhase(Phase phase, const MoveStep& step) {
    switch (phase) {
        case Phase::Wait:
            timer_.start(delay_);
            return false;
        case Phase::Show:
            emit stepStarted(step);
            return true;
        case Phase::Settle:
            emit stepSettled(step);
            return true;
    }
    return true;
}

}  // namespace pimra
