#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace pimra::server {

// True for 32 lower-case hexadecimal digits.
bool isMd5Hex(std::string_view text);

// 128 random bits as 32 hexadecimal digits, for session ids and codes.
std::string randomToken();

// Compares two texts in time that does not depend on where they differ.
bool sameSecret(std::string_view a, std::string_view b);

// Lets at most a given number of callers in at once; the others wait their turn.
class ConcurrencyGate {
  public:
    explicit ConcurrencyGate(unsigned limit) : free_(limit == 0 ? 1 : limit) {}
    void enter();
    void leave();

  private:
    std::mutex mutex_;
    std::condition_variable turn_;
    unsigned free_;
};

// libsodium password hashes of the client's password digest. `Strength::Minimum` keeps tests
// and the fuzzer fast; the server uses `Interactive`. At most `concurrency` hashes run at once
// (by default one per core), so that guessing cannot take every processor from the polls.
class PasswordHasher {
  public:
    enum class Strength { Interactive, Minimum };
    explicit PasswordHasher(Strength strength = Strength::Interactive, unsigned concurrency = 0);

    std::string hash(std::string_view digest) const;
    bool verify(const std::string& storedHash, std::string_view digest) const;
    // Costs what `verify` costs and is always false: for a login that does not exist, so
    // that the reply time does not tell whether it does.
    bool verifyNothing(std::string_view digest) const;

  private:
    unsigned long long opsLimit_;
    std::size_t memLimit_;
    mutable ConcurrencyGate gate_;
    std::string decoyHash_;
};

}  // namespace pimra::server
