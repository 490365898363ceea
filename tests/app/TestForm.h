#pragma once

#include <QLabel>
#include <QTimer>

#include "BoardPits.h"
#include "HintLight.h"
#include "LobbyDialogs.h"
#include "MainMenu.h"
#include "MoveShow.h"
#include "SideWindows.h"
#include "TForm1.h"
#include "TLunka.h"
#include "WindowFit.h"

namespace pimra {

// The main window as the tests see it: its widgets, its state, its timers and the events
// the timers and buttons would deliver, without waiting for them.
class TestForm : public TForm1 {
  public:
    using TForm1::TForm1;

    // Events, delivered at once.
    void aliveTimer() { timers_.aliveTick(); }
    void bLeaveClick() { tableButton(&online::TableController::leaveTable); }
    void bReadyClick() { tableButton(&online::TableController::ready); }
    void bRematchClick() { tableButton(&online::TableController::rematch); }
    using TForm1::FormKeyPress;
    void myGamesClick() { help_.myGames(); }
    void N12Click() { lobby_->showLobby(); }
    using TForm1::openTable;
    void PitClick(TLunka* pit) {
        if (pit != nullptr) TForm1::PitClick(pit->PitIndex);
    }
    using TForm1::RzButton1Click;
    using TForm1::SetLabel;
    using TForm1::setLanguage;
    using TForm1::setOwnRowBottom;
    void Timer1Timer() { timers_.pollTick(); }
    void Timer2Timer() { timers_.clockTick(); }
    // Plays one move on the board with its animation, owned by no game.
    void Hod(int index) {
        if (state_.busy()) return;
        // A finished table takes no move, not even a replayed one.
        animate(state_.table().table().GameOver() ? MoveResult{} : game_.move(index), nullptr);
    }

    // Timing.
    void setStepDelay(int milliseconds) { state_.setLocalStepDelay(milliseconds); }
    int stepDelay() const { return state_.stepDelay(); }
    void setOnlineStepDelay(int milliseconds) { state_.setOnlineStepDelay(milliseconds); }
    void setHintDuration(int milliseconds) { hint_->setDuration(milliseconds); }
    // The poll and clock periods and the pause after a clock ran out.
    void setTimerPeriods(int pollMilliseconds, int clockMilliseconds) {
        timers_.setPeriods(pollMilliseconds, clockMilliseconds);
    }
    void setClockPause(int milliseconds) { timers_.setClockPause(milliseconds); }
    void setAlivePeriod(int milliseconds) { timers_.setAlivePeriod(milliseconds); }
    // The clock the table's times are counted by.
    void setTableClock(online::MonotonicClock clock) { state_.table().setClock(std::move(clock)); }
    bool retryWaiting() const { return timers_.retryWaiting(); }
    bool aliveRunning() const { return timers_.aliveRunning(); }
    bool pollRunning() const { return timers_.polling(); }
    int pollPeriod() const { return timers_.pollPeriod(); }
    bool clockRunning() const { return timers_.clockRunning(); }
    // Steps of a move as they are shown.
    const MoveAnimator* steps() const { return &moves_->animator(); }

    // The computer.
    void setMoveChooser(MoveChooser* chooser) {
        state_.local().match().setChooser(chooser ? chooser : &master_);
    }
    void setMasterTime(std::chrono::milliseconds time) {
        master_.setThinkTime(time);
        saveSettings();
    }
    std::chrono::milliseconds masterTime() const { return master_.thinkTime(); }
    bool computerThinking() const { return state_.local().thinking(); }

    // What the window shows.
    using TForm1::boardTurned;
    using TForm1::pit;
    using TForm1::session;
    const Game& game() const { return game_; }
    Game& game() { return game_; }
    bool isBusy() const { return state_.busy(); }
    QString statusText() const { return w_->Panel1->text(); }
    QLabel* statusPanel() const { return w_->Panel1; }
    QLabel* loginPane() const { return w_->sPanel1; }
    QLabel* messagePane() const { return w_->sPanel2; }
    InfoPanel* infoPanel() const { return w_->iPanel; }
    double boardScale() const { return fit_->scale(); }
    const MainMenu& menu() const { return *menu_; }
    bool soundOn() const { return sounds_.on(); }
    int backgroundIndex() const { return BackgroundIndex; }
    bool ownRowBottom() const { return ownRowBottom_; }
    QString gameFolder() const { return files_.folder(); }
    UiLanguage language() const { return language_.current(); }
    int tableId() const { return state_.table().table().TableId(); }
    const online::OnlineTable& onlineTable() const { return state_.table().table(); }
    const ServerLink& serverLink() const { return *link_; }
    LobbyHost& lobbyHost() { return lobby_->link(); }
    TfNet* lobby() const { return lobby_->lobby(); }
    TLoginForm* loginForm() const { return lobby_->loginForm(); }
    TfAddGame* addGameForm() const { return lobby_->addGame(); }
    RecordWindow* recordWindow() const { return side_->record(); }
    AnalysisWindow* analysisWindow() const { return side_->analysis(); }
};

}  // namespace pimra
