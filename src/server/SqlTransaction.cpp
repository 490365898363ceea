#include "SqlTransaction.h"

namespace pimra::server {

namespace {

std::int64_t flag(bool value) {
    return value ? 1 : 0;
}

int number(const SqlRow& row, int column) {
    return static_cast<int>(row.integer(column));
}

TableRow readTable(const SqlRow& r) {
    TableRow t;
    t.id = r.integer(0);
    t.gameId = number(r, 1);
    t.login1 = r.text(2);
    t.login2 = r.text(3);
    t.timeLimit = number(r, 4);
    t.bonus = number(r, 5);
    t.ready1 = r.integer(6) != 0;
    t.ready2 = r.integer(7) != 0;
    t.status = static_cast<TableStatus>(r.integer(8));
    t.position = r.text(9);
    t.seatToMove = storedSide(r.integer(10));
    t.time1Ms = r.integer(11);
    t.time2Ms = r.integer(12);
    t.turnStartedMs = r.integer(13);
    t.result = number(r, 14);
    t.finishedMs = r.integer(15);
    t.lastRecord = number(r, 16);
    t.createdMs = r.integer(17);
    t.changedMs = r.integer(18);
    t.graceUsed1 = r.integer(19) != 0;
    t.graceUsed2 = r.integer(20) != 0;
    return t;
}

// The columns after id, as parameters $1 to $20.
SqlParams tableParams(const TableRow& t) {
    return {t.gameId,
            t.login1,
            t.login2,
            t.timeLimit,
            t.bonus,
            flag(t.ready1),
            flag(t.ready2),
            static_cast<std::int64_t>(t.status),
            t.position,
            sideNumber(t.seatToMove),
            t.time1Ms,
            t.time2Ms,
            t.turnStartedMs,
            t.result,
            t.finishedMs,
            t.lastRecord,
            t.createdMs,
            t.changedMs,
            flag(t.graceUsed1),
            flag(t.graceUsed2)};
}

// The outcome columns from `first` on; nothing where a left join found none.
std::optional<GameOutcome> readOutcome(const SqlRow& r, int first) {
    if (r.isNull(first)) return std::nullopt;
    GameOutcome o;
    o.tableId = r.integer(first);
    o.finish = static_cast<GameFinish>(r.integer(first + 1));
    o.rated = r.integer(first + 2) != 0;
    o.rating1Before = r.real(first + 3);
    o.rating1After = r.real(first + 4);
    o.rating2Before = r.real(first + 5);
    o.rating2After = r.real(first + 6);
    return o;
}

Record readRecord(const SqlRow& r) {
    return Record{number(r, 0), storedSide(r.integer(1)), number(r, 2), r.integer(3)};
}

bool hasNul(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

}  // namespace

bool SqlTransaction::unstorable(const std::string& text) const {
    return !dialect_.textTakesNul && hasNul(text);
}

std::string SqlTransaction::stored(std::string text) const {
    if (dialect_.textTakesNul) return text;
    for (std::size_t at = text.find('\0'); at != std::string::npos; at = text.find('\0', at)) {
        text.replace(at, 1, "\xEF\xBF\xBD");
    }
    return text;
}

std::int64_t SqlTransaction::count(Sql statement, const SqlParams& params) {
    std::int64_t value = 0;
    session_.run(statement, params, [&](const SqlRow& row) { value = row.integer(0); });
    return value;
}

void SqlTransaction::addTables(std::vector<TableRow>& tables, Sql statement,
                               const SqlParams& params) {
    session_.run(statement, params, [&](const SqlRow& row) { tables.push_back(readTable(row)); });
}

std::vector<Record> SqlTransaction::records(Sql statement, const SqlParams& params) {
    std::vector<Record> found;
    session_.run(statement, params, [&](const SqlRow& row) { found.push_back(readRecord(row)); });
    return found;
}

std::optional<Account> SqlTransaction::findAccount(const std::string& login) {
    std::optional<Account> account;
    if (unstorable(login)) return account;
    session_.run(Sql::FindAccount, {login}, [&](const SqlRow& row) {
        account = Account{row.text(0), row.text(1), row.text(2)};
    });
    return account;
}

bool SqlTransaction::isLoginKeyTaken(const std::string& loginKey) {
    if (unstorable(loginKey)) return false;
    return count(Sql::LoginKeyTaken, {loginKey}) != 0;
}

bool SqlTransaction::addAccount(const Account& account, std::int64_t nowMs) {
    if (unstorable(account.login) || unstorable(account.loginKey)) return false;
    // Two processes adding look-alike logins at once: the second one waits and sees the first.
    session_.lock("account\n" + account.loginKey);
    if (isLoginKeyTaken(account.loginKey)) return false;
    return session_.run(Sql::AddAccount,
                        {account.login, account.passwordHash, nowMs, account.loginKey}) == 1;
}

void SqlTransaction::addSession(const Session& s) {
    session_.run(Sql::AddSession, {s.sid, s.code, s.login, s.createdMs, s.lastUsedMs});
}

std::optional<Session> SqlTransaction::findSession(const std::string& sid) {
    std::optional<Session> found;
    if (unstorable(sid)) return found;
    session_.run(Sql::FindSession, {sid}, [&](const SqlRow& row) {
        found = Session{row.text(0), row.text(1), row.text(2), row.integer(3), row.integer(4)};
    });
    return found;
}

void SqlTransaction::touchSession(const std::string& sid, std::int64_t nowMs) {
    if (!unstorable(sid)) session_.run(Sql::TouchSession, {sid, nowMs});
}

void SqlTransaction::trimSessions(const std::string& login, int keep, std::int64_t unusedSinceMs) {
    session_.run(Sql::DropUnusedSessions, {login, unusedSinceMs});
    session_.run(Sql::DropOldSessions, {login, keep});
}

std::int64_t SqlTransaction::addTable(const TableRow& table) {
    return count(Sql::AddTable, tableParams(table));
}

std::optional<TableRow> SqlTransaction::findTable(std::int64_t id) {
    std::optional<TableRow> table;
    session_.run(session_.writing() ? Sql::FindTableForUpdate : Sql::FindTable, {id},
                 [&](const SqlRow& row) { table = readTable(row); });
    return table;
}

void SqlTransaction::updateTable(const TableRow& table) {
    SqlParams params = tableParams(table);
    params.emplace_back(table.id);
    if (session_.run(Sql::UpdateTable, params) != 1) throw StoreError("table not updated");
}

void SqlTransaction::removeTable(std::int64_t id) {
    session_.run(Sql::RemoveRecordsOf, {id});
    session_.run(Sql::RemoveTable, {id});
}

int SqlTransaction::removeWaitingTablesChangedBefore(std::int64_t changedBeforeMs) {
    session_.run(Sql::RemoveRecordsOfWaiting, {changedBeforeMs});
    return static_cast<int>(session_.run(Sql::RemoveWaitingTables, {changedBeforeMs}));
}

std::vector<TableRow> SqlTransaction::listTables(int gameId, std::int64_t finishedSinceMs,
                                                 int limit, int waitingPerPlayer) {
    std::vector<TableRow> tables;
    const auto left = [&] {
        return static_cast<std::int64_t>(limit) - static_cast<std::int64_t>(tables.size());
    };
    addTables(tables, Sql::ListWaiting, {gameId, left(), waitingPerPlayer});
    if (left() > 0) addTables(tables, Sql::ListRunning, {gameId, left()});
    if (left() > 0) addTables(tables, Sql::ListFinished, {gameId, finishedSinceMs, left()});
    return tables;
}

int SqlTransaction::countUnfinishedTablesOf(const std::string& login) {
    // A count that decides on a new table holds off other processes' new tables of the login
    // until this transaction ends.
    if (session_.writing()) session_.lock("tables\n" + stored(login));
    return static_cast<int>(count(Sql::CountUnfinished, {login}));
}

std::vector<TableRow> SqlTransaction::runningTablesOf(const std::string& login) {
    std::vector<TableRow> tables;
    addTables(tables, Sql::RunningTablesOf, {login});
    return tables;
}

void SqlTransaction::addRecord(std::int64_t tableId, const Record& record) {
    session_.run(Sql::AddRecord,
                 {tableId, record.ind, sideNumber(record.seat), record.pit, record.playedMs});
}

std::optional<Record> SqlTransaction::recordAfter(std::int64_t tableId, int ind) {
    auto found = records(Sql::RecordAfter, {tableId, ind});
    if (found.empty()) return std::nullopt;
    return found.front();
}

std::vector<Record> SqlTransaction::recordsOf(std::int64_t tableId) {
    return records(Sql::RecordsOf, {tableId});
}

void SqlTransaction::addGameOutcome(const GameOutcome& o) {
    session_.run(Sql::AddGameOutcome,
                 {o.tableId, static_cast<std::int64_t>(o.finish), flag(o.rated), o.rating1Before,
                  o.rating1After, o.rating2Before, o.rating2After});
}

std::optional<GameOutcome> SqlTransaction::findGameOutcome(std::int64_t tableId) {
    std::optional<GameOutcome> outcome;
    session_.run(Sql::FindGameOutcome, {tableId},
                 [&](const SqlRow& row) { outcome = readOutcome(row, 0); });
    return outcome;
}

std::vector<ArchivedGame> SqlTransaction::finishedGamesOf(const std::string& login, int limit) {
    std::vector<ArchivedGame> games;
    if (unstorable(login)) return games;
    session_.run(Sql::FinishedGamesOf, {login, limit}, [&](const SqlRow& row) {
        ArchivedGame game{readTable(row), {}};
        if (auto outcome = readOutcome(row, kTableColumnCount)) game.outcome = *outcome;
        games.push_back(std::move(game));
    });
    return games;
}

std::optional<PlayerRecord> SqlTransaction::findPlayer(const std::string& login) {
    std::optional<PlayerRecord> player;
    if (unstorable(login)) return player;
    session_.run(Sql::FindPlayer, {login}, [&](const SqlRow& r) {
        player = PlayerRecord{r.text(0),    r.real(1),    r.real(2),    r.real(3),
                              number(r, 4), number(r, 5), number(r, 6), number(r, 7)};
    });
    return player;
}

void SqlTransaction::savePlayer(const PlayerRecord& p) {
    session_.run(Sql::SavePlayer,
                 {p.login, p.rating, p.deviation, p.volatility, p.played, p.won, p.lost, p.drawn});
}

TableActivity SqlTransaction::findActivity(std::int64_t tableId) {
    TableActivity activity;
    session_.run(Sql::FindActivity, {tableId}, [&](const SqlRow& r) {
        activity.seen1Ms = r.integer(0);
        activity.seen2Ms = r.integer(1);
        activity.rematch1 = r.integer(2) != 0;
        activity.rematch2 = r.integer(3) != 0;
        activity.nextTableId = r.integer(4);
        activity.drawOffer1 = r.integer(5) != 0;
        activity.drawOffer2 = r.integer(6) != 0;
    });
    return activity;
}

void SqlTransaction::saveActivity(std::int64_t tableId, const TableActivity& a) {
    session_.run(Sql::SaveActivity,
                 {tableId, a.seen1Ms, a.seen2Ms, flag(a.rematch1), flag(a.rematch2), a.nextTableId,
                  flag(a.drawOffer1), flag(a.drawOffer2)});
}

std::int64_t SqlTransaction::addChatLine(std::int64_t tableId, const ChatEntry& line) {
    return count(Sql::AddChatLine,
                 {tableId, stored(line.login), stored(line.text), line.saidMs, flag(line.player)});
}

std::vector<ChatEntry> SqlTransaction::chatOf(std::int64_t tableId, int limit) {
    std::vector<ChatEntry> lines;
    session_.run(Sql::ChatOf, {tableId, limit}, [&](const SqlRow& r) {
        lines.push_back({r.integer(0), r.text(1), r.text(2), r.integer(3), r.integer(4) != 0});
    });
    return lines;
}

int SqlTransaction::countChatLinesOf(const std::string& login, std::int64_t sinceMs) {
    const std::string kept = stored(login);
    // The count decides on a new line: the login's lines through other processes wait.
    if (session_.writing()) session_.lock("chat\n" + kept);
    return static_cast<int>(count(Sql::CountChatLinesOf, {kept, sinceMs}));
}

int SqlTransaction::countEvents(const std::string& key, std::int64_t sinceMs) {
    const std::string kept = stored(key);
    // Inside a change the count decides on adding an event: other processes wait.
    if (session_.writing()) session_.lock("events\n" + kept);
    return static_cast<int>(count(Sql::CountEvents, {kept, sinceMs}));
}

void SqlTransaction::addEvent(const std::string& key, std::int64_t nowMs) {
    session_.run(Sql::AddEvent, {stored(key), nowMs});
}

void SqlTransaction::removeEventsBefore(std::int64_t beforeMs) {
    session_.run(Sql::RemoveEvents, {beforeMs});
}

std::string SqlTransaction::secret(const std::string& name, const std::string& fresh) {
    const std::string key = stored(name);
    session_.run(Sql::AddSecret, {key, stored(fresh)});
    std::optional<std::string> value;
    session_.run(Sql::FindSecret, {key}, [&](const SqlRow& row) { value = row.text(0); });
    if (!value) throw StoreError("secret not kept");
    return *value;
}

}  // namespace pimra::server
