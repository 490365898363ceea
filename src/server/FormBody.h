#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace pimra::server {

// The fields of one engine request, names and values in UTF-8.
using FormFields = std::map<std::string, std::string, std::less<>>;

// Decodes the client's form body: "name=value" lines joined by "&" (a trailing "&" is
// usual), values percent-encoded Windows-1251 with "+" for a blank. Gives nothing for a body
// that does not decode cleanly: a broken "%" escape, a line without "=", an empty or
// repeated name, too many fields, or bytes that are not Windows-1251.
std::optional<FormFields> decodeFormBody(std::string_view body);

}  // namespace pimra::server
