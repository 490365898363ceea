#pragma once

#include <QString>

#include <array>
#include <functional>

#include "LobbyLink.h"

class QWidget;

namespace pimra {

class SessionStore;
class TLoginForm;
class TfAddGame;
class TfNet;

// The way into online play: the lobby and its login and new-table dialogs over the window's
// server link, the session kept by "Запомнить меня" and the logout.
class LobbyDialogs {
  public:
    // The dialogs belong to `window` and take its font.
    LobbyDialogs(QWidget* window, ServerLink& link, UiServices& ui, const QString& title,
                 LobbyLink::WindowHooks hooks);

    // "Игра Online": the lobby, modeless.
    void showLobby();
    // "Выйти": at once, or as soon as the exchange under way has ended.
    void logout();
    // A session kept in `store` logs the user in; `restored` then shows it.
    void setSessionStore(SessionStore* store, std::function<void()> restored);

    LobbyLink& link() { return link_; }
    TfNet* lobby() const { return lobby_; }
    TLoginForm* loginForm() const { return loginForm_; }
    TfAddGame* addGame() const { return addGame_; }
    std::array<QWidget*, 3> dialogs() const;

  private:
    QWidget* window_;
    LobbyLink link_;
    TLoginForm* loginForm_;
    TfAddGame* addGame_;
    TfNet* lobby_;
};

}  // namespace pimra
