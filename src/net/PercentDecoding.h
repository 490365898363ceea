#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pimra::net {

// What "+" stands for: a blank in a form body, itself in a path.
enum class PlusSign { Blank, Plus };

// Undoes "%XX" escapes; the bytes come out as they were sent. Strict on purpose: a broken
// escape gives none, so a garbled request is never taken for other text.
std::optional<std::string> PercentDecode(std::string_view text, PlusSign plus);

// The non-empty "name=value" pieces of a form body, in order, still encoded.
std::vector<std::string_view> FormPieces(std::string_view body);

}  // namespace pimra::net
