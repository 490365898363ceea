#pragma once

#include <QString>

#include <functional>
#include <optional>

#include "LanguageSwitch.h"
#include "LobbyHost.h"

namespace pimra {

class ServerLink;
class SessionStore;
class UiServices;

// The lobby's way to the server and the desktop: exchanges through the window's server link,
// the login, the kept session ("Запомнить меня") and messages. What only the main window can
// do (its caption, its status panes, opening a table) it is told through the hooks.
class LobbyLink : public LobbyHost {
  public:
    struct WindowHooks {
        // The server answered, or could not be reached: its state is shown anew.
        std::function<void()> serverAnswered;
        // An exchange and what followed from it have ended.
        std::function<void()> exchangeEnded;
        // The session changed (logged in or out): captions, menus and cursors follow.
        std::function<void()> loggedIn;
        std::function<void(int tableId)> openTable;
        std::function<void(const QString& text)> showLoginPane;
        // The interface's language, for the pages of the site it opens.
        std::function<UiLanguage()> language;
    };

    LobbyLink(ServerLink& link, UiServices& ui, QString title, WindowHooks hooks);

    const net::Session& session() const override;
    void send(const net::Request& request, Done done) override;
    void clearServerDown() override;
    void login(const std::string& login, const std::string& password,
               std::function<void(bool ok)> done) override;
    void afterLogin() override { hooks_.loggedIn(); }
    void openTable(int tableId) override { hooks_.openTable(tableId); }
    void showMessage(QWidget* parent, const QString& text) override;
    void openRegistrationPage() override;
    void setLoginPane(const QString& text) override { hooks_.showLoginPane(text); }
    void keepSession(bool remember) override;
    std::string statusText() const override;
    void watchLobby(bool on) override;
    // Logs out at once: the session and the kept one are forgotten, and the server is asked to
    // end it. Only while no exchange is under way.
    void logout();

    // The store of the kept session, read at once; `restored` gets a session kept there,
    // unless a login or an exchange came first. None: nothing is kept.
    void setSessionStore(SessionStore* store,
                         std::function<void(const net::Session& kept)> restored);
    // A reply that says the session is no longer valid forgets the kept one.
    void noticeReply(const std::optional<net::PostResult>& result);
    bool exchangeUnderWay() const;

  private:
    ServerLink& link_;
    UiServices& ui_;
    QString title_;
    WindowHooks hooks_;
    SessionStore* sessionStore_ = nullptr;
};

}  // namespace pimra
