#include <QLabel>
#include <QMenu>

#include "MainMenu.h"
#include "ShownText.h"
#include "TForm1.h"
#include "TLunka.h"
#include "UiServices.h"

namespace pimra {

void TForm1::PitClick(TLunka* pit) {
    if (pit == nullptr) return;
    online::PlayedGame& played = state_.current();
    apply(state_.click(pit->PitIndex), &played);
}

void TForm1::animate(const MoveResult& result, online::PlayedGame* mover) {
    mover_ = mover;
    if (!result.accepted || result.steps.empty()) {
        moveFinished();
        return;
    }
    state_.setAnimating(true);
    showCommands();
    animator_.start(result.steps, state_.stepDelay());
}

void TForm1::moveFinished() {
    online::PlayedGame* mover = mover_;
    mover_ = nullptr;
    state_.setAnimating(false);
    if (mover != nullptr) {
        apply(mover->animationDone(), mover);
        return;
    }
    showCommands();
}

void TForm1::stopMove() {
    if (!animator_.running()) return;
    animator_.stop();
    online::PlayedGame* mover = mover_;
    mover_ = nullptr;
    state_.setAnimating(false);
    // The game holds the move's end already; only the screen is behind.
    for (int i = 1; i <= kPitCount; ++i) pit(i)->NormalPit();
    showBoard();
    showCommands();
    // A replay at a table goes on from there.
    if (mover == &state_.table()) apply(state_.table().animationDone(), mover);
}

void TForm1::showThinking(bool thinking) {
    if (thinking == thinkingShown_) return;
    thinkingShown_ = thinking;
    if (thinking) {
        paneBeforeThought_ = shownSource(sPanel2);
        setShownText(sPanel2, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Компьютер думает…")));
        return;
    }
    setShownText(sPanel2, paneBeforeThought_);
}

void TForm1::showStepStart(const MoveStep& step) {
    TLunka* stepPit = pit(step.pit);
    switch (step.kind) {
        case StepKind::Lift:
            playSound(MoveSound::Take);
            showPits(step.position, {step.pit});
            stepPit->HighlightPit();
            return;
        case StepKind::Sow:
            showPits(step.position, {step.pit});
            stepPit->setFlashFill();
            return;
        case StepKind::EndSowing:
            stepPit->NormalPit();
            return;
        case StepKind::Capture:
            playSound(MoveSound::Put);
            showPits(step.position, {step.pit, step.otherPit, step.store});
            return;
        case StepKind::Status:
            SetLabel(QString::fromStdString(step.text));
            return;
        case StepKind::Sweep:
            playSound(MoveSound::Select);
            showPits(step.position, {step.store, step.pit});
            return;
        case StepKind::Result:
            ui_.showResult(this, translated(kTitle), translated(step.text));
            return;
    }
}

void TForm1::showStepSettled(const MoveStep& step) {
    pit(step.pit)->NormalPit();
    playSound(MoveSound::Select);
}

void TForm1::showPits(const Position& position, std::initializer_list<int> pits) {
    for (int index : pits) pit(index)->setStones(position[index]);
}

void TForm1::showCommands() {
    const online::Commands allowed = state_.commands();
    const MainMenu& m = *menu_;
    m.N12->setEnabled(allowed.lobby);
    m.N7->setEnabled(allowed.save);
    m.N8->menuAction()->setEnabled(allowed.sound);
    m.N26->menuAction()->setEnabled(allowed.special);
    m.N30->menuAction()->setEnabled(allowed.background);
    m.N20->setEnabled(allowed.back);
    m.N29->setEnabled(allowed.forward);
    m.N27->setEnabled(allowed.addStones);
    m.N28->setEnabled(allowed.removeStones);
    updateSideWindows();
}

void TForm1::playSound(MoveSound sound) {
    if (soundOn_) sounds_->play(sound);
}

}  // namespace pimra
