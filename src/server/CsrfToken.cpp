#include "CsrfToken.h"

#include <sodium.h>

#include <array>

#include "Credentials.h"

namespace pimra::server {

CsrfToken::CsrfToken(std::string key) : key_(std::move(key)) {}

std::string CsrfToken::sign(std::string_view nonce) const {
    std::array<unsigned char, crypto_auth_BYTES> mac{};
    std::array<unsigned char, crypto_auth_KEYBYTES> key{};
    crypto_generichash(key.data(), key.size(), reinterpret_cast<const unsigned char*>(key_.data()),
                       key_.size(), nullptr, 0);
    crypto_auth(mac.data(), reinterpret_cast<const unsigned char*>(nonce.data()), nonce.size(),
                key.data());
    std::string hex(mac.size() * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), mac.data(), mac.size());
    hex.pop_back();
    return hex;
}

std::string CsrfToken::make() const {
    const std::string nonce = randomToken();
    return nonce + "." + sign(nonce);
}

bool CsrfToken::accepts(std::string_view cookie, std::string_view field) const {
    if (cookie.empty() || !sameSecret(cookie, field)) return false;
    const std::size_t dot = cookie.find('.');
    if (dot == std::string_view::npos) return false;
    return sameSecret(cookie.substr(dot + 1), sign(cookie.substr(0, dot)));
}

}  // namespace pimra::server
