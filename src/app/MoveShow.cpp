#include "MoveShow.h"

#include "BoardPits.h"
#include "SoundSwitch.h"
#include "TLunka.h"

namespace pimra {

MoveShow::MoveShow(BoardPits& pits, SoundSwitch& sounds, online::PlayState& state, Hooks hooks)
    : pits_(pits), sounds_(sounds), state_(state), hooks_(std::move(hooks)) {
    connect(&animator_, &MoveAnimator::stepStarted, this, &MoveShow::showStepStart);
    connect(&animator_, &MoveAnimator::stepSettled, this, &MoveShow::showStepSettled);
    connect(&animator_, &MoveAnimator::finished, this, &MoveShow::finish);
}

void MoveShow::start(const MoveResult& result, online::PlayedGame* mover) {
    mover_ = mover;
    if (!result.accepted || result.steps.empty()) {
        finish();
        return;
    }
    state_.setAnimating(true);
    animator_.start(result.steps, state_.stepDelay());
}

std::optional<online::PlayedGame*> MoveShow::stop() {
    if (!animator_.running()) return std::nullopt;
    animator_.stop();
    online::PlayedGame* mover = mover_;
    mover_ = nullptr;
    state_.setAnimating(false);
    pits_.settle();
    return mover;
}

void MoveShow::finish() {
    online::PlayedGame* mover = mover_;
    mover_ = nullptr;
    state_.setAnimating(false);
    hooks_.done(mover);
}

void MoveShow::showStepStart(const MoveStep& step) {
    TLunka* pit = pits_.pit(step.pit);
    switch (step.kind) {
        case StepKind::Lift:
            sounds_.play(MoveSound::Take);
            pits_.show(step.position, {step.pit});
            pit->HighlightPit();
            return;
        case StepKind::Sow:
            pits_.show(step.position, {step.pit});
            pit->setFlashFill();
            return;
        case StepKind::EndSowing:
            pit->NormalPit();
            return;
        case StepKind::Capture:
            sounds_.play(MoveSound::Put);
            pits_.show(step.position, {step.pit, step.otherPit, step.store});
            return;
        case StepKind::Status:
            hooks_.status(QString::fromStdString(step.text));
            return;
        case StepKind::Sweep:
            sounds_.play(MoveSound::Select);
            pits_.show(step.position, {step.store, step.pit});
            return;
        case StepKind::Result:
            hooks_.result(QString::fromStdString(step.text));
            return;
    }
}

void MoveShow::showStepSettled(const MoveStep& step) {
    pits_.pit(step.pit)->NormalPit();
    sounds_.play(MoveSound::Select);
}

}  // namespace pimra
