#pragma once

#include <concepts>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/Side.h"
#include "net/ChatLine.h"
#include "net/Reply.h"

namespace pimra::net {

// How the table's game stands: "0" running (or not started), "1"/"2" that seat won, "3" a
// draw. A client reads any other text as a draw.
enum class TableResult { Running, Seat1Won, Seat2Won, Draw };

// How a finished game ended: "" not finished (or a server that does not say), "moves",
// "time", "resign", "agreement". A text this client does not know is Unknown, and is written
// as "".
enum class FinishReason { None, Moves, Time, Resign, Agreement, Unknown };

std::string ToWire(TableResult result);
void FromWire(std::string_view text, TableResult& result);
std::string ToWire(FinishReason finish);
void FromWire(std::string_view text, FinishReason& finish);

// One seat of a "gettable" reply.
struct SeatReply {
    std::string login;           // empty: a free seat
    std::optional<int> seconds;  // left on the seat's clock
    bool ready = false;          // the player has pressed "ready"
    std::optional<int> rating;   // none for a free seat
    bool away = false;           // the player's client has not asked for a while
    bool rematch = false;        // the player has asked for a rematch
    bool drawOffer = false;      // the player offers a draw until the next move

    bool operator==(const SeatReply&) const = default;
};

// The "gettable" reply: the table as the server has it now.
struct TableReply {
    std::string position;     // pits 1 to 14 as "6|6|...|0"
    SeatReply seat1;          // bottom row
    SeatReply seat2;          // top row
    std::string activeLogin;  // the player to move; empty while no game runs
    TableResult result = TableResult::Running;
    std::optional<int> lastRecord;  // the number of the last move played
    FinishReason finish = FinishReason::None;
    std::optional<int> nextTable;  // the rematch's table once both players asked
    // The last lines said at the table, oldest first; none from a server without chat.
    std::optional<std::vector<ChatLine>> chat;

    const SeatReply& seat(Side side) const { return side == Side::Bottom ? seat1 : seat2; }
    SeatReply& seat(Side side) { return side == Side::Bottom ? seat1 : seat2; }

    bool operator==(const TableReply&) const = default;
};

// A seat's members, named with the seat's number ("login1", "time2", ...).
template <class Seat, class Field>
requires std::same_as<std::remove_const_t<Seat>, SeatReply>
void ForEachSeatField(Seat& seat, const std::string& number, Field& field) {
    field("login" + number, seat.login);
    field("time" + number, seat.seconds);
    field("isready" + number, seat.ready);
    field("rating" + number, seat.rating);
    field("away" + number, seat.away);
    field("rematch" + number, seat.rematch);
    field("drawoffer" + number, seat.drawOffer);
}

// The members by their names on the wire; a new member is one more line here.
template <class Message, class Field>
requires std::same_as<std::remove_const_t<Message>, TableReply>
void ForEachField(Message& reply, Field&& field) {
    field("position", reply.position);
    field("activelogin", reply.activeLogin);
    field("result", reply.result);
    field("lastrecord", reply.lastRecord);
    field("finish", reply.finish);
    field("nexttable", reply.nextTable);
    ForEachSeatField(reply.seat1, "1", field);
    ForEachSeatField(reply.seat2, "2", field);
}

// The server's successful reply.
nlohmann::json EncodeTableReply(const TableReply& reply);
// The client's reading of a successful reply; members it lacks read as empty, 0 or none.
TableReply DecodeTableReply(const Reply& reply);

}  // namespace pimra::net
