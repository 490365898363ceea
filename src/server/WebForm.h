#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace pimra::server {

// Decodes a browser's form body (application/x-www-form-urlencoded, UTF-8): "+" is a blank,
// "%XX" a byte. Gives nothing for a broken escape or a repeated name.
std::optional<std::map<std::string, std::string, std::less<>>> decodeWebForm(std::string_view body);

}  // namespace pimra::server
