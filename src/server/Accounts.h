#pragma once

#include <cstdint>
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
    LoginHasBadCharacters,
    LoginMixesAlphabets,
    LoginHasBadBlanks,
    // Only blanks and punctuation, such as "." and "..".
    LoginWithoutLetters,
    EmptyPassword,
    PasswordNotCp1251,
    PasswordsDiffer,
    LoginTaken,
    // Another login that differs only in letter case or look-alike letters is taken.
    LoginLikeTaken,
    TooManyRegistrations,
};

// The Russian text shown on the registration page for an error.
std::string registrationErrorText(RegistrationError error);

// Limits against guessing passwords and making accounts in bulk, counted in the store so that
// every server process on it shares them.
struct AccountLimits {
    int wrongPasswordsPerLoginAndAddress = 5;
    int failedLoginsPerAddress = 30;
    std::int64_t loginWindowMs = 60 * 1000;
    int registrationsPerAddress = 10;
    std::int64_t registrationWindowMs = 60 * 60 * 1000;
    std::int64_t sessionIdleMs = 30LL * 24 * 60 * 60 * 1000;
};

struct LoginResult {
    enum class Outcome { LoggedIn, Refused, Throttled };
    Outcome outcome = Outcome::Refused;
    Session session;  // when logged in
};

// Accounts and their sessions. Only a password hash of the client's MD5 digest is stored.
class Accounts {
  public:
    static constexpr int kMaxSessionsPerLogin = 20;

    Accounts(Store& store, const Clock& clock, const PasswordHasher& hasher,
             AccountLimits limits = {})
        : store_(store), clock_(clock), hasher_(hasher), limits_(limits) {}

    // `login` and the passwords in UTF-8, as the registration page receives them; `address`
    // is where the request came from.
    RegistrationError registerAccount(const std::string& login, const std::string& password,
                                      const std::string& repeat, const std::string& address = "");

    // A new session for a login and the MD5 digest of its Windows-1251 password.
    LoginResult logIn(const std::string& login, const std::string& digest,
                      const std::string& address = "");

    // The login of a session whose id and code match and that has been used within the
    // session lifetime; inside a write transaction, as it marks the session used.
    std::optional<std::string> sessionLogin(StoreTransaction& tx, const std::string& sid,
                                            const std::string& code) const;

  private:
    bool loginThrottled(const std::string& login, const std::string& address, std::int64_t nowMs);
    void countFailedLogin(const std::string& login, const std::string& address, std::int64_t nowMs);

    Store& store_;
    const Clock& clock_;
    const PasswordHasher& hasher_;
    AccountLimits limits_;
};

}  // namespace pimra::server
