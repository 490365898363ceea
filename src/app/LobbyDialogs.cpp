#include "LobbyDialogs.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include "ServerLink.h"
#include "TLoginForm.h"
#include "TfAddGame.h"
#include "TfNet.h"

namespace pimra {

namespace {

// How soon a logout asked for during an exchange is tried again.
constexpr int kLogoutRetryMs = 100;

}  // namespace

LobbyDialogs::LobbyDialogs(QWidget* window, ServerLink& link, UiServices& ui, const QString& title,
                           LobbyLink::WindowHooks hooks)
    : window_(window),
      link_(link, ui, title, std::move(hooks)),
      loginForm_(new TLoginForm(link_, window)),
      addGame_(new TfAddGame(window)),
      lobby_(new TfNet(link_, *loginForm_, *addGame_, window)) {
    // Fonts do not pass from a window to its dialogs by themselves; the captions are sized
    // for the window's small face.
    for (QWidget* dialog : dialogs()) dialog->setFont(window->font());
}

std::array<QWidget*, 3> LobbyDialogs::dialogs() const {
    return {lobby_, loginForm_, addGame_};
}

void LobbyDialogs::showLobby() {
    lobby_->show();
    lobby_->raise();
    lobby_->activateWindow();
}

void LobbyDialogs::logout() {
    if (!link_.session().LoggedIn()) return;
    // A poll or a move under way owns the connection's session until it ends.
    if (link_.exchangeUnderWay()) {
        QTimer::singleShot(kLogoutRetryMs, window_, [this] { logout(); });
        return;
    }
    link_.logout();
    lobby_->UpdateStatus();
}

void LobbyDialogs::setSessionStore(SessionStore* store, std::function<void()> restored) {
    link_.setSessionStore(store, [this, restored](const net::Session& kept) {
        lobby_->UpdateStatus();
        restored();
        loginForm_->eLogin->setText(QString::fromStdString(kept.OwnLogin));
        loginForm_->rememberMe->setChecked(true);
    });
}

}  // namespace pimra
