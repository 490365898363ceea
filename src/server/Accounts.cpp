#include "Accounts.h"

#include <algorithm>

#include "net/Cp1251.h"
#include "net/Md5.h"

namespace pimra::server {

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
        case RegistrationError::LoginHasControlCharacters:
            return "Логин содержит недопустимые символы.";
        case RegistrationError::EmptyPassword:
            return "Введите пароль.";
        case RegistrationError::PasswordNotCp1251:
            return "Пароль может содержать только знаки кодировки Windows-1251.";
        case RegistrationError::PasswordsDiffer:
            return "Пароли не совпадают.";
        case RegistrationError::LoginTaken:
            return "Этот логин уже занят.";
    }
    return "";
}

RegistrationError Accounts::registerAccount(const std::string& login, const std::string& password,
                                            const std::string& repeat) {
    if (login.empty()) return RegistrationError::EmptyLogin;
    const auto loginBytes = net::Utf8ToCp1251(login);
    if (!loginBytes) return RegistrationError::LoginNotCp1251;
    // Each Windows-1251 byte is one character.
    if (loginBytes->size() > kMaxLoginLength) return RegistrationError::LoginTooLong;
    if (std::any_of(loginBytes->begin(), loginBytes->end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
        return RegistrationError::LoginHasControlCharacters;
    }
    if (password.empty()) return RegistrationError::EmptyPassword;
    if (password != repeat) return RegistrationError::PasswordsDiffer;
    if (!net::FitsCp1251(password)) return RegistrationError::PasswordNotCp1251;

    // Hash outside the transaction: it is slow on purpose.
    const Account account{login, hasher_.hash(net::MD5Hex(password))};
    bool added = false;
    store_.write([&](StoreTransaction& tx) { added = tx.addAccount(account, clock_.nowMs()); });
    return added ? RegistrationError::None : RegistrationError::LoginTaken;
}

std::optional<Session> Accounts::logIn(const std::string& login, const std::string& digest) {
    if (!isMd5Hex(digest)) return std::nullopt;
    std::optional<Account> account;
    store_.read([&](StoreTransaction& tx) { account = tx.findAccount(login); });
    if (!account || !hasher_.verify(account->passwordHash, digest)) return std::nullopt;

    Session session{randomToken(), randomToken(), login, clock_.nowMs()};
    store_.write([&](StoreTransaction& tx) {
        tx.addSession(session);
        tx.trimSessions(login, kMaxSessionsPerLogin);
    });
    return session;
}

std::optional<std::string> Accounts::sessionLogin(StoreTransaction& tx, const std::string& sid,
                                                  const std::string& code) const {
    if (sid.empty() || code.empty()) return std::nullopt;
    const auto session = tx.findSession(sid);
    if (!session || !sameSecret(session->code, code)) return std::nullopt;
    return session->login;
}

}  // namespace pimra::server
