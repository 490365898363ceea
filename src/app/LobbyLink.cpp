#include "LobbyLink.h"

#include "GameSocket.h"
#include "ServerLink.h"
#include "SessionStore.h"
#include "ShownText.h"
#include "SitePages.h"
#include "UiServices.h"
#include "net/Requests.h"
#include "online/RememberedSession.h"

namespace pimra {

LobbyLink::LobbyLink(ServerLink& link, UiServices& ui, QString title, WindowHooks hooks)
    : link_(link), ui_(ui), title_(std::move(title)), hooks_(std::move(hooks)) {}

const net::Session& LobbyLink::session() const {
    return link_.connection().session();
}

bool LobbyLink::exchangeUnderWay() const {
    return link_.runner().busy();
}

void LobbyLink::send(const net::Request& request, Done done) {
    const bool started =
        link_.runner().send(request, [this, done](const std::optional<net::PostResult>& result) {
            noticeReply(result);
            if (result) hooks_.serverAnswered();
            done(result);
            hooks_.exchangeEnded();
        });
    if (!started) done(std::nullopt);
}

void LobbyLink::clearServerDown() {
    // The latch belongs to the exchange under way until it has ended.
    if (!exchangeUnderWay()) link_.connection().ClearServerDown();
}

void LobbyLink::login(const std::string& login, const std::string& password,
                      std::function<void(bool ok)> done) {
    const bool started = link_.runner().login(login, password, [this, done](bool ok) {
        if (ok) link_.socket().start();
        hooks_.serverAnswered();
        done(ok);
        hooks_.exchangeEnded();
    });
    if (!started) done(false);
}

void LobbyLink::showMessage(QWidget* parent, const QString& message) {
    ui_.showResult(parent, translated(title_), translated(message));
}

void LobbyLink::openRegistrationPage() {
    ui_.openUrl(link_.page(sitePagePath(SitePage::Registration, hooks_.language())));
}

void LobbyLink::watchLobby(bool on) {
    link_.socket().watchLobby(on);
    if (on) link_.socket().start();
}

std::string LobbyLink::statusText() const {
    return link_.connection().StatusText();
}

void LobbyLink::keepSession(bool remember) {
    if (sessionStore_ == nullptr) return;
    if (remember) {
        sessionStore_->write(online::EncodeSession(session()));
    } else {
        sessionStore_->erase();
    }
}

void LobbyLink::logout() {
    const net::Request request = net::LogoutRequest(session());
    link_.connection().EndSession();
    if (sessionStore_ != nullptr) sessionStore_->erase();
    hooks_.loggedIn();
    // Whatever the server answers, or if it cannot be reached, this end is logged out; a
    // session the server keeps lapses unused.
    send(request, [](const std::optional<net::PostResult>&) {});
}

void LobbyLink::setSessionStore(SessionStore* store,
                                std::function<void(const net::Session& kept)> restored) {
    sessionStore_ = store;
    if (store == nullptr) return;
    store->read([this, restored](const std::optional<std::string>& secret) {
        const std::optional<net::Session> kept =
            secret ? online::DecodeSession(*secret) : std::nullopt;
        // A login typed meanwhile, or an exchange under way, wins over the kept session.
        if (!kept || session().LoggedIn() || exchangeUnderWay()) return;
        link_.connection().RestoreSession(*kept);
        link_.socket().start();
        restored(*kept);
    });
}

void LobbyLink::noticeReply(const std::optional<net::PostResult>& result) {
    if (sessionStore_ != nullptr && result && result->reply &&
        online::RefusesSession(*result->reply)) {
        sessionStore_->erase();
    }
}

}  // namespace pimra
