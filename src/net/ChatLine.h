#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace pimra::net {

// One line of a table's chat.
struct ChatLine {
    std::int64_t id = 0;  // grows with every line said at the table
    std::string login;
    std::string text;       // plain text, one line
    std::int64_t time = 0;  // seconds since 1970 UTC
    bool player = false;    // the speaker sat at the table then; else a spectator

    bool operator==(const ChatLine&) const = default;
};

// The "chat" member of "gettable": an array of objects of strings, which clients that read
// only the reply's strings pass over.
nlohmann::json EncodeChatLines(const std::vector<ChatLine>& lines);
// None when the member is missing or not an array (a server without chat); elements that are
// not objects are skipped, and only the newest kMaxReadChatLines are kept.
std::optional<std::vector<ChatLine>> DecodeChatLines(const nlohmann::json& member);

inline constexpr std::size_t kMaxReadChatLines = 100;

}  // namespace pimra::net
