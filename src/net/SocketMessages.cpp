#include "net/SocketMessages.h"

#include "net/WireFields.h"

namespace pimra::net {

namespace {

std::optional<nlohmann::json> ParseObject(std::string_view text) {
    auto json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) return std::nullopt;
    return json;
}

std::optional<std::int64_t> IdOf(const nlohmann::json& object) {
    const auto id = object.find("id");
    if (id == object.end() || !id->is_number_integer()) return std::nullopt;
    return id->get<std::int64_t>();
}

}  // namespace

std::string EncodeSocketRequest(const SocketRequest& request) {
    nlohmann::json object = nlohmann::json::object();
    for (const auto& line : request.fields) object[line.name] = line.value;
    object["id"] = request.id;
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<SocketRequest> DecodeSocketRequest(std::string_view text) {
    const auto object = ParseObject(text);
    if (!object) return std::nullopt;
    const auto id = IdOf(*object);
    if (!id) return std::nullopt;
    SocketRequest request{*id, {}};
    bool hasAction = false;
    for (const auto& [name, value] : object->items()) {
        if (name == "id") continue;
        if (!value.is_string()) return std::nullopt;
        hasAction = hasAction || name == "action";
        request.fields.push_back({name, value.get<std::string>()});
    }
    if (!hasAction) return std::nullopt;
    return request;
}

std::string EncodeSocketReply(std::int64_t id, std::string_view replyJson) {
    // The reply is already JSON text: written in as it stands, not parsed again.
    return R"({"id":)" + std::to_string(id) + R"(,"reply":)" + std::string(replyJson) + "}";
}

std::string EncodeTableEvent(const TableEvent& event) {
    auto object = FieldsToObject(event);
    object["event"] = "table";
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string EncodeLobbyEvent() {
    return R"({"event":"lobby"})";
}

std::optional<SocketMessage> DecodeSocketMessage(std::string_view text) {
    const auto object = ParseObject(text);
    if (!object) return std::nullopt;
    if (const auto id = IdOf(*object)) {
        const auto reply = object->find("reply");
        if (reply == object->end() || !reply->is_object()) return std::nullopt;
        return SocketReply{*id, *reply};
    }
    const auto event = object->find("event");
    if (event == object->end() || !event->is_string()) return std::nullopt;
    if (*event == "table") {
        auto table = FieldsFromObject<TableEvent>(*object);
        if (table.tableId.empty()) return std::nullopt;
        return table;
    }
    if (*event == "lobby") return LobbyEvent{};
    return std::nullopt;
}

}  // namespace pimra::net
