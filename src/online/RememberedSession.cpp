#include "online/RememberedSession.h"

#include <vector>

namespace pimra::online {

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (true) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) return lines;
        text.remove_prefix(end + 1);
    }
}

bool FitsOneLine(const std::string& part) {
    return !part.empty() && part.find('\n') == std::string::npos;
}

}  // namespace

std::string EncodeSession(const net::Session& session) {
    return session.Sid + "\n" + session.Code + "\n" + session.OwnLogin;
}

std::optional<net::Session> DecodeSession(std::string_view text) {
    if (text.size() > kMaxRememberedSession) return std::nullopt;
    const std::vector<std::string_view> lines = Lines(text);
    if (lines.size() != 3) return std::nullopt;
    net::Session session{std::string(lines[0]), std::string(lines[1]), std::string(lines[2])};
    if (!FitsOneLine(session.Sid) || !FitsOneLine(session.Code) || !FitsOneLine(session.OwnLogin)) {
        return std::nullopt;
    }
    return session;
}

bool RefusesSession(const net::Reply& reply) {
    return net::FieldText(reply, "response") == kSessionUnknownText;
}

}  // namespace pimra::online
