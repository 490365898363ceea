#include "LoginRules.h"

#include <array>

#include "net/Cp1251.h"

namespace pimra::server {

namespace {

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

constexpr unsigned char kUkrainianCapitalI = 0xB2;
constexpr unsigned char kUkrainianSmallI = 0xB3;

bool isLetterOrDigit(unsigned char c) {
    return isLatin(c) || isCyrillic(c) || (c >= '0' && c <= '9');
}

unsigned char foldCase(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c - 'A' + 'a');
    if (c >= 0xC0 && c <= 0xDF) return static_cast<unsigned char>(c + 0x20);
    if (c == kCyrillicCapitalIo) return kCyrillicSmallIo;
    if (c == kUkrainianCapitalI) return kUkrainianSmallI;
    return c;
}

// Characters (after folding case) drawn like another one, and the one the key writes for
// both: Cyrillic letters like Latin ones, and digits and letters that pass for each other.
unsigned char lookAlike(unsigned char c) {
    static const std::array<std::pair<unsigned char, unsigned char>, 19> table = {{
        {0xE0, 'a'},              // а
        {0xE2, 'b'},              // в (В)
        {0xE5, 'e'},              // е
        {0xB8, 'e'},              // ё
        {0xEA, 'k'},              // к
        {0xEC, 'm'},              // м (М)
        {0xED, 'h'},              // н (Н)
        {0xEE, 'o'},              // о
        {0xF0, 'p'},              // р
        {0xF1, 'c'},              // с
        {0xF2, 't'},              // т (Т)
        {0xF3, 'y'},              // у
        {0xF5, 'x'},              // х
        {'0', 'o'},               // 0, O, О
        {'1', 'l'},               // 1, l
        {'i', 'l'},               // I, which case folding has made "i"
        {kUkrainianSmallI, 'l'},  // і (І)
        {0xE7, '3'},              // з (З)
        {0xE1, '6'},              // б
    }};
    for (const auto& [from, to] : table) {
        if (c == from) return to;
    }
    return c;
}

}  // namespace

LoginProblem checkNewLogin(std::string_view cp1251) {
    if (cp1251.empty()) return LoginProblem::Empty;
    if (cp1251.size() > kMaxLoginLength) return LoginProblem::TooLong;
    bool latin = false;
    bool cyrillic = false;
    bool letterOrDigit = false;
    for (char ch : cp1251) {
        const auto c = static_cast<unsigned char>(ch);
        letterOrDigit = letterOrDigit || isLetterOrDigit(c);
        if (isLatin(c)) {
            latin = true;
        } else if (isCyrillic(c)) {
            cyrillic = true;
        } else if (!isOtherAllowed(c)) {
            return LoginProblem::BadCharacter;
        }
    }
    if (latin && cyrillic) return LoginProblem::MixedAlphabets;
    // "." and ".." would name the site's own folders in a page link.
    if (!letterOrDigit) return LoginProblem::NoLetterOrDigit;
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
        key += static_cast<char>(lookAlike(foldCase(static_cast<unsigned char>(ch))));
    }
    return key;
}

bool isOverlongLogin(std::string_view utf8) {
    std::size_t characters = 0;
    for (char c : utf8) {
        // Each character has one byte that does not continue a sequence.
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
        if (characters > kMaxLoginLength) return true;
    }
    return false;
}

std::string loginKeyOfUtf8(std::string_view utf8) {
    return net::Cp1251ToUtf8(loginKey(net::Utf8ToCp1251Lossy(utf8)));
}

}  // namespace pimra::server
