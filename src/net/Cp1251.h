#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pimra::net {

// The program keeps its texts in UTF-8; the server speaks Windows-1251.

// The Windows-1251 bytes of a UTF-8 text, or none when a character has no place there
// (or the input is not valid UTF-8).
std::optional<std::string> Utf8ToCp1251(std::string_view utf8);
// As above, but every character Windows-1251 cannot hold becomes "?".
std::string Utf8ToCp1251Lossy(std::string_view utf8);
// Every Windows-1251 byte has a UTF-8 form except 0x98, which is left unassigned: it becomes "?".
std::string Cp1251ToUtf8(std::string_view cp1251);
// As above, but none when a byte has no character (0x98): for input that must be exact.
std::optional<std::string> Cp1251ToUtf8Strict(std::string_view cp1251);

// True when every character of the UTF-8 text exists in Windows-1251.
bool FitsCp1251(std::string_view utf8);

// The text as the server's character set leaves it: characters it cannot hold become "?".
std::string ThroughCp1251(std::string_view utf8);

}  // namespace pimra::net
