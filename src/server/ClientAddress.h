#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pimra::server {

// An IPv4 or IPv6 address in the one form the limits count it under: an IPv4 address mapped
// into IPv6 is written as IPv4, so a client is the same whether the server listens on IPv4 or
// on both. None when the text is not an address.
std::optional<std::string> canonicalAddress(std::string_view text);

}  // namespace pimra::server
