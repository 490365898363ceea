#pragma once

#include <string>
#include <string_view>

namespace pimra::server {

// Signed double-submit tokens for the registration form: the same token goes into a cookie
// and a hidden field; a post is accepted when both are equal and the signature is ours.
class CsrfToken {
  public:
    // `key`: a secret of at least 32 hexadecimal digits shared by every server process.
    explicit CsrfToken(std::string key);
    std::string make() const;
    bool accepts(std::string_view cookie, std::string_view field) const;

  private:
    std::string sign(std::string_view nonce) const;
    std::string key_;
};

}  // namespace pimra::server
