#pragma once

#include <string>

namespace pimra::net {

// What a successful login leaves behind; replaced only by the next successful login.
struct Session {
    std::string Sid;
    std::string Code;
    // The login exactly as typed, not as the server writes it.
    std::string OwnLogin;

    // Without a session id the user counts as not logged in.
    bool LoggedIn() const { return !Sid.empty(); }
};

}  // namespace pimra::net
