#include "MainMenu.h"
#include "StepPause.h"
#include "TForm1.h"
#include "TLunka.h"
#include "UiServices.h"

namespace pimra {

void TForm1::PitClick(TLunka* pit) {
    if (Busy || closing_ || pit == nullptr) return;
    if (online_.IsOpen()) {
        onlineClick(pit->PitIndex);
        return;
    }
    std::optional<MoveResult> own = match_.click(pit->PitIndex);
    if (!own) return;

    const QPointer<TForm1> self(this);
    updateHistoryItems();
    bool played = animate(*own);
    while (played) {
        std::optional<MoveResult> reply;
        if (match_.next([&reply](const MoveResult& move) { reply = move; }) ==
            LocalMatch::Next::TurnOver)
            break;
        if (!reply) break;
        played = animate(*reply);
    }
    if (!played) {
        if (self) {
            self->match_.abandonTurn();
            self->finishClosing();
        }
    }
}

bool TForm1::Hod(int index) {
    // A finished table takes no move, not even a replayed one.
    return animate(online_.GameOver() ? MoveResult{} : game_.move(index));
}

bool TForm1::animate(const MoveResult& result) {
    const QPointer<TForm1> self(this);
    Busy = true;
    if (result.accepted) {
        lockMenu(true);
        for (std::size_t k = 0; k < result.steps.size(); ++k) {
            // After a pause `this` may be gone: only `self` is looked at then.
            if (!showStep(result.steps[k])) {
                if (self) self->Busy = false;
                return false;
            }
            emit moveStepShown(static_cast<int>(k));
            if (!self) return false;
        }
        lockMenu(false);
    }
    Busy = false;
    return true;
}

bool TForm1::showStep(const MoveStep& step) {
    const QPointer<TForm1> self(this);
    TLunka* stepPit = pit(step.pit);
    switch (step.kind) {
        case StepKind::Lift:
            playSound(MoveSound::Take);
            showPits(step.position, {step.pit});
            stepPit->HighlightPit();
            return pause();
        case StepKind::Sow:
            if (!pause()) return false;
            showPits(step.position, {step.pit});
            FlashPit(stepPit);
            if (!alive(self)) return false;
            stepPit->NormalPit();
            playSound(MoveSound::Select);
            return true;
        case StepKind::EndSowing:
            stepPit->NormalPit();
            return true;
        case StepKind::Capture:
            playSound(MoveSound::Put);
            showPits(step.position, {step.pit, step.otherPit, step.store});
            return pause();
        case StepKind::Status:
            SetLabel(QString::fromStdString(step.text));
            return true;
        case StepKind::Sweep:
            playSound(MoveSound::Select);
            showPits(step.position, {step.store, step.pit});
            return pause();
        case StepKind::Result:
            ui_.showResult(this, kTitle, QString::fromStdString(step.text));
            return alive(self);
    }
    return true;
}

bool TForm1::pause() {
    const QPointer<TForm1> self(this);
    pauseWithoutInput(StepDelay);
    return alive(self);
}

void TForm1::FlashPit(TLunka* flashed) {
    const int delay = StepDelay;
    flashed->setFlashFill();
    runPendingEvents();
    pauseWithoutInput(delay);
}

void TForm1::showPits(const Position& position, std::initializer_list<int> pits) {
    for (int index : pits) pit(index)->setStones(position[index]);
}

void TForm1::lockMenu(bool locked) {
    for (QAction* item : menu_->lockedDuringMove()) item->setEnabled(!locked);
}

void TForm1::playSound(MoveSound sound) {
    if (soundOn_) sounds_->play(sound);
}

}  // namespace pimra
