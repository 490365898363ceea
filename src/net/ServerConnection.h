#pragma once

#include <optional>
#include <string>

#include "net/FormEncoding.h"
#include "net/HttpTransport.h"
#include "net/Reply.h"
#include "net/Session.h"

namespace pimra::net {

inline constexpr const char* kServerAnswerPrefix = "Ответ сервера: ";
inline constexpr const char* kServerUnreachableText =
    "Сервер недоступен, или отсутствует подключение к интернету!";

struct PostResult {
    std::optional<Reply> reply;  // present whenever a reply arrived and parsed
    bool ok = false;             // the reply said "Success"
};

// The one way to talk to the game server. Synchronous: the window runs it on a worker thread
// and starts no second request while one is under way, so it needs no lock of its own.
class ServerConnection {
  public:
    explicit ServerConnection(HttpTransport& transport) : transport_(transport) {}

    // One exchange. After a failed exchange every later one is skipped (`ServerDown`) until
    // ClearServerDown(): a dead server is not asked again every two seconds.
    PostResult SendPost(const Request& request);

    // Logs in; on failure the previous session stays in force.
    bool Login(const std::string& login, const std::string& password);

    // The same ends of an exchange made over the game socket (on the interface thread, while
    // no HTTP exchange runs): a reply that came, or one that was lost with the socket. A lost
    // one reads as a failed POST but latches nothing: HTTP may well reach the server.
    PostResult TakeReply(Reply reply);
    PostResult LostReply();
    // The session a login's result gives; false and the old session kept on failure.
    bool AcceptLogin(const PostResult& result, const std::string& login);

    const Session& session() const { return session_; }
    // A session kept from an earlier run; only while no exchange is under way.
    void RestoreSession(const Session& session) { session_ = session; }
    // Logged out; only while no exchange is under way.
    void EndSession() { session_ = Session{}; }
    bool ServerDown() const { return serverDown_; }
    void ClearServerDown() { serverDown_ = false; }
    // What the right-hand status pane shows.
    const std::string& StatusText() const { return statusText_; }

  private:
    HttpTransport& transport_;
    Session session_;
    bool serverDown_ = false;
    std::string statusText_;
};

}  // namespace pimra::net
