#include "net/ServerConnection.h"

#include "net/Requests.h"

namespace pimra::net {

PostResult ServerConnection::SendPost(const Request& request) {
    if (serverDown_) {
        return {};
    }
    const HttpResult http = transport_.Post(EncodeForm(request));
    if (http.outcome == HttpResult::Outcome::Cancelled) {
        // The user gave up waiting; the server is not to blame.
        return {};
    }
    std::optional<Reply> reply;
    if (http.outcome == HttpResult::Outcome::Received) {
        reply = ParseReply(http.body);
    }
    if (!reply) {
        serverDown_ = true;
        statusText_ = kServerUnreachableText;
        return {};
    }
    return TakeReply(std::move(*reply));
}

PostResult ServerConnection::TakeReply(Reply reply) {
    const std::string response = FieldText(reply, "response");
    const bool ok = response == "Success";
    statusText_ = ok ? std::string() : kServerAnswerPrefix + response;
    return {std::move(reply), ok};
}

PostResult ServerConnection::LostReply() {
    statusText_ = kServerUnreachableText;
    return {};
}

bool ServerConnection::Login(const std::string& login, const std::string& password) {
    return AcceptLogin(SendPost(LoginRequest(login, password)), login);
}

bool ServerConnection::AcceptLogin(const PostResult& result, const std::string& login) {
    if (!result.ok) {
        return false;
    }
    session_.Sid = FieldText(*result.reply, "sid");
    session_.Code = FieldText(*result.reply, "code");
    session_.OwnLogin = login;
    return true;
}

}  // namespace pimra::net
