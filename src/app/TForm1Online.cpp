#include <QLabel>
#include <QMenu>

#include "BoardPits.h"
#include "ChatLink.h"
#include "InfoPanel.h"
#include "LobbyDialogs.h"
#include "MainMenu.h"
#include "OnlineTexts.h"
#include "ShownText.h"
#include "TForm1.h"
#include "UiServices.h"
#include "WindowFit.h"
#include "online/Lobby.h"

namespace pimra {

namespace {

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace

// --- What the lobby asks of the window -------------------------------------------------------

LobbyLink::WindowHooks TForm1::lobbyHooks() {
    return {
        .serverAnswered = [this] { showServerStatus(); },
        .exchangeEnded = [this] { showCommands(); },
        .loggedIn = [this] { afterLogin(); },
        .openTable = [this](int tableId) { openTable(tableId); },
        .showLoginPane = [this](const QString& pane) { setShownText(w_->sPanel1, pane); },
        .language = [this] { return language_.current(); },
    };
}

void TForm1::showServerStatus() {
    setShownText(w_->sPanel2, text(link_->connection().StatusText()));
}

void TForm1::afterLogin() {
    setShownTitle(this, text(online::MainWindowCaption(session())));
    menu_->myGames->setVisible(session().LoggedIn());
    menu_->logout->setVisible(session().LoggedIn());
    UpdateCursor();
}

void TForm1::setSessionStore(SessionStore* store) {
    lobby_->setSessionStore(store, [this] { afterLogin(); });
}

// --- The table ------------------------------------------------------------------------------

void TForm1::apply(online::Effects effects, online::PlayedGame* from) {
    if (effects.showBoard) showBoard();
    if (effects.showTable) {
        UpdateFormLabels();
        UpdateCursor();
    }
    if (effects.showClocks) w_->iPanel->showClocks(state_.table().table().Clocks());
    chat_->apply(effects);
    if (effects.message) setShownText(w_->sPanel2, text(*effects.message));
    if (effects.status) SetLabel(text(*effects.status));
    if (effects.thinking) showThinking(*effects.thinking);
    timers_.follow(effects);
    if (effects.attention) drawAttention();
    showCommands();
    if (effects.animate) animate(*effects.animate, from);
    if (effects.send) sendForTable(*effects.send);
    if (effects.backToLocalGame) NewGame();
    if (effects.result) ui_.showResult(this, translated(kTitle), resultBoxText(*effects.result));
}

void TForm1::drawAttention() {
    sounds_.play(MoveSound::Select);
    if (!isActiveWindow()) ui_.alert(this);
}

void TForm1::sendForTable(const online::Outgoing& outgoing) {
    LobbyLink& lobby = lobby_->link();
    // After a failed exchange the table itself says when to try the server again.
    if (outgoing.afterFailure) lobby.clearServerDown();
    const bool started = link_->runner().send(
        outgoing.request, [this, &lobby](const std::optional<net::PostResult>& result) {
            lobby.noticeReply(result);
            applyTable(state_.table().answered({result, link_->connection().StatusText()}));
        });
    if (!started) applyTable(state_.table().answered({}));
}

void TForm1::RzButton1Click() {
    if (link_->runner().busy()) return;
    lobby_->link().clearServerDown();
    applyTable(state_.table().refresh());
}

void TForm1::tableButton(online::Effects (online::TableController::*event)()) {
    applyTable((state_.table().*event)());
}

void TForm1::setOwnRowBottom(bool on) {
    ownRowBottom_ = on;
    if (menu_->ownRowBottom->isChecked() != on) menu_->ownRowBottom->setChecked(on);
    placePits();
    saveSettings();
}

void TForm1::placePits() {
    if (!pits_->place(boardTurned())) return;
    w_->iPanel->setTurned(boardTurned());
    // The clocks and logins follow their rows: seat 2's beside the lower row.
    UpdateFormLabels();
}

void TForm1::UpdateCursor() {
    pits_->pointAt(state_.table().table().Rows());
}

void TForm1::UpdateFormLabels() {
    const online::TableView view = state_.table().table().View();
    fit_->fit(view.panelVisible);
    w_->iPanel->setVisible(view.panelVisible);
    if (view.panelVisible && view.statusText) SetLabel(text(*view.statusText));
    w_->iPanel->showView(view);
    w_->iPanel->showEndings(state_.table().endings().View());
    placePits();
}

}  // namespace pimra
