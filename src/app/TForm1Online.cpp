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

// How soon a logout asked for during an exchange is tried again.
constexpr int kLogoutRetryMs = 100;

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
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

void TForm1::N12Click() {
    fNet_->show();
    fNet_->raise();
    fNet_->activateWindow();
}

// --- What the lobby asks of the window -------------------------------------------------------

LobbyLink::WindowHooks TForm1::lobbyHooks() {
    return {
        .serverAnswered = [this] { showServerStatus(); },
        .exchangeEnded = [this] { showCommands(); },
        .loggedIn = [this] { afterLogin(); },
        .openTable = [this](int tableId) { openTable(tableId); },
        .showLoginPane = [this](const QString& pane) { setShownText(sPanel1, pane); },
        .language = [this] { return language_.current(); },
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
    applyTable(state_.table().open(tableId));
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

void TForm1::applyTable(online::Effects effects) {
    apply(std::move(effects), &state_.table());
}

void TForm1::apply(online::Effects effects, online::PlayedGame* from) {
    if (effects.showBoard) showBoard();
    if (effects.showTable) {
        UpdateFormLabels();
        UpdateCursor();
    }
    if (effects.showClocks) SetClocks();
    if (effects.message) setShownText(sPanel2, text(*effects.message));
    if (effects.status) SetLabel(text(*effects.status));
    if (effects.thinking) showThinking(*effects.thinking);
    applyTimers(effects);
    if (effects.attention) drawAttention();
    showCommands();
    if (effects.animate) animate(*effects.animate, from);
    if (effects.send) sendForTable(*effects.send);
    if (effects.backToLocalGame) NewGame();
    if (effects.result) ui_.showResult(this, translated(kTitle), resultBoxText(*effects.result));
}

void TForm1::applyTimers(const online::Effects& effects) {
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
    if (effects.clockStands) {
        Timer2.stop();
        clockPause_.stop();
    }
    if (effects.stopAlive) aliveTimer_.stop();
    if (effects.retryAfter) retryTimer_.start(static_cast<int>(effects.retryAfter->count()));
    if (effects.pauseThenReload) {
        // The reload follows a pause, but the window keeps answering meanwhile; it restarts
        // the clock.
        Timer2.stop();
        clockPause_.start();
    }
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
            applyTable(state_.table().answered({result, link_->connection().StatusText()}));
        });
    if (!started) applyTable(state_.table().answered({}));
}

void TForm1::SetClocks() {
    iPanel->showClocks(state_.table().table().Clocks());
}

void TForm1::Timer1Timer() {
    applyTable(state_.table().pollTick());
}

void TForm1::Timer2Timer() {
    const online::Effects tick = state_.table().clockTick();
    const std::optional<std::chrono::milliseconds> next = tick.nextClockTick;
    applyTable(tick);
    // Unless the run-out pause stopped it, the clock ticks again as the next second shows.
    if (Timer2.isActive()) startClock(next);
}

void TForm1::RzButton1Click() {
    if (requestUnderWay()) return;
    lobbyLink_.clearServerDown();
    applyTable(state_.table().refresh());
}

void TForm1::bReadyClick() {
    applyTable(state_.table().ready());
}

void TForm1::bLeaveClick() {
    applyTable(state_.table().leaveTable());
}

void TForm1::bRematchClick() {
    applyTable(state_.table().rematch());
}

void TForm1::aliveTimer() {
    applyTable(state_.table().aliveTick());
}

bool TForm1::boardTurned() const {
    return state_.boardTurned(ownRowBottom_);
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
    const online::PlayableRows rows = state_.table().table().Rows();
    for (int i = 1; i <= kPitCount; ++i) {
        const bool playable =
            !Position::isStore(i) && (Position::sideOf(i) == Side::Bottom ? rows.bottom : rows.top);
        pit(i)->setCursor(playable ? Qt::PointingHandCursor : Qt::ForbiddenCursor);
    }
}

void TForm1::UpdateFormLabels() {
    const online::TableView view = state_.table().table().View();
    fit_->fit(view.panelVisible);
    iPanel->setVisible(view.panelVisible);
    if (view.panelVisible && view.statusText) SetLabel(text(*view.statusText));
    iPanel->showView(view);
    iPanel->showEndings(state_.table().endings().View());
    placePits();
}

}  // namespace pimra
