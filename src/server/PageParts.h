#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "Store.h"

namespace pimra::server {

// Pieces of HTML that the game, player and live pages share; user text comes out escaped.

inline constexpr const char* kArchiveStyleLink =
    "<link rel=\"stylesheet\" href=\"/static/archive.css\">\n";

// A rating as the pages show it: whole points.
std::string roundedRating(double rating);
// "2026-12-11 00:28 UTC".
std::string utcTime(std::int64_t ms);
// "5 мин + 5 с за ход".
std::string timeControl(const TableRow& table);
// A link to the login's player page.
std::string playerLink(const std::string& login);
// "m:ss", or "h:mm:ss" from an hour on.
std::string clockText(std::int64_t seconds);
// JSON for the inside of a script element: no "<" may close it early.
std::string scriptJson(const nlohmann::json& data);

}  // namespace pimra::server
