#pragma once

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
};

// What keeps a new login (its Windows-1251 bytes) from being registered: 1 to 20 characters,
// letters of one alphabet (Latin or Cyrillic), digits, blank, "-", "_" and "."; no blank at
// either end and no two blanks in a row. Logins registered before these rules keep working.
LoginProblem checkNewLogin(std::string_view cp1251);

// The form two logins share when a reader could take one for the other: letter case folded
// (Cyrillic included) and Cyrillic letters that look like Latin ones written as those.
// Windows-1251 bytes in, Windows-1251 bytes out.
std::string loginKey(std::string_view cp1251);

// `loginKey` of a login kept in UTF-8, as the store keeps it, in UTF-8.
std::string loginKeyOfUtf8(std::string_view utf8);

}  // namespace pimra::server
