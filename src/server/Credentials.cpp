#include "Credentials.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <thread>

namespace pimra::server {

namespace {

void ensureSodium() {
    // sodium_init is safe to call repeatedly and from several threads.
    if (sodium_init() < 0) {
        throw std::runtime_error("libsodium cannot be initialised");
    }
}

std::string toHex(const unsigned char* data, std::size_t size) {
    std::string hex(size * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), data, size);
    hex.pop_back();
    return hex;
}

unsigned defaultConcurrency() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : cores;
}

// Holds a place at the gate for one scope.
class GatePass {
  public:
    explicit GatePass(ConcurrencyGate& gate) : gate_(gate) { gate_.enter(); }
    ~GatePass() { gate_.leave(); }
    GatePass(const GatePass&) = delete;
    GatePass& operator=(const GatePass&) = delete;

  private:
    ConcurrencyGate& gate_;
};

}  // namespace

void ConcurrencyGate::enter() {
    std::unique_lock lock(mutex_);
    turn_.wait(lock, [this] { return free_ > 0; });
    --free_;
}

void ConcurrencyGate::leave() {
    {
        std::lock_guard lock(mutex_);
        ++free_;
    }
    turn_.notify_one();
}

bool isMd5Hex(std::string_view text) {
    return text.size() == 32 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::string randomToken() {
    ensureSodium();
    std::array<unsigned char, 16> bytes{};
    randombytes_buf(bytes.data(), bytes.size());
    return toHex(bytes.data(), bytes.size());
}

bool sameSecret(std::string_view a, std::string_view b) {
    return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

PasswordHasher::PasswordHasher(Strength strength, unsigned concurrency)
    : gate_(concurrency == 0 ? defaultConcurrency() : concurrency) {
    ensureSodium();
    if (strength == Strength::Minimum) {
        opsLimit_ = crypto_pwhash_OPSLIMIT_MIN;
        memLimit_ = crypto_pwhash_MEMLIMIT_MIN;
    } else {
        // Half of libsodium's interactive memory keeps a login well under 50 ms here.
        opsLimit_ = crypto_pwhash_OPSLIMIT_INTERACTIVE;
        memLimit_ = crypto_pwhash_MEMLIMIT_INTERACTIVE / 2;
    }
    decoyHash_ = hash(randomToken());
}

std::string PasswordHasher::hash(std::string_view digest) const {
    GatePass pass(gate_);
    std::array<char, crypto_pwhash_STRBYTES> out{};
    if (crypto_pwhash_str(out.data(), digest.data(), digest.size(), opsLimit_, memLimit_) != 0) {
        throw std::runtime_error("out of memory while hashing a password");
    }
    return std::string(out.data());
}

bool PasswordHasher::verify(const std::string& storedHash, std::string_view digest) const {
    GatePass pass(gate_);
    return crypto_pwhash_str_verify(storedHash.c_str(), digest.data(), digest.size()) == 0;
}

bool PasswordHasher::verifyNothing(std::string_view digest) const {
    verify(decoyHash_, digest);
    return false;
}

}  // namespace pimra::server
