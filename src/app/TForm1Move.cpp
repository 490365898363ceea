#include <QLabel>

#include "MainMenu.h"
#include "ShownText.h"
#include "TForm1.h"
#include "TLunka.h"
#include "UiServices.h"

namespace pimra {

bool TForm1::isBusy() const {
    return animator_.running() || match_.turnRunning() || hintTimer_.isActive() ||
           requestUnderWay() || table_.busy();
}

void TForm1::PitClick(TLunka* pit) {
    if (pit == nullptr) return;
    if (table_.isOpen()) {
        // The table keeps a click made while its own exchange or replay runs.
        applyEffects(table_.click(pit->PitIndex, otherWork()));
        return;
    }
    if (isBusy()) return;
    const std::optional<MoveResult> own = match_.click(pit->PitIndex);
    if (!own) return;
    updateHistoryItems();
    animate(*own, MoveOwner::Local);
}

void TForm1::Hod(int index) {
    if (isBusy()) return;
    // A finished table takes no move, not even a replayed one.
    animate(table_.table().GameOver() ? MoveResult{} : game_.move(index), MoveOwner::None);
}

void TForm1::animate(const MoveResult& result, MoveOwner owner) {
    moveOwner_ = owner;
    if (!result.accepted || result.steps.empty()) {
        moveFinished();
        return;
    }
    lockMenu(true);
    animator_.start(result.steps, stepDelay());
}

void TForm1::moveFinished() {
    const MoveOwner owner = moveOwner_;
    // A local turn keeps the menu locked until it is over, while the computer thinks too.
    if (owner != MoveOwner::Local) lockMenu(false);
    moveOwner_ = MoveOwner::None;
    switch (owner) {
        case MoveOwner::Local:
            if (match_.next(replyToWindow()) == LocalMatch::Next::TurnOver) {
                endLocalTurn();
            } else if (match_.thinking()) {
                showThinking(true);
            }
            return;
        case MoveOwner::Table:
            applyEffects(table_.animationDone());
            reportIdle();
            return;
        case MoveOwner::None:
            reportIdle();
            return;
    }
}

void TForm1::stopMove() {
    if (!animator_.running()) return;
    animator_.stop();
    const MoveOwner owner = moveOwner_;
    moveOwner_ = MoveOwner::None;
    // The game holds the move's end already; only the screen is behind.
    for (int i = 1; i <= kPitCount; ++i) pit(i)->NormalPit();
    showBoard();
    lockMenu(false);
    // A replay at a table goes on from there.
    if (owner == MoveOwner::Table) applyEffects(table_.animationDone());
}

LocalMatch::MoveReady TForm1::replyToWindow() {
    return [this](const MoveResult& reply) { localReply(reply); };
}

void TForm1::localReply(const MoveResult& reply) {
    showThinking(false);
    animate(reply, MoveOwner::Local);
}

void TForm1::showThinking(bool thinking) {
    if (thinking == thinkingShown_) return;
    thinkingShown_ = thinking;
    if (thinking) {
        // The game may be begun anew, loaded or left meanwhile, and the level changed.
        lockMenu(false);
        for (QAction* item : menu_->lockedWhileThinking()) item->setEnabled(false);
        updateSideWindows();
        paneBeforeThought_ = shownSource(sPanel2);
        setShownText(sPanel2, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Компьютер думает…")));
        return;
    }
    setShownText(sPanel2, paneBeforeThought_);
}

void TForm1::abandonLocalTurn() {
    const bool wasThinking = match_.thinking();
    match_.abandonTurn();
    if (!wasThinking) return;
    showThinking(false);
    lockMenu(false);
    reportIdle();
}

void TForm1::endLocalTurn() {
    lockMenu(false);
    updateHistoryItems();
    reportIdle();
}

void TForm1::reportIdle() {
    if (!isBusy()) emit idle();
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

void TForm1::lockMenu(bool locked) {
    for (QAction* item : menu_->lockedDuringMove()) item->setEnabled(!locked);
    updateSideWindows();
}

void TForm1::playSound(MoveSound sound) {
    if (soundOn_) sounds_->play(sound);
}

}  // namespace pimra
