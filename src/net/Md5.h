#pragma once

#include <string>
#include <string_view>

namespace pimra::net {

// MD5 of the text's Windows-1251 bytes as 32 lower-case hexadecimal digits: the password
// digest the server checks. The plain password never leaves the client.
std::string MD5Hex(std::string_view utf8);

}  // namespace pimra::net
