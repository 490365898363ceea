#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pimra::server {

// Conversions between the client's Windows-1251 bytes and the server's UTF-8 text.
// Both give nothing for input that has no counterpart (the byte 0x98, invalid UTF-8, or a
// character outside the code page).
std::optional<std::string> cp1251ToUtf8(std::string_view bytes);
std::optional<std::string> utf8ToCp1251(std::string_view text);

// Number of characters (code points) of valid UTF-8 text.
std::size_t utf8Length(std::string_view text);

}  // namespace pimra::server
