#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>

#include "net/FormEncoding.h"
#include "net/ServerConnection.h"
#include "net/Session.h"

class QWidget;

namespace pimra {

// What the lobby and its dialogs need from the main window: the server, the session, the
// table view and the desktop. Tests put a fake in its place.
class LobbyHost {
  public:
    virtual ~LobbyHost() = default;

    // How an exchange ended: none when it was not made (another one was under way, or the
    // window closed meanwhile).
    using Done = std::function<void(const std::optional<net::PostResult>& result)>;

    virtual const net::Session& session() const = 0;
    // One exchange with the server; `done` runs once it has ended, perhaps before this returns.
    virtual void send(const net::Request& request, Done done) = 0;
    virtual void clearServerDown() = 0;
    // Logs in; `done` gets false when the server refused or could not be reached.
    virtual void login(const std::string& login, const std::string& password,
                       std::function<void(bool ok)> done) = 0;
    // After a successful login: the window's caption and the pits the user may play.
    virtual void afterLogin() = 0;
    // Makes `tableId` the open table and loads it.
    virtual void openTable(int tableId) = 0;
    // A plain modal message titled with the program's name.
    virtual void showMessage(QWidget* parent, const QString& text) = 0;
    virtual void openRegistrationPage() = 0;
    // The left pane of the main window's status bar.
    virtual void setLoginPane(const QString& text) = 0;
    // After a successful login: keep the session for the next start ("Запомнить меня"), or
    // forget one kept before.
    virtual void keepSession(bool remember) { (void)remember; }
    // The connection's word on the last exchange in Russian: the server's refusal, or why it
    // could not be reached; empty after a success.
    virtual std::string statusText() const { return {}; }
    // The lobby is shown (or hidden): its changes are pushed to it while the server can.
    virtual void watchLobby(bool on) { (void)on; }
};

}  // namespace pimra
