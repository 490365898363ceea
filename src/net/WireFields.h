#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "net/Reply.h"

namespace pimra::net {

// Every member of a reply travels as a string. Each value type has one written form here, so
// the server's encoder and the client's decoder cannot disagree about it. A message type
// lists its members once, as ForEachField(message, field) calling field(name, member) with
// the name as a std::string; the templates below read and write any such message.

inline std::string ToWire(const std::string& text) {
    return text;
}
// A yes/no member: "1" or "0".
inline std::string ToWire(bool flag) {
    return flag ? "1" : "0";
}
// A number, or "" for none.
std::string ToWire(const std::optional<int>& number);

// The text as the client keeps it (through Windows-1251, see FieldText).
inline void FromWire(std::string_view text, std::string& value) {
    value = std::string(text);
}
// Only "1" is yes.
inline void FromWire(std::string_view text, bool& flag) {
    flag = text == "1";
}
// Anything but a decimal number is none.
void FromWire(std::string_view text, std::optional<int>& number);

// The members of a message as a JSON object of strings.
template <class Message>
nlohmann::json FieldsToObject(const Message& message) {
    nlohmann::json object = nlohmann::json::object();
    ForEachField(message,
                 [&](const std::string& name, const auto& value) { object[name] = ToWire(value); });
    return object;
}

// A message from a JSON object; a member that is missing, or not a string, reads as "".
template <class Message>
Message FieldsFromObject(const Reply& object) {
    Message message;
    ForEachField(message, [&](const std::string& name, auto& value) {
        FromWire(FieldText(object, name), value);
    });
    return message;
}

// A successful reply: "response" is "Success" beside the message's members.
template <class Message>
nlohmann::json SuccessReply(const Message& message) {
    nlohmann::json reply = FieldsToObject(message);
    reply["response"] = "Success";
    return reply;
}

}  // namespace pimra::net
