#pragma once

#include <QLabel>
#include <QTimer>

#include "MainMenu.h"
#include "TForm1.h"

namespace pimra {

// The main window as the tests see it: its widgets, its state, its timers and the events
// the timers and buttons would deliver, without waiting for them.
class TestForm : public TForm1 {
  public:
    using TForm1::TForm1;

    // Events, delivered at once.
    using TForm1::aliveTimer;
    using TForm1::bLeaveClick;
    using TForm1::bReadyClick;
    using TForm1::bRematchClick;
    using TForm1::FormKeyPress;
    using TForm1::myGamesClick;
    using TForm1::N12Click;
    using TForm1::openTable;
    using TForm1::PitClick;
    using TForm1::RzButton1Click;
    using TForm1::SetLabel;
    using TForm1::setLanguage;
    using TForm1::setOwnRowBottom;
    using TForm1::Timer1Timer;
    using TForm1::Timer2Timer;
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
    void setHintDuration(int milliseconds) { hintDuration_ = milliseconds; }
    // The poll and clock periods and the pause after a clock ran out.
    void setTimerPeriods(int pollMilliseconds, int clockMilliseconds) {
        Timer1.setInterval(pollMilliseconds);
        Timer2.setInterval(clockMilliseconds);
        clockPeriod_ = clockMilliseconds;
    }
    void setClockPause(int milliseconds) { clockPause_.setInterval(milliseconds); }
    void setAlivePeriod(int milliseconds) { aliveTimer_.setInterval(milliseconds); }
    // The clock the table's times are counted by.
    void setTableClock(online::MonotonicClock clock) { state_.table().setClock(std::move(clock)); }
    bool retryWaiting() const { return retryTimer_.isActive(); }
    bool aliveRunning() const { return aliveTimer_.isActive(); }
    bool pollRunning() const { return Timer1.isActive(); }
    bool clockRunning() const { return Timer2.isActive(); }
    // Steps of a move as they are shown.
    const MoveAnimator* steps() const { return &animator_; }

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
    QString statusText() const { return Panel1->text(); }
    QLabel* statusPanel() const { return Panel1; }
    QLabel* loginPane() const { return sPanel1; }
    QLabel* messagePane() const { return sPanel2; }
    InfoPanel* infoPanel() const { return iPanel; }
    double boardScale() const { return fit_->scale(); }
    const MainMenu& menu() const { return *menu_; }
    bool soundOn() const { return soundOn_; }
    int backgroundIndex() const { return BackgroundIndex; }
    bool ownRowBottom() const { return ownRowBottom_; }
    QString gameFolder() const { return gameFolder_; }
    UiLanguage language() const { return language_.current(); }
    int tableId() const { return state_.table().table().TableId(); }
    const online::OnlineTable& onlineTable() const { return state_.table().table(); }
    const ServerLink& serverLink() const { return *link_; }
    LobbyHost& lobbyHost() { return lobbyLink_; }
    TfNet* lobby() const { return fNet_; }
    TLoginForm* loginForm() const { return loginForm_; }
    TfAddGame* addGameForm() const { return fAddGame_; }
    RecordWindow* recordWindow() const { return recordWindow_; }
    AnalysisWindow* analysisWindow() const { return analysisWindow_; }
};

}  // namespace pimra
