#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ArchivePages.h"
#include "Store.h"

namespace pimra::server {

// What the site shows of games still being played: the list at "/live", the links from a
// player's page, and the clocks and the script that follow a running game on its page.

// The running games, oldest first, with their players, ratings, time control, start and moves.
SiteReply livePage(Store& store);

// Links to the login's running games; "" when there are none.
std::string watchLinksHtml(const std::vector<TableRow>& running, const std::string& login);

// A seat's clock on a running game's page, as it stands at `nowMs`.
std::string seatClockHtml(const TableRow& table, Side seat, std::int64_t nowMs);

// What the page's script says about the socket, and the way to the page as it is now for a
// browser without scripts.
std::string liveStatusHtml(const TableRow& table);
// The data the page's script starts from, and the script.
std::string liveScriptHtml(const TableRow& table, std::int64_t nowMs);

}  // namespace pimra::server
