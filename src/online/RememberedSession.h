#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "net/Reply.h"
#include "net/Session.h"

namespace pimra::online {

// The server's answer to a request with a session it no longer knows.
inline constexpr const char* kSessionUnknownText = "Вы не авторизованы";
// A kept session is short; anything longer is not one of ours.
inline constexpr std::size_t kMaxRememberedSession = 1024;

// A session as the desktop's secret store keeps it: session id, code and login, one a line.
// The password is never part of it.
std::string EncodeSession(const net::Session& session);
// None for anything that is not a whole session (a part missing or empty, a line too many,
// or too long).
std::optional<net::Session> DecodeSession(std::string_view text);

// The reply refuses the session: a kept one is to be forgotten.
bool RefusesSession(const net::Reply& reply);

}  // namespace pimra::online
