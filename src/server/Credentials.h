#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pimra::server {

// True for 32 lower-case hexadecimal digits.
bool isMd5Hex(std::string_view text);

// 128 random bits as 32 hexadecimal digits, for session ids and codes.
std::string randomToken();

// Compares two texts in time that does not depend on where they differ.
bool sameSecret(std::string_view a, std::string_view b);

// libsodium password hashes of the client's password digest. `Strength::Minimum` keeps tests
// and the fuzzer fast; the server uses `Interactive`.
class PasswordHasher {
  public:
    enum class Strength { Interactive, Minimum };
    explicit PasswordHasher(Strength strength = Strength::Interactive);

    std::string hash(std::string_view digest) const;
    bool verify(const std::string& storedHash, std::string_view digest) const;

  private:
    unsigned long long opsLimit_;
    std::size_t memLimit_;
};

}  // namespace pimra::server
