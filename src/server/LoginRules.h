#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pimra::server {

enum class LoginProblem {
    None,
    Empty,
    TooLong,
    BadCharacter,
    MixedAlphabets,
    BadBlanks,
    NoLetterOrDigit,
};

// What keeps a new login (its Windows-1251 bytes) from being registered: 1 to 20 characters,
// letters of one alphabet (Latin or Cyrillic), digits, blank, "-", "_" and "."; at least one
// letter or digit; no blank at either end and no two blanks in a row. Logins registered
// before these rules keep working.
LoginProblem checkNewLogin(std::string_view cp1251);

// The form two logins share when a reader could take one for the other: letter case folded
// (Cyrillic included), Cyrillic letters that look like Latin ones written as those, and
// digits and letters that look alike (0 and O, 1 and l and I, 3 and З, 6 and б) made one.
// Windows-1251 bytes in, Windows-1251 bytes out.
std::string loginKey(std::string_view cp1251);

// `loginKey` of a login kept in UTF-8, as the store keeps it, in UTF-8.
std::string loginKeyOfUtf8(std::string_view utf8);

// The longest login, in characters, that a new account may have.
constexpr std::size_t kMaxLoginLength = 20;
// True when a login (UTF-8) is longer than any new account's: no use looking it up.
bool isOverlongLogin(std::string_view utf8);

}  // namespace pimra::server
