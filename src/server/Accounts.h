#pragma once

#include <optional>
#include <string>

#include "Clock.h"
#include "Credentials.h"
#include "Store.h"

namespace pimra::server {

enum class RegistrationError {
    None,
    EmptyLogin,
    LoginTooLong,
    LoginNotCp1251,
    LoginHasControlCharacters,
    EmptyPassword,
    PasswordNotCp1251,
    PasswordsDiffer,
    LoginTaken,
};

// The Russian text shown on the registration page for an error.
std::string registrationErrorText(RegistrationError error);

// Accounts and their sessions. Only a password hash of the client's MD5 digest is stored.
class Accounts {
  public:
    static constexpr std::size_t kMaxLoginLength = 20;
    static constexpr int kMaxSessionsPerLogin = 20;

    Accounts(Store& store, const Clock& clock, const PasswordHasher& hasher)
        : store_(store), clock_(clock), hasher_(hasher) {}

    // `login` and the passwords in UTF-8, as the registration page receives them.
    RegistrationError registerAccount(const std::string& login, const std::string& password,
                                      const std::string& repeat);

    // A new session for a login and the MD5 digest of its Windows-1251 password.
    std::optional<Session> logIn(const std::string& login, const std::string& digest);

    // The login of a session whose id and code match.
    std::optional<std::string> sessionLogin(StoreTransaction& tx, const std::string& sid,
                                            const std::string& code) const;

  private:
    Store& store_;
    const Clock& clock_;
    const PasswordHasher& hasher_;
};

}  // namespace pimra::server
