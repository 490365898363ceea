#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace pimra::net {

using Reply = nlohmann::json;

// The server's reply body read as a JSON object; a leading UTF-8 byte-order mark is skipped.
// Anything that is not a JSON object (empty, malformed, an array, a bare value) gives none.
std::optional<Reply> ParseReply(std::string_view body);

// A string member's text, passed through Windows-1251 (characters it cannot hold become "?");
// empty for a missing member and for any member that is not a string.
std::string FieldText(const Reply& reply, std::string_view name);

}  // namespace pimra::net
