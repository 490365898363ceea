#pragma once

#include <string>
#include <vector>

#include "Store.h"

namespace pimra::server {

// Lines of a table's chat that its game's page shows, the newest ones: a long game with many
// spectators must not make a page without bound.
inline constexpr int kArchivedChatLines = 500;

// The chat of a game's page, escaped as the plain text it is; spectators' lines are marked.
// Nothing for a game without chat.
std::string chatHtml(const std::vector<ChatEntry>& lines);

}  // namespace pimra::server
