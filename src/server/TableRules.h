#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Store.h"
#include "core/Position.h"

namespace pimra::server {

std::string formatPosition(const Position& position);
std::optional<Position> parsePosition(const std::string& text);

// How a table's game runs: seats, start, moves and the server's clocks.
class TableRules {
  public:
    // `graceMs`: how long past zero a clock may stand before the player loses, so that a
    // client polling every 2 s still gets its last move in.
    explicit TableRules(std::int64_t graceMs = 2000) : graceMs_(graceMs) {}

    static TableRow newTable(const std::string& creator, int timeLimit, int bonus,
                             std::int64_t nowMs);
    // The seat of a seated login; none for anyone else.
    static std::optional<Side> seatOf(const TableRow& table, const std::string& login);
    static bool isPitOfSeat(int pit, Side seat);

    // Milliseconds left on a seat's clock at `nowMs`; negative once it has run out.
    static std::int64_t remainingMs(const TableRow& table, Side seat, std::int64_t nowMs);
    // Whole seconds left, never below 0, as "gettable" reports them.
    static std::int64_t reportedSeconds(const TableRow& table, Side seat, std::int64_t nowMs);

    // Ends the game when the player to move has run out of time and grace; true if it did.
    // The grace is granted once per game and seat: the move that uses it is the last one
    // played on an empty clock.
    bool settleClock(TableRow& table, std::int64_t nowMs) const;

    // A table whose game has not started and that has not changed for `waitingMs`.
    static bool hasExpired(const TableRow& table, std::int64_t nowMs, std::int64_t waitingMs);
    // Frees a seat of a table whose game has not started; the other seat's readiness stays.
    static void vacateSeat(TableRow& table, Side seat, std::int64_t nowMs);

    // Starts the game once both seats are taken and ready; true if it did.
    static bool startIfReady(TableRow& table, std::int64_t nowMs);

    // Plays `pit` for the seat to move, charging its clock and adding the bonus when the turn
    // passes. The caller has settled the clock and checked seat, turn and pit. Gives the
    // record, or nothing when the core's rules refuse the move.
    static std::optional<Record> playMove(TableRow& table, int pit, std::int64_t nowMs);

    static bool graceUsed(const TableRow& table, Side seat);

    // Ends a running game off the board (a resignation, an agreed draw): the running clock
    // stops where it stands now.
    static void endNow(TableRow& table, int result, std::int64_t nowMs);

  private:
    static void finish(TableRow& table, int result, std::int64_t nowMs);
    std::int64_t graceMs_;
};

}  // namespace pimra::server
