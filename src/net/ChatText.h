#pragma once

#include <string>
#include <string_view>
#include <variant>

namespace pimra::net {

// The most characters a chat line keeps, counted after cleaning.
inline constexpr int kMaxChatCharacters = 200;

// Why a chat line cannot be said.
enum class ChatTextProblem { Empty, TooLong, NotUtf8 };

// The line as it is said: control and invisible formatting characters become blanks (a pasted
// tab or line break must not glue words together, nor hide or reorder what the others see),
// runs of blanks become one, and the ends are trimmed. Both ends apply it: the client to send
// nothing blank, the server to keep only plain one-line text.
std::variant<std::string, ChatTextProblem> CleanChatText(std::string_view utf8);

}  // namespace pimra::net
