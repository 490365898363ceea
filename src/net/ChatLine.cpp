#include "net/ChatLine.h"

#include <string_view>

#include "net/Reply.h"
#include "net/WireFields.h"

namespace pimra::net {

namespace {

template <class Line, class Field>
void ForEachChatField(Line& line, Field&& field) {
    field("id", line.id);
    field("login", line.login);
    field("text", line.text);
    field("time", line.time);
    field("player", line.player);
}

std::string WireText(std::int64_t number) {
    return std::to_string(number);
}
template <class Value>
std::string WireText(const Value& value) {
    return ToWire(value);
}

// Digits only, at most 18 of them; anything else reads as 0.
void ReadWire(std::string_view text, std::int64_t& number) {
    number = 0;
    if (text.empty() || text.size() > 18) return;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return;
        value = value * 10 + (c - '0');
    }
    number = value;
}
template <class Value>
void ReadWire(std::string_view text, Value& value) {
    FromWire(text, value);
}

}  // namespace

nlohmann::json EncodeChatLines(const std::vector<ChatLine>& lines) {
    nlohmann::json array = nlohmann::json::array();
    for (const ChatLine& line : lines) {
        nlohmann::json object = nlohmann::json::object();
        ForEachChatField(
            line, [&](const char* name, const auto& value) { object[name] = WireText(value); });
        array.push_back(std::move(object));
    }
    return array;
}

std::optional<std::vector<ChatLine>> DecodeChatLines(const nlohmann::json& member) {
    if (!member.is_array()) return std::nullopt;
    std::vector<ChatLine> lines;
    const std::size_t skipped =
        member.size() > kMaxReadChatLines ? member.size() - kMaxReadChatLines : 0;
    for (std::size_t i = skipped; i < member.size(); ++i) {
        const nlohmann::json& object = member[i];
        if (!object.is_object()) continue;
        ChatLine line;
        ForEachChatField(
            line, [&](const char* name, auto& value) { ReadWire(FieldText(object, name), value); });
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace pimra::net
