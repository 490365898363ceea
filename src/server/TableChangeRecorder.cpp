#include "TableChangeRecorder.h"

namespace pimra::server {

namespace {

// What "gettable" shows of a table's activity; the last-seen times change with every request
// of a player and would wake every watcher for nothing.
bool shownAlike(const TableActivity& a, const TableActivity& b) {
    return a.rematch1 == b.rematch1 && a.rematch2 == b.rematch2 && a.nextTableId == b.nextTableId &&
           a.drawOffer1 == b.drawOffer1 && a.drawOffer2 == b.drawOffer2;
}

bool listedAlike(const TableRow& a, const TableRow& b) {
    return a.login1 == b.login1 && a.login2 == b.login2 && a.status == b.status;
}

}  // namespace

std::vector<RecordedChange> TableChangeRecorder::changes() {
    std::vector<RecordedChange> result;
    for (auto& [id, touched] : tables_) {
        if (!touched.changed) continue;
        if (touched.removed) {
            result.push_back({id, std::nullopt, true});
            continue;
        }
        std::optional<TableRow> now = touched.after ? touched.after : touched.before;
        if (!now) now = inner_.findTable(id);
        if (!now) continue;
        const bool listChanged =
            touched.added || !touched.before || !listedAlike(*touched.before, *now);
        result.push_back({id, std::move(now), listChanged});
    }
    return result;
}

std::int64_t TableChangeRecorder::addTable(const TableRow& table) {
    const std::int64_t id = inner_.addTable(table);
    Touched& touched = tables_[id];
    touched.after = table;
    touched.after->id = id;
    touched.added = touched.changed = true;
    return id;
}

std::optional<TableRow> TableChangeRecorder::findTable(std::int64_t id) {
    auto table = inner_.findTable(id);
    if (table) {
        Touched& touched = tables_[id];
        if (!touched.before && !touched.after && !touched.removed) touched.before = table;
    }
    return table;
}

void TableChangeRecorder::updateTable(const TableRow& table) {
    inner_.updateTable(table);
    Touched& touched = tables_[table.id];
    touched.after = table;
    touched.changed = true;
}

void TableChangeRecorder::removeTable(std::int64_t id) {
    inner_.removeTable(id);
    Touched& touched = tables_[id];
    touched.removed = touched.changed = true;
}

int TableChangeRecorder::removeWaitingTablesChangedBefore(std::int64_t changedBeforeMs) {
    const int removed = inner_.removeWaitingTablesChangedBefore(changedBeforeMs);
    expired_ = expired_ || removed > 0;
    return removed;
}

TableActivity TableChangeRecorder::findActivity(std::int64_t tableId) {
    TableActivity activity = inner_.findActivity(tableId);
    Touched& touched = tables_[tableId];
    if (!touched.activityBefore) touched.activityBefore = activity;
    return activity;
}

void TableChangeRecorder::saveActivity(std::int64_t tableId, const TableActivity& activity) {
    inner_.saveActivity(tableId, activity);
    Touched& touched = tables_[tableId];
    if (!touched.activityBefore || !shownAlike(*touched.activityBefore, activity)) {
        touched.changed = true;
    }
}

// A chat line changes what "gettable" shows of the table, not the list.
std::int64_t TableChangeRecorder::addChatLine(std::int64_t tableId, const ChatEntry& line) {
    const std::int64_t id = inner_.addChatLine(tableId, line);
    tables_[tableId].changed = true;
    return id;
}

// The rest passes straight through.

std::vector<ChatEntry> TableChangeRecorder::chatOf(std::int64_t tableId, int limit) {
    return inner_.chatOf(tableId, limit);
}

int TableChangeRecorder::countChatLinesOf(const std::string& login, std::int64_t sinceMs) {
    return inner_.countChatLinesOf(login, sinceMs);
}

std::optional<Account> TableChangeRecorder::findAccount(const std::string& login) {
    return inner_.findAccount(login);
}

bool TableChangeRecorder::addAccount(const Account& account, std::int64_t nowMs) {
    return inner_.addAccount(account, nowMs);
}

bool TableChangeRecorder::isLoginKeyTaken(const std::string& loginKey) {
    return inner_.isLoginKeyTaken(loginKey);
}

void TableChangeRecorder::addSession(const Session& session) {
    inner_.addSession(session);
}

std::optional<Session> TableChangeRecorder::findSession(const std::string& sid) {
    return inner_.findSession(sid);
}

void TableChangeRecorder::touchSession(const std::string& sid, std::int64_t nowMs) {
    inner_.touchSession(sid, nowMs);
}

void TableChangeRecorder::trimSessions(const std::string& login, int keep,
                                       std::int64_t unusedSinceMs) {
    inner_.trimSessions(login, keep, unusedSinceMs);
}

std::vector<TableRow> TableChangeRecorder::listTables(int gameId, std::int64_t finishedSinceMs,
                                                      int limit, int waitingPerPlayer) {
    return inner_.listTables(gameId, finishedSinceMs, limit, waitingPerPlayer);
}

int TableChangeRecorder::countUnfinishedTablesOf(const std::string& login) {
    return inner_.countUnfinishedTablesOf(login);
}

std::vector<TableRow> TableChangeRecorder::runningTablesOf(const std::string& login) {
    return inner_.runningTablesOf(login);
}

void TableChangeRecorder::addRecord(std::int64_t tableId, const Record& record) {
    inner_.addRecord(tableId, record);
}

std::optional<Record> TableChangeRecorder::recordAfter(std::int64_t tableId, int ind) {
    return inner_.recordAfter(tableId, ind);
}

std::vector<Record> TableChangeRecorder::recordsOf(std::int64_t tableId) {
    return inner_.recordsOf(tableId);
}

void TableChangeRecorder::addGameOutcome(const GameOutcome& outcome) {
    inner_.addGameOutcome(outcome);
}

std::optional<GameOutcome> TableChangeRecorder::findGameOutcome(std::int64_t tableId) {
    return inner_.findGameOutcome(tableId);
}

std::vector<ArchivedGame> TableChangeRecorder::finishedGamesOf(const std::string& login,
                                                               int limit) {
    return inner_.finishedGamesOf(login, limit);
}

std::optional<PlayerRecord> TableChangeRecorder::findPlayer(const std::string& login) {
    return inner_.findPlayer(login);
}

void TableChangeRecorder::savePlayer(const PlayerRecord& player) {
    inner_.savePlayer(player);
}

int TableChangeRecorder::countEvents(const std::string& key, std::int64_t sinceMs) {
    return inner_.countEvents(key, sinceMs);
}

void TableChangeRecorder::addEvent(const std::string& key, std::int64_t nowMs) {
    inner_.addEvent(key, nowMs);
}

void TableChangeRecorder::removeEventsBefore(std::int64_t beforeMs) {
    inner_.removeEventsBefore(beforeMs);
}

std::string TableChangeRecorder::secret(const std::string& name, const std::string& fresh) {
    return inner_.secret(name, fresh);
}

}  // namespace pimra::server
