#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Store.h"

namespace pimra::server {

struct SiteReply {
    int status = 200;
    std::string contentType;
    std::string body;
    std::string cacheControl;  // none when empty
};

// True for the paths that `archiveReply` serves: "/u/LOGIN", "/game/ID", "/live" and
// "/static/...".
bool isArchivePath(std::string_view path);

// A player's page "/u/LOGIN" (LOGIN percent-encoded UTF-8), a game's page "/game/ID" with its
// replay or, while it runs, its clocks, the list of running games "/live", and the scripts and
// style sheet they use; a 404 page for what is not there. `nowMs` sets the running clocks.
SiteReply archiveReply(Store& store, std::string_view path, std::int64_t nowMs);

// The path of a player's page.
std::string playerPath(std::string_view login);

}  // namespace pimra::server
