#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "net/FormEncoding.h"
#include "net/TableReply.h"

namespace pimra::net {

// The messages on the game socket (`/engine/ws`): JSON text frames in UTF-8.
//
// client -> server  {"id": 5, "action": "gettable", "tableid": "7"}   any action, fields as strings
// server -> client  {"id": 5, "reply": {...}}                          the reply POST would give
// server -> client  {"event": "table", "tableid": "7", "lastrecord": "12", "result": "0",
//                    "activelogin": "ivan"}                            a committed change of a
//                    watched table
// server -> client  {"event": "lobby"}                                 the list of tables changed
//
// "watch" and "unwatch" ("tableid", "0" for the lobby) subscribe and unsubscribe.

// A request as the socket carries it; `fields` holds "action" and the other form fields.
struct SocketRequest {
    std::int64_t id = 0;
    Request fields;

    bool operator==(const SocketRequest&) const = default;
};

std::string EncodeSocketRequest(const SocketRequest& request);
// None unless the text is an object with an integer "id" and string members only otherwise
// (one of them "action"); a field named twice keeps the last value.
std::optional<SocketRequest> DecodeSocketRequest(std::string_view text);

// The answer to request `id`; `replyJson` is the reply's JSON object as POST gives it.
std::string EncodeSocketReply(std::int64_t id, std::string_view replyJson);

// A committed change of a table: what a watcher needs to see whether to fetch more.
struct TableEvent {
    std::string tableId;
    std::optional<int> lastRecord;  // none before the first move
    TableResult result = TableResult::Running;
    std::string activeLogin;  // the player to move; empty while no game runs

    bool operator==(const TableEvent&) const = default;
};

// The members by their names on the wire.
template <class Event, class Field>
requires std::same_as<std::remove_const_t<Event>, TableEvent>
void ForEachField(Event& event, Field&& field) {
    field("tableid", event.tableId);
    field("lastrecord", event.lastRecord);
    field("result", event.result);
    field("activelogin", event.activeLogin);
}

struct LobbyEvent {
    bool operator==(const LobbyEvent&) const = default;
};

struct SocketReply {
    std::int64_t id = 0;
    Reply reply;  // a JSON object

    bool operator==(const SocketReply&) const = default;
};

std::string EncodeTableEvent(const TableEvent& event);
std::string EncodeLobbyEvent();

// What a client reads off the socket; none for anything it does not understand (an unknown
// event included), which it ignores.
using SocketMessage = std::variant<SocketReply, TableEvent, LobbyEvent>;
std::optional<SocketMessage> DecodeSocketMessage(std::string_view text);

// The actions that exist only on the socket.
inline constexpr std::string_view kWatchAction = "watch";
inline constexpr std::string_view kUnwatchAction = "unwatch";
// The table id that stands for the lobby in "watch".
inline constexpr std::string_view kLobbyTableId = "0";

}  // namespace pimra::net
