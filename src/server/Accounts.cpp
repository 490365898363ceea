#include "Accounts.h"

#include <sodium.h>

#include <array>

#include "LoginRules.h"
#include "net/Cp1251.h"
#include "net/Md5.h"

namespace pimra::server {

namespace {

// A session is marked used at most this often, so polls of one player cost few writes.
constexpr std::int64_t kSessionTouchMs = 60 * 1000;
// Counted events are kept as long as the longest window needs them.
constexpr std::int64_t kEventLifetimeMs = 2 * 60 * 60 * 1000;

// Keys longer than this are kept as a hash, so a client cannot make the store keep its
// long texts.
constexpr std::size_t kMaxKeyLength = 64;

std::string eventKey(const std::string& kind, const std::string& detail) {
    if (detail.size() <= kMaxKeyLength) return kind + "\n" + detail;
    std::array<unsigned char, crypto_generichash_BYTES> digest{};
    crypto_generichash(digest.data(), digest.size(),
                       reinterpret_cast<const unsigned char*>(detail.data()), detail.size(),
                       nullptr, 0);
    std::string hex(digest.size() * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), digest.data(), digest.size());
    hex.pop_back();
    return kind + "\nhash " + hex;
}

std::string wrongPasswordKey(const std::string& login, const std::string& address) {
    return eventKey("login", address + "\n" + login);
}

std::string failedLoginKey(const std::string& address) {
    return eventKey("login-address", address);
}

std::string registrationKey(const std::string& address) {
    return eventKey("registration", address);
}

RegistrationError fromLoginProblem(LoginProblem problem) {
    switch (problem) {
        case LoginProblem::None:
            return RegistrationError::None;
        case LoginProblem::Empty:
            return RegistrationError::EmptyLogin;
        case LoginProblem::TooLong:
            return RegistrationError::LoginTooLong;
        case LoginProblem::BadCharacter:
            return RegistrationError::LoginHasBadCharacters;
        case LoginProblem::MixedAlphabets:
            return RegistrationError::LoginMixesAlphabets;
        case LoginProblem::BadBlanks:
            return RegistrationError::LoginHasBadBlanks;
        case LoginProblem::NoLetterOrDigit:
            return RegistrationError::LoginWithoutLetters;
    }
    return RegistrationError::LoginHasBadCharacters;
}

}  // namespace

std::string registrationErrorText(RegistrationError error) {
    switch (error) {
        case RegistrationError::None:
            return "";
        case RegistrationError::EmptyLogin:
            return "Введите логин.";
        case RegistrationError::LoginTooLong:
            return "Логин длиннее 20 символов.";
        case RegistrationError::LoginNotCp1251:
            return "Логин может содержать только русские и латинские буквы, цифры и знаки "
                   "кодировки Windows-1251.";
        case RegistrationError::LoginHasBadCharacters:
            return "Логин может содержать только буквы, цифры, пробел и знаки «-», «_», «.».";
        case RegistrationError::LoginMixesAlphabets:
            return "Логин должен быть написан буквами одного алфавита: русскими или латинскими.";
        case RegistrationError::LoginHasBadBlanks:
            return "Логин не может начинаться или кончаться пробелом и содержать два пробела "
                   "подряд.";
        case RegistrationError::LoginWithoutLetters:
            return "Логин должен содержать хотя бы одну букву или цифру.";
        case RegistrationError::EmptyPassword:
            return "Введите пароль.";
        case RegistrationError::PasswordNotCp1251:
            return "Пароль может содержать только знаки кодировки Windows-1251.";
        case RegistrationError::PasswordsDiffer:
            return "Пароли не совпадают.";
        case RegistrationError::LoginTaken:
            return "Этот логин уже занят.";
        case RegistrationError::LoginLikeTaken:
            return "Этот логин или похожий на него уже занят.";
        case RegistrationError::TooManyRegistrations:
            return "Слишком много регистраций с вашего адреса, попробуйте через час.";
    }
    return "";
}

RegistrationError Accounts::registerAccount(const std::string& login, const std::string& password,
                                            const std::string& repeat, const std::string& address) {
    if (login.empty()) return RegistrationError::EmptyLogin;
    const auto loginBytes = net::Utf8ToCp1251(login);
    if (!loginBytes) return RegistrationError::LoginNotCp1251;
    if (const auto problem = fromLoginProblem(checkNewLogin(*loginBytes));
        problem != RegistrationError::None) {
        return problem;
    }
    if (password.empty()) return RegistrationError::EmptyPassword;
    if (password != repeat) return RegistrationError::PasswordsDiffer;
    if (!net::FitsCp1251(password)) return RegistrationError::PasswordNotCp1251;

    const std::int64_t now = clock_.nowMs();
    const std::string key = registrationKey(address);
    const std::string lookAlikeKey = net::Cp1251ToUtf8(loginKey(*loginBytes));
    const auto overLimit = [&](StoreTransaction& tx) {
        return tx.countEvents(key, now - limits_.registrationWindowMs) >=
               limits_.registrationsPerAddress;
    };
    const auto taken = [&](StoreTransaction& tx) {
        if (tx.findAccount(login)) return RegistrationError::LoginTaken;
        if (tx.isLoginKeyTaken(lookAlikeKey)) return RegistrationError::LoginLikeTaken;
        return RegistrationError::None;
    };
    // An address over its limit costs a read. Any other attempt counts against it, whatever
    // comes of it, and nothing is hashed for a login that is taken.
    RegistrationError outcome = RegistrationError::None;
    store_.read([&](StoreTransaction& tx) {
        if (overLimit(tx)) outcome = RegistrationError::TooManyRegistrations;
    });
    if (outcome != RegistrationError::None) return outcome;
    store_.write([&](StoreTransaction& tx) {
        if (overLimit(tx)) {
            outcome = RegistrationError::TooManyRegistrations;
            return;
        }
        tx.removeEventsBefore(now - kEventLifetimeMs);
        tx.addEvent(key, now);
        outcome = taken(tx);
    });
    if (outcome != RegistrationError::None) return outcome;

    // Hash outside the transaction: it is slow on purpose.
    const Account account{login, hasher_.hash(net::MD5Hex(password)), lookAlikeKey};
    store_.write([&](StoreTransaction& tx) {
        if (tx.addAccount(account, now)) return;
        // Taken while this one was hashed.
        outcome = taken(tx);
        if (outcome == RegistrationError::None) outcome = RegistrationError::LoginLikeTaken;
    });
    return outcome;
}

bool Accounts::loginThrottled(const std::string& login, const std::string& address,
                              std::int64_t nowMs) {
    const std::int64_t since = nowMs - limits_.loginWindowMs;
    bool throttled = false;
    store_.read([&](StoreTransaction& tx) {
        throttled =
            tx.countEvents(failedLoginKey(address), since) >= limits_.failedLoginsPerAddress ||
            tx.countEvents(wrongPasswordKey(login, address), since) >=
                limits_.wrongPasswordsPerLoginAndAddress;
    });
    return throttled;
}

void Accounts::countFailedLogin(const std::string& login, const std::string& address,
                                std::int64_t nowMs) {
    store_.write([&](StoreTransaction& tx) {
        tx.removeEventsBefore(nowMs - kEventLifetimeMs);
        tx.addEvent(failedLoginKey(address), nowMs);
        tx.addEvent(wrongPasswordKey(login, address), nowMs);
    });
}

LoginResult Accounts::logIn(const std::string& login, const std::string& digest,
                            const std::string& address) {
    // No account has so long a login: refused before anything is looked up or recorded.
    if (isOverlongLogin(login)) return {LoginResult::Outcome::Refused, {}};
    const std::int64_t now = clock_.nowMs();
    if (loginThrottled(login, address, now)) return {LoginResult::Outcome::Throttled, {}};
    if (!isMd5Hex(digest)) return {LoginResult::Outcome::Refused, {}};
    std::optional<Account> account;
    store_.read([&](StoreTransaction& tx) { account = tx.findAccount(login); });
    // An unknown login costs the same hash as a wrong password.
    const bool verified =
        account ? hasher_.verify(account->passwordHash, digest) : hasher_.verifyNothing(digest);
    if (!verified) {
        countFailedLogin(login, address, now);
        return {LoginResult::Outcome::Refused, {}};
    }

    Session session{randomToken(), randomToken(), login, now, now};
    store_.write([&](StoreTransaction& tx) {
        tx.addSession(session);
        tx.trimSessions(login, kMaxSessionsPerLogin, now - limits_.sessionIdleMs);
    });
    return {LoginResult::Outcome::LoggedIn, session};
}

std::optional<std::string> Accounts::sessionLogin(StoreTransaction& tx, const std::string& sid,
                                                  const std::string& code) const {
    if (sid.empty() || code.empty()) return std::nullopt;
    const auto session = tx.findSession(sid);
    if (!session || !sameSecret(session->code, code)) return std::nullopt;
    const std::int64_t now = clock_.nowMs();
    if (now - session->lastUsedMs > limits_.sessionIdleMs) return std::nullopt;
    if (now - session->lastUsedMs >= kSessionTouchMs) tx.touchSession(sid, now);
    return session->login;
}

}  // namespace pimra::server
