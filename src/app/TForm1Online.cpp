#include <QCheckBox>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

#include "InfoPanel.h"
#include "MainMenu.h"
#include "OnlineTexts.h"
#include "SessionStore.h"
#include "ShownText.h"
#include "TForm1.h"
#include "TLoginForm.h"
#include "TLunka.h"
#include "TextFit.h"
#include "TfAddGame.h"
#include "TfNet.h"
#include "UiServices.h"
#include "online/BoardView.h"
#include "online/Lobby.h"
#include "online/RememberedSession.h"

namespace pimra {

namespace {

constexpr int kClockDigits = 4;
// How soon a logout asked for during an exchange is tried again.
constexpr int kLogoutRetryMs = 100;

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

void setLoginColour(QLabel* label, online::LoginColour colour) {
    QPalette palette = label->palette();
    switch (colour) {
        case online::LoginColour::Green:
            palette.setColor(QPalette::WindowText, QColor(0, 128, 0));
            break;
        case online::LoginColour::Red:
            palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
            break;
        case online::LoginColour::Black:
            palette = QPalette();
            break;
    }
    label->setPalette(palette);
}

void showClock(QLCDNumber* clock, const std::string& shown) {
    // The colon takes a digit's place; long games need more than "MM:SS".
    clock->setDigitCount(std::max(kClockDigits, static_cast<int>(shown.size())));
    clock->display(text(shown));
    // The display has no text of its own to read back; screen readers get it this way.
    clock->setAccessibleName(text(shown));
}

}  // namespace

void TForm1::createDialogs() {
    loginForm_ = new TLoginForm(lobbyLink_, this);
    fAddGame_ = new TfAddGame(this);
    fNet_ = new TfNet(lobbyLink_, *loginForm_, *fAddGame_, this);
    // Fonts do not pass from a window to its dialogs by themselves; the captions are sized
    // for the window's small face.
    for (QWidget* dialog : {static_cast<QWidget*>(loginForm_), static_cast<QWidget*>(fAddGame_),
                            static_cast<QWidget*>(fNet_)}) {
        dialog->setFont(font());
    }
}

void TForm1::setTimerPeriods(int pollMilliseconds, int clockMilliseconds) {
    Timer1.setInterval(pollMilliseconds);
    Timer2.setInterval(clockMilliseconds);
    clockPeriod_ = clockMilliseconds;
}

void TForm1::N12Click() {
    fNet_->show();
    fNet_->raise();
    fNet_->activateWindow();
}

// --- What the lobby asks of the window -------------------------------------------------------

LobbyLink::WindowHooks TForm1::lobbyHooks() {
    return {
        .serverAnswered = [this] { showServerStatus(); },
        .exchangeEnded = [this] { reportIdle(); },
        .loggedIn = [this] { afterLogin(); },
        .openTable = [this](int tableId) { openTable(tableId); },
        .showLoginPane = [this](const QString& pane) { setShownText(sPanel1, pane); },
        .language = [this] { return language(); },
    };
}

const net::Session& TForm1::session() const {
    return link_->connection().session();
}

void TForm1::showServerStatus() {
    setShownText(sPanel2, text(link_->connection().StatusText()));
}

void TForm1::afterLogin() {
    setShownTitle(this, text(online::MainWindowCaption(session())));
    menu_->myGames->setVisible(session().LoggedIn());
    menu_->logout->setVisible(session().LoggedIn());
    UpdateCursor();
}

void TForm1::logoutClick() {
    if (!session().LoggedIn()) return;
    // A poll or a move under way owns the connection's session until it ends.
    if (lobbyLink_.exchangeUnderWay()) {
        QTimer::singleShot(kLogoutRetryMs, this, &TForm1::logoutClick);
        return;
    }
    lobbyLink_.logout();
    fNet_->UpdateStatus();
}

void TForm1::openTable(int tableId) {
    applyEffects(table_.open(tableId));
}

void TForm1::setSessionStore(SessionStore* store) {
    lobbyLink_.setSessionStore(store, [this](const net::Session& kept) {
        fNet_->UpdateStatus();
        afterLogin();
        loginForm_->eLogin->setText(QString::fromStdString(kept.OwnLogin));
        loginForm_->rememberMe->setChecked(true);
    });
}

// --- The table view -----------------------------------------------------------------------------

bool TForm1::otherWork() const {
    return animator_.running() || match_.turnRunning() || hintTimer_.isActive() ||
           requestUnderWay();
}

void TForm1::applyEffects(online::Effects effects) {
    if (effects.showBoard) showBoard();
    if (effects.showTable) {
        UpdateFormLabels();
        UpdateCursor();
        menu_->N26->menuAction()->setEnabled(false);
    }
    if (effects.showClocks) SetClocks();
    if (effects.historyChanged) updateHistoryItems();
    if (effects.message) setShownText(sPanel2, text(*effects.message));
    if (effects.startTimers) {
        startClock(effects.nextClockTick);
        if (!Timer1.isActive()) Timer1.start();
        if (!aliveTimer_.isActive()) aliveTimer_.start();
    }
    if (effects.stopTimers) {
        Timer1.stop();
        Timer2.stop();
        clockPause_.stop();
        retryTimer_.stop();
    }
    if (effects.retryAfter) retryTimer_.start(static_cast<int>(effects.retryAfter->count()));
    if (effects.pauseThenReload) {
        // The reload follows a pause, but the window keeps answering meanwhile; it restarts
        // the clock.
        Timer2.stop();
        clockPause_.start();
    }
    if (effects.attention) drawAttention();
    if (effects.animate) animate(*effects.animate, MoveOwner::Table);
    if (effects.send) sendForTable(*effects.send);
    if (effects.backToLocalGame) NewGame();
    if (effects.result) ui_.showResult(this, translated(kTitle), resultBoxText(*effects.result));
}

void TForm1::drawAttention() {
    playSound(MoveSound::Select);
    if (!isActiveWindow()) ui_.alert(this);
}

void TForm1::startClock(std::optional<std::chrono::milliseconds> nextTick) {
    // The ticks fall just after the shown second changes, so every screen turns together; a
    // period set by a test that ticks by itself stays as it is.
    if (nextTick && clockPeriod_ == kClockPeriod) {
        Timer2.start(static_cast<int>(nextTick->count()));
        return;
    }
    Timer2.start(clockPeriod_);
}

void TForm1::sendForTable(const online::Outgoing& outgoing) {
    // After a failed exchange the table itself says when to try the server again.
    if (outgoing.afterFailure) lobbyLink_.clearServerDown();
    const bool started = link_->runner().send(
        outgoing.request, [this](const std::optional<net::PostResult>& result) {
            lobbyLink_.noticeReply(result);
            applyEffects(table_.answered({result, link_->connection().StatusText()}));
            reportIdle();
        });
    if (!started) applyEffects(table_.answered({}));
}

void TForm1::ReLoad() {
    applyEffects(table_.refresh(otherWork()));
}

void TForm1::SetClocks() {
    const online::ClockTexts clocks = table_.table().Clocks();
    showClock(iPanel->Clock1, clocks.clock1);
    showClock(iPanel->Clock2, clocks.clock2);
}

void TForm1::Timer1Timer() {
    applyEffects(table_.pollTick(otherWork()));
}

void TForm1::Timer2Timer() {
    const online::Effects tick = table_.clockTick();
    const std::optional<std::chrono::milliseconds> next = tick.nextClockTick;
    applyEffects(tick);
    // Unless the run-out pause stopped it, the clock ticks again as the next second shows.
    if (Timer2.isActive()) startClock(next);
}

void TForm1::RzButton1Click() {
    if (requestUnderWay()) return;
    lobbyLink_.clearServerDown();
    applyEffects(table_.refresh(otherWork()));
}

void TForm1::bReadyClick() {
    applyEffects(table_.ready(otherWork()));
}

void TForm1::bLeaveClick() {
    applyEffects(table_.leaveTable(otherWork()));
}

void TForm1::bRematchClick() {
    applyEffects(table_.rematch(otherWork()));
}

void TForm1::aliveTimer() {
    if (!table_.isOpen()) {
        aliveTimer_.stop();
        return;
    }
    applyEffects(table_.aliveTick(otherWork()));
}

bool TForm1::boardTurned() const {
    return ownRowBottom_ && table_.isOpen() && table_.table().OwnSeat() == Side::Top;
}

void TForm1::setOwnRowBottom(bool on) {
    ownRowBottom_ = on;
    if (menu_->ownRowBottom->isChecked() != on) menu_->ownRowBottom->setChecked(on);
    placePits();
    saveSettings();
}

void TForm1::placePits() {
    const bool turned = boardTurned();
    if (turned == turnedShown_) return;
    turnedShown_ = turned;
    for (int i = 1; i <= kPitCount; ++i) pit(i)->PlacePit(i, online::ShownPlace(i, turned));
    iPanel->setTurned(turned);
    // The clocks and logins follow their rows: seat 2's beside the lower row.
    UpdateFormLabels();
}

void TForm1::UpdateCursor() {
    // The pointer tells which row is the user's, not whose turn it is.
    const online::PlayableRows rows = table_.table().Rows();
    for (int i = 1; i <= kPitCount; ++i) {
        const bool playable =
            !Position::isStore(i) && (Position::sideOf(i) == Side::Bottom ? rows.bottom : rows.top);
        pit(i)->setCursor(playable ? Qt::PointingHandCursor : Qt::ForbiddenCursor);
    }
}

void TForm1::UpdateFormLabels() {
    const online::TableView view = table_.table().View();
    fitBoard(view.panelVisible);
    iPanel->setVisible(view.panelVisible);
    if (view.panelVisible) {
        iPanel->showSeats(view.seat1, view.seat2);
        if (view.statusText) SetLabel(text(*view.statusText));
        showClock(iPanel->Clock1, view.clocks.clock1);
        showClock(iPanel->Clock2, view.clocks.clock2);
    }
    setShownText(iPanel->Label2, text(view.tableLabel));
    setShownText(iPanel->Label3, text(view.resultText));
    iPanel->Label3->setVisible(view.resultVisible);
    iPanel->Label4->setVisible(view.resultVisible);
    setLoginColour(iPanel->LoginLabel1, view.loginColour1);
    setLoginColour(iPanel->LoginLabel2, view.loginColour2);
    iPanel->bReady->setVisible(view.readyVisible);
    iPanel->bLeave->setVisible(view.leaveVisible);
    iPanel->watching->setVisible(view.watching);
    iPanel->bRematch->setVisible(view.rematchVisible);
    iPanel->bRematch->setEnabled(!view.rematchAsked);
    placePits();
}

}  // namespace pimra
