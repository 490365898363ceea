#include "TableRules.h"

#include <algorithm>
#include <charconv>

#include "core/Move.h"

namespace pimra::server {

std::string formatPosition(const Position& position) {
    std::string text;
    for (int i = 1; i <= kPitCount; ++i) {
        if (i > 1) text += '|';
        text += std::to_string(position[i]);
    }
    return text;
}

std::optional<Position> parsePosition(const std::string& text) {
    Position position;
    const char* p = text.data();
    const char* end = p + text.size();
    for (int i = 1; i <= kPitCount; ++i) {
        int value = 0;
        const auto [next, ec] = std::from_chars(p, end, value);
        if (ec != std::errc() || value < 0) return std::nullopt;
        position[i] = value;
        p = next;
        if (i < kPitCount) {
            if (p == end || *p != '|') return std::nullopt;
            ++p;
        }
    }
    if (p != end) return std::nullopt;
    return position;
}

TableRow TableRules::newTable(const std::string& creator, int timeLimit, int bonus,
                              std::int64_t nowMs) {
    TableRow table;
    table.login1 = creator;
    table.timeLimit = timeLimit;
    table.bonus = bonus;
    table.position = formatPosition(Position::start());
    table.time1Ms = table.time2Ms = std::int64_t{timeLimit} * 1000;
    table.turnStartedMs = nowMs;
    table.createdMs = nowMs;
    table.changedMs = nowMs;
    return table;
}

std::optional<Side> TableRules::seatOf(const TableRow& table, const std::string& login) {
    if (login.empty()) return std::nullopt;
    if (table.login1 == login) return Side::Bottom;
    if (table.login2 == login) return Side::Top;
    return std::nullopt;
}

bool TableRules::isPitOfSeat(int pit, Side seat) {
    const int first = Position::firstPitOf(seat);
    return pit >= first && pit < first + 6;
}

std::int64_t TableRules::remainingMs(const TableRow& table, Side seat, std::int64_t nowMs) {
    const std::int64_t stored = seat == Side::Bottom ? table.time1Ms : table.time2Ms;
    if (table.status != TableStatus::Playing || seat != table.seatToMove) return stored;
    return stored - std::max<std::int64_t>(0, nowMs - table.turnStartedMs);
}

std::int64_t TableRules::reportedSeconds(const TableRow& table, Side seat, std::int64_t nowMs) {
    return std::max<std::int64_t>(0, remainingMs(table, seat, nowMs) / 1000);
}

bool TableRules::settleClock(TableRow& table, std::int64_t nowMs) const {
    if (table.status != TableStatus::Playing) return false;
    const Side seat = table.seatToMove;
    // The grace comes once a game: a seat that has had it loses as soon as its clock is out.
    const std::int64_t allowedMs = graceUsed(table, seat) ? 0 : graceMs_;
    if (remainingMs(table, seat, nowMs) >= -allowedMs) return false;
    (seat == Side::Bottom ? table.time1Ms : table.time2Ms) = 0;
    finish(table, sideNumber(other(seat)), nowMs);
    return true;
}

bool TableRules::startIfReady(TableRow& table, std::int64_t nowMs) {
    if (table.status != TableStatus::Waiting || table.login1.empty() || table.login2.empty() ||
        !table.ready1 || !table.ready2) {
        return false;
    }
    table.status = TableStatus::Playing;
    table.seatToMove = Side::Bottom;
    table.time1Ms = table.time2Ms = std::int64_t{table.timeLimit} * 1000;
    table.turnStartedMs = nowMs;
    return true;
}

std::optional<Record> TableRules::playMove(TableRow& table, int pit, std::int64_t nowMs) {
    const auto before = parsePosition(table.position);
    if (!before) return std::nullopt;
    const Side seat = table.seatToMove;
    const MoveResult move = pimra::playMove(*before, seat, pit);
    if (!move.accepted) return std::nullopt;

    // A move inside the grace period is played on a clock of zero, and uses up the grace.
    std::int64_t& clock = seat == Side::Bottom ? table.time1Ms : table.time2Ms;
    const std::int64_t left = remainingMs(table, seat, nowMs);
    if (left < 0) (seat == Side::Bottom ? table.graceUsed1 : table.graceUsed2) = true;
    clock = std::max<std::int64_t>(0, left);
    table.turnStartedMs = nowMs;
    table.position = formatPosition(move.position);
    table.lastRecord += 1;
    const Record record{table.lastRecord, seat, pit, nowMs};

    if (move.gameOver) {
        const int bottom = move.position[kBottomStore];
        const int top = move.position[kTopStore];
        finish(table, bottom > top ? 1 : bottom < top ? 2 : 3, nowMs);
    } else if (move.sideToMove != seat) {
        clock += std::int64_t{table.bonus} * 1000;
        table.seatToMove = move.sideToMove;
    }
    return record;
}

bool TableRules::graceUsed(const TableRow& table, Side seat) {
    return seat == Side::Bottom ? table.graceUsed1 : table.graceUsed2;
}

void TableRules::endNow(TableRow& table, int result, std::int64_t nowMs) {
    std::int64_t& clock = table.seatToMove == Side::Bottom ? table.time1Ms : table.time2Ms;
    clock = std::max<std::int64_t>(0, remainingMs(table, table.seatToMove, nowMs));
    finish(table, result, nowMs);
}

void TableRules::finish(TableRow& table, int result, std::int64_t nowMs) {
    table.status = TableStatus::Finished;
    table.result = result;
    table.finishedMs = nowMs;
}

bool TableRules::hasExpired(const TableRow& table, std::int64_t nowMs, std::int64_t waitingMs) {
    return table.status == TableStatus::Waiting && table.changedMs < nowMs - waitingMs;
}

void TableRules::vacateSeat(TableRow& table, Side seat, std::int64_t nowMs) {
    (seat == Side::Bottom ? table.login1 : table.login2).clear();
    (seat == Side::Bottom ? table.ready1 : table.ready2) = false;
    table.changedMs = nowMs;
}

}  // namespace pimra::server
