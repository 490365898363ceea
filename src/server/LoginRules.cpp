#include "LoginRules.h"

#include <array>

#include "net/Cp1251.h"

namespace pimra::server {

namespace {

constexpr std::size_t kMaxLoginLength = 20;
constexpr unsigned char kCyrillicCapitalIo = 0xA8;
constexpr unsigned char kCyrillicSmallIo = 0xB8;

bool isLatin(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isCyrillic(unsigned char c) {
    return c >= 0xC0 || c == kCyrillicCapitalIo || c == kCyrillicSmallIo;
}

bool isOtherAllowed(unsigned char c) {
    return (c >= '0' && c <= '9') || c == ' ' || c == '-' || c == '_' || c == '.';
}

unsigned char foldCase(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c - 'A' + 'a');
    if (c >= 0xC0 && c <= 0xDF) return static_cast<unsigned char>(c + 0x20);
    if (c == kCyrillicCapitalIo) return kCyrillicSmallIo;
    return c;
}

// Small Cyrillic letters (after folding) drawn like a Latin letter in either case.
unsigned char latinLookAlike(unsigned char c) {
    static const std::array<std::pair<unsigned char, char>, 13> table = {{
        {0xE0, 'a'},  // а
        {0xE2, 'b'},  // в (В)
        {0xE5, 'e'},  // е
        {0xB8, 'e'},  // ё
        {0xEA, 'k'},  // к
        {0xEC, 'm'},  // м (М)
        {0xED, 'h'},  // н (Н)
        {0xEE, 'o'},  // о
        {0xF0, 'p'},  // р
        {0xF1, 'c'},  // с
        {0xF2, 't'},  // т (Т)
        {0xF3, 'y'},  // у
        {0xF5, 'x'},  // х
    }};
    for (const auto& [cyrillic, latin] : table) {
        if (c == cyrillic) return static_cast<unsigned char>(latin);
    }
    return c;
}

}  // namespace

LoginProblem checkNewLogin(std::string_view cp1251) {
    if (cp1251.empty()) return LoginProblem::Empty;
    if (cp1251.size() > kMaxLoginLength) return LoginProblem::TooLong;
    bool latin = false;
    bool cyrillic = false;
    for (char ch : cp1251) {
        const auto c = static_cast<unsigned char>(ch);
        if (isLatin(c)) {
            latin = true;
        } else if (isCyrillic(c)) {
            cyrillic = true;
        } else if (!isOtherAllowed(c)) {
            return LoginProblem::BadCharacter;
        }
    }
    if (latin && cyrillic) return LoginProblem::MixedAlphabets;
    if (cp1251.front() == ' ' || cp1251.back() == ' ' ||
        cp1251.find("  ") != std::string_view::npos) {
        return LoginProblem::BadBlanks;
    }
    return LoginProblem::None;
}

std::string loginKey(std::string_view cp1251) {
    std::string key;
    key.reserve(cp1251.size());
    for (char ch : cp1251) {
        key += static_cast<char>(latinLookAlike(foldCase(static_cast<unsigned char>(ch))));
    }
    return key;
}

std::string loginKeyOfUtf8(std::string_view utf8) {
    return net::Cp1251ToUtf8(loginKey(net::Utf8ToCp1251Lossy(utf8)));
}

}  // namespace pimra::server
