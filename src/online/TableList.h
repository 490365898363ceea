#pragma once

#include <optional>
#include <string>
#include <vector>

#include "net/Reply.h"

namespace pimra::online {

using net::FieldText;
using net::Reply;

inline constexpr std::size_t kListLoginLength = 20;

// One table of the lobby list. An integer the server sent empty (or not as a decimal number)
// is none and reads as 0.
struct TableRow {
    std::optional<int> ind;
    std::string login1;  // seat 1, cut to 20 characters; empty = free
    std::string login2;  // seat 2
    std::optional<int> bonus;
    std::optional<int> timelimit;

    int Ind() const { return ind.value_or(0); }
    int Bonus() const { return bonus.value_or(0); }
    int TimeLimit() const { return timelimit.value_or(0); }

    bool operator==(const TableRow&) const = default;
};

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;

    bool operator==(const Rgb&) const = default;
};

// The "tables" array of a "tablelist" reply in the server's order. Elements that are not
// objects are no tables and are skipped; a reply without the array lists nothing.
std::vector<TableRow> ParseTableList(const Reply& reply);

// The first `count` characters of a UTF-8 text.
std::string FirstCharacters(const std::string& utf8, std::size_t count);

// Time control as the list shows it: "5 мин. + 3 сек. " (whole minutes, trailing blank).
std::string STime(const TableRow& row);

// A row is green while seat 2 is free, red otherwise; seat 1 plays no part.
Rgb RowColour(const TableRow& row);

}  // namespace pimra::online
