#pragma once

#include <cstdint>

#include "Store.h"

namespace pimra::server {

// Games that end by the players' word rather than on the board or the clock: one player
// resigns, or both offer a draw. An offer stands until the next move at the table.
class GameEndings {
  public:
    // Why a running game's action is refused at this table, if it is.
    enum class Refusal { None, NotStarted, Over };
    static Refusal refusalFor(const TableRow& table);

    // The seat gives the game up: the other seat wins now.
    static void resign(TableRow& table, Side seat, std::int64_t nowMs);
    // Keeps the seat's offer; once both seats have offered, the game is drawn now and this
    // gives true.
    static bool offerDraw(TableRow& table, TableActivity& activity, Side seat, std::int64_t nowMs);
    // A move was played: the offers standing lapse.
    static void moved(TableActivity& activity);
    // An offer shows only while the game it was made in runs.
    static bool offerStands(const TableRow& table, const TableActivity& activity, Side seat);
};

}  // namespace pimra::server
