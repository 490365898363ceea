#pragma once

#include <string>
#include <vector>

#include "Store.h"

namespace pimra::server {

// Keeps what a finished game did to its players: their counts of games and, for a rated game,
// their Glicko-2 ratings (one rating period per game).
class GameArchive {
  public:
    // Called inside the write that ended the game; a game already kept is left alone.
    static void recordEnd(StoreTransaction& tx, const TableRow& table, GameFinish finish);
    // The login's record, or a fresh player's for a login without finished games.
    static PlayerRecord playerOf(StoreTransaction& tx, const std::string& login);
    // A game is rated when both seats made at least one move.
    static bool isRated(const std::vector<Record>& records);
};

}  // namespace pimra::server
