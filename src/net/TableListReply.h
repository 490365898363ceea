#pragma once

#include <concepts>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>

#include "net/Reply.h"

namespace pimra::net {

// One table of the "tablelist" reply. A number the server sent empty (or not as a decimal
// number) is none.
struct ListedTable {
    std::optional<int> ind;
    std::string login1;            // seat 1; empty = free
    std::string login2;            // seat 2
    std::optional<int> timeLimit;  // seconds per player
    std::optional<int> bonus;      // seconds added per move
    std::optional<int> rating1;    // none for a free seat
    std::optional<int> rating2;

    bool operator==(const ListedTable&) const = default;
};

template <class Message, class Field>
requires std::same_as<std::remove_const_t<Message>, ListedTable>
void ForEachField(Message& table, Field&& field) {
    field("ind", table.ind);
    field("login1", table.login1);
    field("login2", table.login2);
    field("timelimit", table.timeLimit);
    field("bonus", table.bonus);
    field("rating1", table.rating1);
    field("rating2", table.rating2);
}

// The "tablelist" reply: the tables in the server's order, as its "tables" array.
struct TableListReply {
    std::vector<ListedTable> tables;

    bool operator==(const TableListReply&) const = default;
};

nlohmann::json EncodeTableList(const TableListReply& reply);
// Elements of "tables" that are not objects are no tables and are skipped; a reply without
// the array lists nothing.
TableListReply DecodeTableList(const Reply& reply);

}  // namespace pimra::net
