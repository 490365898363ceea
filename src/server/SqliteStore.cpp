#include "SqliteStore.h"

#include <sqlite3.h>

#include <filesystem>
#include <future>
#include <map>
#include <string_view>
#include <vector>

#include "LoginRules.h"

namespace pimra::server {

namespace {

// Each entry brings the schema from version i to i + 1; never edit one that has shipped.
const std::vector<const char*> kMigrations = {
    R"sql(
    CREATE TABLE accounts(
        login TEXT PRIMARY KEY,
        pass_hash TEXT NOT NULL,
        created_ms INTEGER NOT NULL);
    CREATE TABLE sessions(
        sid TEXT PRIMARY KEY,
        code TEXT NOT NULL,
        login TEXT NOT NULL REFERENCES accounts(login),
        created_ms INTEGER NOT NULL);
    CREATE INDEX sessions_by_login ON sessions(login, created_ms);
    CREATE TABLE game_tables(
        id INTEGER PRIMARY KEY AUTOINCREMENT,
        game_id INTEGER NOT NULL,
        login1 TEXT NOT NULL,
        login2 TEXT NOT NULL,
        time_limit INTEGER NOT NULL,
        bonus INTEGER NOT NULL,
        ready1 INTEGER NOT NULL,
        ready2 INTEGER NOT NULL,
        status INTEGER NOT NULL,
        position TEXT NOT NULL,
        seat_to_move INTEGER NOT NULL,
        time1_ms INTEGER NOT NULL,
        time2_ms INTEGER NOT NULL,
        turn_started_ms INTEGER NOT NULL,
        result INTEGER NOT NULL,
        finished_ms INTEGER NOT NULL,
        last_record INTEGER NOT NULL,
        created_ms INTEGER NOT NULL);
    CREATE INDEX game_tables_by_status ON game_tables(game_id, status, finished_ms);
    CREATE TABLE records(
        table_id INTEGER NOT NULL REFERENCES game_tables(id),
        ind INTEGER NOT NULL,
        seat INTEGER NOT NULL,
        pit INTEGER NOT NULL,
        played_ms INTEGER NOT NULL,
        PRIMARY KEY(table_id, ind)) WITHOUT ROWID;
    )sql",
    // Look-alike logins, sessions that expire, tables that expire or are left, scans that
    // skip finished games, counters for limits, shared secrets.
    R"sql(
    ALTER TABLE accounts ADD COLUMN login_key TEXT NOT NULL DEFAULT '';
    CREATE INDEX accounts_by_key ON accounts(login_key);
    ALTER TABLE sessions ADD COLUMN last_used_ms INTEGER NOT NULL DEFAULT 0;
    UPDATE sessions SET last_used_ms = created_ms;
    ALTER TABLE game_tables ADD COLUMN changed_ms INTEGER NOT NULL DEFAULT 0;
    UPDATE game_tables SET changed_ms = created_ms WHERE status <> 2;
    CREATE INDEX game_tables_open_by_login1 ON game_tables(login1) WHERE status <> 2;
    CREATE INDEX game_tables_open_by_login2 ON game_tables(login2) WHERE status <> 2;
    CREATE INDEX game_tables_waiting_by_change ON game_tables(changed_ms) WHERE status = 0;
    CREATE TABLE events(
        key TEXT NOT NULL,
        at_ms INTEGER NOT NULL);
    CREATE INDEX events_by_key ON events(key, at_ms);
    CREATE INDEX events_by_time ON events(at_ms);
    CREATE TABLE secrets(
        name TEXT PRIMARY KEY,
        value TEXT NOT NULL);
    )sql",
    // The archive of finished games, the players' ratings and counts (counted afresh from
    // the games finished so far), what the players of a table told the server lately.
    R"sql(
    CREATE TABLE game_outcomes(
        table_id INTEGER PRIMARY KEY REFERENCES game_tables(id) ON DELETE CASCADE,
        finish INTEGER NOT NULL,
        rated INTEGER NOT NULL,
        rating1_before REAL NOT NULL,
        rating1_after REAL NOT NULL,
        rating2_before REAL NOT NULL,
        rating2_after REAL NOT NULL);
    CREATE TABLE players(
        login TEXT PRIMARY KEY,
        rating REAL NOT NULL,
        deviation REAL NOT NULL,
        volatility REAL NOT NULL,
        played INTEGER NOT NULL,
        won INTEGER NOT NULL,
        lost INTEGER NOT NULL,
        drawn INTEGER NOT NULL);
    INSERT INTO players
        SELECT login, 1500, 350, 0.06, count(*), sum(won), sum(lost), sum(drawn) FROM (
            SELECT login1 AS login, result = 1 AS won, result = 2 AS lost, result = 3 AS drawn
                FROM game_tables WHERE status = 2 AND login1 <> '' AND login2 <> ''
            UNION ALL
            SELECT login2, result = 2, result = 1, result = 3
                FROM game_tables WHERE status = 2 AND login1 <> '' AND login2 <> '')
        GROUP BY login;
    CREATE TABLE table_activity(
        table_id INTEGER PRIMARY KEY REFERENCES game_tables(id) ON DELETE CASCADE,
        seen1_ms INTEGER NOT NULL,
        seen2_ms INTEGER NOT NULL,
        rematch1 INTEGER NOT NULL,
        rematch2 INTEGER NOT NULL,
        next_table_id INTEGER NOT NULL);
    CREATE INDEX game_tables_finished_by_login1 ON game_tables(login1, finished_ms)
        WHERE status = 2;
    CREATE INDEX game_tables_finished_by_login2 ON game_tables(login2, finished_ms)
        WHERE status = 2;
    )sql",
    // The one grace past a clock of zero that each seat has in a game; login keys that also
    // fold look-alike digits (filled afresh after the SQL).
    R"sql(
    ALTER TABLE game_tables ADD COLUMN grace1_used INTEGER NOT NULL DEFAULT 0;
    ALTER TABLE game_tables ADD COLUMN grace2_used INTEGER NOT NULL DEFAULT 0;
    )sql",
    // Draws offered and not yet answered by a move.
    R"sql(
    ALTER TABLE table_activity ADD COLUMN draw_offer1 INTEGER NOT NULL DEFAULT 0;
    ALTER TABLE table_activity ADD COLUMN draw_offer2 INTEGER NOT NULL DEFAULT 0;
    )sql",
};

const char* const kTableColumns =
    "id, game_id, login1, login2, time_limit, bonus, ready1, ready2, status, position, "
    "seat_to_move, time1_ms, time2_ms, turn_started_ms, result, finished_ms, last_record, "
    "created_ms, changed_ms, grace1_used, grace2_used";

constexpr int kTableColumnCount = 21;

const char* const kOutcomeColumns =
    "table_id, finish, rated, rating1_before, rating1_after, rating2_before, rating2_after";

[[noreturn]] void fail(sqlite3* db, const std::string& what) {
    throw StoreError(what + ": " + sqlite3_errmsg(db));
}

void exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw StoreError(std::string("SQL failed: ") + text);
    }
}

// A prepared statement in use: bound on creation, reset when done.
class Query {
  public:
    Query(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
    ~Query() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& bind(int index, std::int64_t value) {
        check(sqlite3_bind_int64(stmt_, index, value));
        return *this;
    }
    Query& bind(int index, const std::string& value) {
        check(sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    // True while a row is there.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        fail(db_, "SQL step failed");
    }
    // Runs a statement that changes data; false on a constraint violation.
    bool change() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_DONE) return true;
        if ((rc & 0xFF) == SQLITE_CONSTRAINT) return false;
        fail(db_, "SQL change failed");
    }
    Query& bindReal(int index, double value) {
        check(sqlite3_bind_double(stmt_, index, value));
        return *this;
    }
    std::int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    double real(int column) const { return sqlite3_column_double(stmt_, column); }
    bool isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    std::string text(int column) const {
        const auto* data = sqlite3_column_text(stmt_, column);
        return data ? std::string(reinterpret_cast<const char*>(data),
                                  static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                    : std::string();
    }

  private:
    void check(int rc) {
        if (rc != SQLITE_OK) fail(db_, "SQL bind failed");
    }
    sqlite3* db_;
    sqlite3_stmt* stmt_;
};

TableRow readTable(const Query& q) {
    TableRow t;
    t.id = q.integer(0);
    t.gameId = static_cast<int>(q.integer(1));
    t.login1 = q.text(2);
    t.login2 = q.text(3);
    t.timeLimit = static_cast<int>(q.integer(4));
    t.bonus = static_cast<int>(q.integer(5));
    t.ready1 = q.integer(6) != 0;
    t.ready2 = q.integer(7) != 0;
    t.status = static_cast<TableStatus>(q.integer(8));
    t.position = q.text(9);
    t.seatToMove = storedSide(q.integer(10));
    t.time1Ms = q.integer(11);
    t.time2Ms = q.integer(12);
    t.turnStartedMs = q.integer(13);
    t.result = static_cast<int>(q.integer(14));
    t.finishedMs = q.integer(15);
    t.lastRecord = static_cast<int>(q.integer(16));
    t.createdMs = q.integer(17);
    t.changedMs = q.integer(18);
    t.graceUsed1 = q.integer(19) != 0;
    t.graceUsed2 = q.integer(20) != 0;
    return t;
}

// The outcome columns from `first` on; nothing where a left join found none.
std::optional<GameOutcome> readOutcome(const Query& q, int first) {
    if (q.isNull(first)) return std::nullopt;
    GameOutcome o;
    o.tableId = q.integer(first);
    o.finish = static_cast<GameFinish>(q.integer(first + 1));
    o.rated = q.integer(first + 2) != 0;
    o.rating1Before = q.real(first + 3);
    o.rating1After = q.real(first + 4);
    o.rating2Before = q.real(first + 5);
    o.rating2After = q.real(first + 6);
    return o;
}

// Binds the columns after id as parameters 1..20.
void bindTable(Query& q, const TableRow& t) {
    q.bind(1, t.gameId)
        .bind(2, t.login1)
        .bind(3, t.login2)
        .bind(4, t.timeLimit)
        .bind(5, t.bonus)
        .bind(6, t.ready1 ? 1 : 0)
        .bind(7, t.ready2 ? 1 : 0)
        .bind(8, static_cast<std::int64_t>(t.status))
        .bind(9, t.position)
        .bind(10, sideNumber(t.seatToMove))
        .bind(11, t.time1Ms)
        .bind(12, t.time2Ms)
        .bind(13, t.turnStartedMs)
        .bind(14, t.result)
        .bind(15, t.finishedMs)
        .bind(16, t.lastRecord)
        .bind(17, t.createdMs)
        .bind(18, t.changedMs)
        .bind(19, t.graceUsed1 ? 1 : 0)
        .bind(20, t.graceUsed2 ? 1 : 0);
}

// Fills the look-alike key of accounts made before it existed.
void fillLoginKeys(sqlite3* db) {
    std::vector<std::string> logins;
    {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT login FROM accounts", -1, &stmt, nullptr) != SQLITE_OK) {
            fail(db, "cannot read accounts");
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(stmt, 0);
            logins.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_stmt* update = nullptr;
    if (sqlite3_prepare_v2(db, "UPDATE accounts SET login_key = ?1 WHERE login = ?2", -1, &update,
                           nullptr) != SQLITE_OK) {
        fail(db, "cannot update accounts");
    }
    for (const std::string& login : logins) {
        const std::string key = loginKeyOfUtf8(login);
        sqlite3_bind_text(update, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(update, 2, login.data(), static_cast<int>(login.size()),
                          SQLITE_TRANSIENT);
        const int rc = sqlite3_step(update);
        sqlite3_reset(update);
        if (rc != SQLITE_DONE) {
            sqlite3_finalize(update);
            fail(db, "cannot update accounts");
        }
    }
    sqlite3_finalize(update);
}

// Work of a migration that SQL alone cannot do, after the migration's SQL.
void afterMigration(sqlite3* db, std::size_t toVersion) {
    if (toVersion == 2 || toVersion == 4) fillLoginKeys(db);
}

bool isMemory(const std::string& path) {
    return path.empty() || path == ":memory:";
}

sqlite3* openConnection(const std::string& path, int flags) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        throw StoreError("cannot open " + path + ": " + message);
    }
    sqlite3_busy_timeout(db, 5000);
    return db;
}

int schemaVersionOf(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &stmt, nullptr) != SQLITE_OK) {
        fail(db, "cannot read the schema version");
    }
    int version = 0;
    if (sqlite3_step(stmt) == SQLITE_ROW) version = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    return version;
}

bool withoutWritePermission(const std::string& path) {
    if (isMemory(path)) return false;
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) return false;
    using std::filesystem::perms;
    return (status.permissions() &
            (perms::owner_write | perms::group_write | perms::others_write)) == perms::none;
}

}  // namespace

// Prepared statements, kept for the life of the connection.
class SqliteStore::Statements {
  public:
    explicit Statements(sqlite3* db) : db_(db) {}
    ~Statements() {
        for (auto& [sql, stmt] : cache_) sqlite3_finalize(stmt);
    }
    // Looked up without a copy of the text: the hot statements are literals.
    Query query(std::string_view sql) {
        auto it = cache_.find(sql);
        if (it == cache_.end()) {
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()),
                                   SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
                fail(db_, "SQL prepare failed");
            }
            it = cache_.emplace(sql, stmt).first;
        }
        return Query(db_, it->second);
    }
    sqlite3* db() const { return db_; }

  private:
    sqlite3* db_;
    std::map<std::string, sqlite3_stmt*, std::less<>> cache_;
};

class SqliteStore::Transaction final : public StoreTransaction {
  public:
    explicit Transaction(Statements& s) : s_(s) {}

    std::optional<Account> findAccount(const std::string& login) override {
        auto q = s_.query("SELECT login, pass_hash, login_key FROM accounts WHERE login = ?1");
        q.bind(1, login);
        if (!q.step()) return std::nullopt;
        return Account{q.text(0), q.text(1), q.text(2)};
    }

    bool isLoginKeyTaken(const std::string& loginKey) override {
        auto taken = s_.query("SELECT 1 FROM accounts WHERE login_key = ?1 LIMIT 1");
        taken.bind(1, loginKey);
        return taken.step();
    }

    bool addAccount(const Account& account, std::int64_t nowMs) override {
        if (isLoginKeyTaken(account.loginKey)) return false;
        auto q = s_.query(
            "INSERT INTO accounts(login, pass_hash, created_ms, login_key) VALUES(?1, ?2, ?3, ?4)");
        q.bind(1, account.login)
            .bind(2, account.passwordHash)
            .bind(3, nowMs)
            .bind(4, account.loginKey);
        return q.change();
    }

    void addSession(const Session& session) override {
        auto q = s_.query(
            "INSERT INTO sessions(sid, code, login, created_ms, last_used_ms) "
            "VALUES(?1, ?2, ?3, ?4, ?5)");
        q.bind(1, session.sid)
            .bind(2, session.code)
            .bind(3, session.login)
            .bind(4, session.createdMs)
            .bind(5, session.lastUsedMs);
        if (!q.change()) fail(s_.db(), "session not added");
    }

    std::optional<Session> findSession(const std::string& sid) override {
        auto q = s_.query(
            "SELECT sid, code, login, created_ms, last_used_ms FROM sessions WHERE sid = ?1");
        q.bind(1, sid);
        if (!q.step()) return std::nullopt;
        return Session{q.text(0), q.text(1), q.text(2), q.integer(3), q.integer(4)};
    }

    void touchSession(const std::string& sid, std::int64_t nowMs) override {
        auto q = s_.query("UPDATE sessions SET last_used_ms = ?2 WHERE sid = ?1");
        q.bind(1, sid).bind(2, nowMs);
        q.change();
    }

    void trimSessions(const std::string& login, int keep, std::int64_t unusedSinceMs) override {
        {
            auto q = s_.query("DELETE FROM sessions WHERE login = ?1 AND last_used_ms < ?2");
            q.bind(1, login).bind(2, unusedSinceMs);
            q.change();
        }
        auto q = s_.query(
            "DELETE FROM sessions WHERE login = ?1 AND sid NOT IN (SELECT sid FROM sessions "
            "WHERE login = ?1 ORDER BY created_ms DESC, rowid DESC LIMIT ?2)");
        q.bind(1, login).bind(2, keep);
        q.change();
    }

    std::int64_t addTable(const TableRow& table) override {
        auto q = s_.query(
            std::string("INSERT INTO game_tables(") + (kTableColumns + 4) +
            ") VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, "
            "?17, ?18, ?19, ?20)");
        bindTable(q, table);
        if (!q.change()) fail(s_.db(), "table not added");
        return sqlite3_last_insert_rowid(s_.db());
    }

    std::optional<TableRow> findTable(std::int64_t id) override {
        auto q =
            s_.query(std::string("SELECT ") + kTableColumns + " FROM game_tables WHERE id = ?1");
        q.bind(1, id);
        if (!q.step()) return std::nullopt;
        return readTable(q);
    }

    void updateTable(const TableRow& table) override {
        auto q = s_.query(
            "UPDATE game_tables SET game_id = ?1, login1 = ?2, login2 = ?3, time_limit = ?4, "
            "bonus = ?5, ready1 = ?6, ready2 = ?7, status = ?8, position = ?9, "
            "seat_to_move = ?10, time1_ms = ?11, time2_ms = ?12, turn_started_ms = ?13, "
            "result = ?14, finished_ms = ?15, last_record = ?16, created_ms = ?17, "
            "changed_ms = ?18, grace1_used = ?19, grace2_used = ?20 WHERE id = ?21");
        bindTable(q, table);
        q.bind(21, table.id);
        if (!q.change()) fail(s_.db(), "table not updated");
    }

    void removeTable(std::int64_t id) override {
        {
            auto q = s_.query("DELETE FROM records WHERE table_id = ?1");
            q.bind(1, id);
            q.change();
        }
        auto q = s_.query("DELETE FROM game_tables WHERE id = ?1");
        q.bind(1, id);
        q.change();
    }

    int removeWaitingTablesChangedBefore(std::int64_t changedBeforeMs) override {
        std::vector<std::int64_t> ids;
        {
            auto q = s_.query("SELECT id FROM game_tables WHERE status = 0 AND changed_ms < ?1");
            q.bind(1, changedBeforeMs);
            while (q.step()) ids.push_back(q.integer(0));
        }
        for (const std::int64_t id : ids) removeTable(id);
        return static_cast<int>(ids.size());
    }

    std::vector<TableRow> listTables(int gameId, std::int64_t finishedSinceMs, int limit,
                                     int waitingPerPlayer) override {
        std::vector<TableRow> tables;
        const auto add = [&](Query& q) {
            while (q.step()) tables.push_back(readTable(q));
        };
        const auto left = [&] {
            return static_cast<std::int64_t>(limit) - static_cast<std::int64_t>(tables.size());
        };
        const std::string select = std::string("SELECT ") + kTableColumns + " FROM game_tables ";
        {
            auto q = s_.query(std::string("SELECT ") + kTableColumns +
                              " FROM (SELECT *, row_number() OVER (PARTITION BY CASE WHEN "
                              "login1 <> '' THEN login1 ELSE login2 END ORDER BY id DESC) AS nth "
                              "FROM game_tables WHERE game_id = ?1 AND status = 0) "
                              "WHERE nth <= ?3 ORDER BY id DESC LIMIT ?2");
            q.bind(1, gameId).bind(2, left()).bind(3, waitingPerPlayer);
            add(q);
        }
        if (left() > 0) {
            auto q = s_.query(select + "WHERE game_id = ?1 AND status = 1 ORDER BY id LIMIT ?2");
            q.bind(1, gameId).bind(2, left());
            add(q);
        }
        if (left() > 0) {
            auto q = s_.query(select +
                              "WHERE game_id = ?1 AND status = 2 AND finished_ms >= ?2 "
                              "ORDER BY finished_ms DESC, id DESC LIMIT ?3");
            q.bind(1, gameId).bind(2, finishedSinceMs).bind(3, left());
            add(q);
        }
        return tables;
    }

    int countUnfinishedTablesOf(const std::string& login) override {
        // Written to match the partial indexes, which leave finished games out.
        auto q = s_.query(
            "SELECT (SELECT count(*) FROM game_tables WHERE login1 = ?1 AND status <> 2) + "
            "(SELECT count(*) FROM game_tables WHERE login2 = ?1 AND status <> 2 AND "
            "login1 <> ?1)");
        q.bind(1, login);
        q.step();
        return static_cast<int>(q.integer(0));
    }

    void addRecord(std::int64_t tableId, const Record& record) override {
        auto q = s_.query(
            "INSERT INTO records(table_id, ind, seat, pit, played_ms) "
            "VALUES(?1, ?2, ?3, ?4, ?5)");
        q.bind(1, tableId)
            .bind(2, record.ind)
            .bind(3, sideNumber(record.seat))
            .bind(4, record.pit)
            .bind(5, record.playedMs);
        if (!q.change()) fail(s_.db(), "record not added");
    }

    std::optional<Record> recordAfter(std::int64_t tableId, int ind) override {
        auto q = s_.query(
            "SELECT ind, seat, pit, played_ms FROM records WHERE table_id = ?1 AND ind > ?2 "
            "ORDER BY ind LIMIT 1");
        q.bind(1, tableId).bind(2, ind);
        if (!q.step()) return std::nullopt;
        return Record{static_cast<int>(q.integer(0)), storedSide(q.integer(1)),
                      static_cast<int>(q.integer(2)), q.integer(3)};
    }

    // The game archive, the ratings and the activity at tables.

    std::vector<Record> recordsOf(std::int64_t tableId) override {
        auto q = s_.query(
            "SELECT ind, seat, pit, played_ms FROM records WHERE table_id = ?1 ORDER BY ind");
        q.bind(1, tableId);
        std::vector<Record> records;
        while (q.step()) {
            records.push_back(Record{static_cast<int>(q.integer(0)), storedSide(q.integer(1)),
                                     static_cast<int>(q.integer(2)), q.integer(3)});
        }
        return records;
    }

    void addGameOutcome(const GameOutcome& o) override {
        auto q = s_.query(
            "INSERT INTO game_outcomes(table_id, finish, rated, rating1_before, rating1_after, "
            "rating2_before, rating2_after) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
        q.bind(1, o.tableId)
            .bind(2, static_cast<std::int64_t>(o.finish))
            .bind(3, o.rated ? 1 : 0)
            .bindReal(4, o.rating1Before)
            .bindReal(5, o.rating1After)
            .bindReal(6, o.rating2Before)
            .bindReal(7, o.rating2After);
        if (!q.change()) fail(s_.db(), "game outcome not added");
    }

    std::optional<GameOutcome> findGameOutcome(std::int64_t tableId) override {
        auto q = s_.query(std::string("SELECT ") + kOutcomeColumns +
                          " FROM game_outcomes WHERE table_id = ?1");
        q.bind(1, tableId);
        if (!q.step()) return std::nullopt;
        return readOutcome(q, 0);
    }

    std::vector<ArchivedGame> finishedGamesOf(const std::string& login, int limit) override {
        // Each half walks one of the partial indexes of finished games, newest first.
        auto q =
            s_.query(std::string("SELECT ") + kTableColumns + ", " + kOutcomeColumns +
                     " FROM game_tables LEFT JOIN game_outcomes ON table_id = id WHERE id IN ("
                     "SELECT id FROM (SELECT id FROM game_tables WHERE login1 = ?1 AND status = 2 "
                     "ORDER BY finished_ms DESC LIMIT ?2) UNION ALL "
                     "SELECT id FROM (SELECT id FROM game_tables WHERE login2 = ?1 AND status = 2 "
                     "AND login1 <> ?1 ORDER BY finished_ms DESC LIMIT ?2)) "
                     "ORDER BY finished_ms DESC, id DESC LIMIT ?2");
        q.bind(1, login).bind(2, limit);
        std::vector<ArchivedGame> games;
        while (q.step()) {
            ArchivedGame game{readTable(q), {}};
            if (auto outcome = readOutcome(q, kTableColumnCount)) game.outcome = *outcome;
            games.push_back(std::move(game));
        }
        return games;
    }

    std::optional<PlayerRecord> findPlayer(const std::string& login) override {
        auto q = s_.query(
            "SELECT login, rating, deviation, volatility, played, won, lost, drawn FROM players "
            "WHERE login = ?1");
        q.bind(1, login);
        if (!q.step()) return std::nullopt;
        return PlayerRecord{q.text(0),
                            q.real(1),
                            q.real(2),
                            q.real(3),
                            static_cast<int>(q.integer(4)),
                            static_cast<int>(q.integer(5)),
                            static_cast<int>(q.integer(6)),
                            static_cast<int>(q.integer(7))};
    }

    void savePlayer(const PlayerRecord& p) override {
        auto q = s_.query(
            "INSERT OR REPLACE INTO players(login, rating, deviation, volatility, played, won, "
            "lost, drawn) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
        q.bind(1, p.login)
            .bindReal(2, p.rating)
            .bindReal(3, p.deviation)
            .bindReal(4, p.volatility)
            .bind(5, p.played)
            .bind(6, p.won)
            .bind(7, p.lost)
            .bind(8, p.drawn);
        if (!q.change()) fail(s_.db(), "player not saved");
    }

    TableActivity findActivity(std::int64_t tableId) override {
        auto q = s_.query(
            "SELECT seen1_ms, seen2_ms, rematch1, rematch2, next_table_id, draw_offer1, "
            "draw_offer2 FROM table_activity WHERE table_id = ?1");
        q.bind(1, tableId);
        if (!q.step()) return TableActivity{};
        return TableActivity{q.integer(0), q.integer(1),      q.integer(2) != 0, q.integer(3) != 0,
                             q.integer(4), q.integer(5) != 0, q.integer(6) != 0};
    }

    void saveActivity(std::int64_t tableId, const TableActivity& a) override {
        auto q = s_.query(
            "INSERT OR REPLACE INTO table_activity(table_id, seen1_ms, seen2_ms, rematch1, "
            "rematch2, next_table_id, draw_offer1, draw_offer2) "
            "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
        q.bind(1, tableId)
            .bind(2, a.seen1Ms)
            .bind(3, a.seen2Ms)
            .bind(4, a.rematch1 ? 1 : 0)
            .bind(5, a.rematch2 ? 1 : 0)
            .bind(6, a.nextTableId)
            .bind(7, a.drawOffer1 ? 1 : 0)
            .bind(8, a.drawOffer2 ? 1 : 0);
        if (!q.change()) fail(s_.db(), "table activity not saved");
    }

    int countEvents(const std::string& key, std::int64_t sinceMs) override {
        auto q = s_.query("SELECT count(*) FROM events WHERE key = ?1 AND at_ms >= ?2");
        q.bind(1, key).bind(2, sinceMs);
        q.step();
        return static_cast<int>(q.integer(0));
    }

    void addEvent(const std::string& key, std::int64_t nowMs) override {
        auto q = s_.query("INSERT INTO events(key, at_ms) VALUES(?1, ?2)");
        q.bind(1, key).bind(2, nowMs);
        if (!q.change()) fail(s_.db(), "event not added");
    }

    void removeEventsBefore(std::int64_t beforeMs) override {
        auto q = s_.query("DELETE FROM events WHERE at_ms < ?1");
        q.bind(1, beforeMs);
        q.change();
    }

    std::string secret(const std::string& name, const std::string& fresh) override {
        {
            auto q = s_.query("INSERT OR IGNORE INTO secrets(name, value) VALUES(?1, ?2)");
            q.bind(1, name).bind(2, fresh);
            q.change();
        }
        auto q = s_.query("SELECT value FROM secrets WHERE name = ?1");
        q.bind(1, name);
        if (!q.step()) fail(s_.db(), "secret not kept");
        return q.text(0);
    }

  private:
    Statements& s_;
};

// A read connection with its own prepared statements.
struct SqliteStore::Reader {
    explicit Reader(sqlite3* connection)
        : db(connection), statements(std::make_unique<Statements>(connection)) {}
    ~Reader() {
        statements.reset();
        sqlite3_close(db);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    sqlite3* db;
    std::unique_ptr<Statements> statements;
};

// A read connection taken from the pool for one read, waiting for one to be free.
class SqliteStore::ReaderLease {
  public:
    explicit ReaderLease(SqliteStore& store) : store_(store) {
        std::unique_lock lock(store_.readersMutex_);
        if (store_.freeReaders_.empty()) ++store_.readWaits_;
        store_.readerFree_.wait(lock, [&] { return !store_.freeReaders_.empty(); });
        reader_ = store_.freeReaders_.back();
        store_.freeReaders_.pop_back();
    }
    ~ReaderLease() {
        {
            std::lock_guard lock(store_.readersMutex_);
            store_.freeReaders_.push_back(reader_);
        }
        store_.readerFree_.notify_one();
    }
    ReaderLease(const ReaderLease&) = delete;
    ReaderLease& operator=(const ReaderLease&) = delete;
    Reader& operator*() const { return *reader_; }
    Reader* operator->() const { return reader_; }

  private:
    SqliteStore& store_;
    Reader* reader_ = nullptr;
};

SqliteStore::SqliteStore(const std::string& path, int readers) {
    db_ = openConnection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    try {
        checkWritable(path);
        exec(db_, "PRAGMA journal_mode = WAL");
        // A committed move must survive a power cut, not only a crash of the process.
        exec(db_, "PRAGMA synchronous = FULL");
        exec(db_, "PRAGMA foreign_keys = ON");
        statements_ = std::make_unique<Statements>(db_);
        migrate(path);
        // Each connection to ":memory:" would be a database of its own.
        if (!isMemory(path)) openReaders(path, std::max(1, readers));
        writer_ = std::thread([this] { writeLoop(); });
    } catch (...) {
        closeAll();
        throw;
    }
}

SqliteStore::~SqliteStore() {
    queue_.close();
    writer_.join();
    closeAll();
}

void SqliteStore::closeAll() {
    freeReaders_.clear();
    readers_.clear();
    statements_.reset();
    sqlite3_close(db_);
    db_ = nullptr;
}

void SqliteStore::migrate(const std::string& path) {
    const int version = schemaVersionOf(db_);
    if (version < 0) {
        throw StoreError("the database " + path + " has a broken schema version " +
                         std::to_string(version));
    }
    if (version > static_cast<int>(kMigrations.size())) {
        throw StoreError("the database " + path + " was written by a newer server (schema " +
                         std::to_string(version) + ")");
    }
    checkIntegrity(path);
    for (std::size_t i = static_cast<std::size_t>(version); i < kMigrations.size(); ++i) {
        exec(db_, "BEGIN IMMEDIATE");
        try {
            exec(db_, kMigrations[i]);
            afterMigration(db_, i + 1);
            exec(db_, ("PRAGMA user_version = " + std::to_string(i + 1)).c_str());
            exec(db_, "COMMIT");
        } catch (...) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
}

void SqliteStore::openReaders(const std::string& path, int count) {
    for (int i = 0; i < count; ++i) {
        auto reader = std::make_unique<Reader>(openConnection(path, SQLITE_OPEN_READWRITE));
        exec(reader->db, "PRAGMA query_only = 1");
        freeReaders_.push_back(reader.get());
        readers_.push_back(std::move(reader));
    }
}

void SqliteStore::checkWritable(const std::string& path) {
    if (sqlite3_db_readonly(db_, "main") == 1 || withoutWritePermission(path)) {
        throw StoreError("the database " + path + " is read-only");
    }
}

void SqliteStore::checkIntegrity(const std::string& path) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, "PRAGMA quick_check", -1, &stmt, nullptr) != SQLITE_OK) {
        fail(db_, "cannot check the database " + path);
    }
    std::string verdict;
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        const auto* text = sqlite3_column_text(stmt, 0);
        verdict = text ? reinterpret_cast<const char*>(text) : "";
    } else {
        verdict = sqlite3_errmsg(db_);
    }
    sqlite3_finalize(stmt);
    if (verdict != "ok") {
        throw StoreError("the database " + path + " is damaged (" + verdict + ")");
    }
}

int SqliteStore::schemaVersion() {
    int version = 0;
    if (readers_.empty()) {
        write([&](StoreTransaction&) { version = schemaVersionOf(db_); });
    } else {
        ReaderLease reader(*this);
        version = schemaVersionOf(reader->db);
    }
    return version;
}

SqliteStore::Stats SqliteStore::stats() const {
    return Stats{writes_.load(), batches_.load(), queue_.waiting(), readWaits_.load()};
}

std::string SqliteStore::describeChanges(const Stats& before, const Stats& now) {
    const std::uint64_t writes = now.writes - before.writes;
    const std::uint64_t batches = now.batches - before.batches;
    const std::uint64_t readWaits = now.readWaits - before.readWaits;
    if (writes == 0 && readWaits == 0) return "";
    return "store: " + std::to_string(writes) + " changes in " + std::to_string(batches) +
           " commits, " + std::to_string(now.waiting) + " waiting for the writer, " +
           std::to_string(readWaits) + " reads waited for a connection";
}

void SqliteStore::write(const Work& work) {
    // Owned by the callback too: the writer may still be inside it when the caller goes on.
    const auto finished = std::make_shared<std::promise<void>>();
    std::future<void> saved = finished->get_future();
    enqueue([&work](StoreTransaction& tx) { work(tx); },
            [finished](const std::exception_ptr& error) {
                if (error) {
                    finished->set_exception(error);
                } else {
                    finished->set_value();
                }
            },
            true);
    saved.get();
}

void SqliteStore::writeThen(Work work, Done done) {
    enqueue(std::move(work), std::move(done), false);
}

void SqliteStore::enqueue(Work work, Done done, bool waitForRoom) {
    auto pending =
        std::make_unique<PendingWrite>(PendingWrite{std::move(work), std::move(done), {}});
    const bool taken = waitForRoom ? queue_.push(pending) : queue_.pushWithoutWaiting(pending);
    if (!taken) pending->done(std::make_exception_ptr(StoreError("the store is closed")));
}

void SqliteStore::read(const Work& work) {
    if (readers_.empty()) {
        write(work);
        return;
    }
    ReaderLease reader(*this);
    exec(reader->db, "BEGIN");
    try {
        Transaction transaction(*reader->statements);
        work(transaction);
        exec(reader->db, "COMMIT");
    } catch (...) {
        sqlite3_exec(reader->db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void SqliteStore::writeLoop() {
    for (;;) {
        std::vector<std::unique_ptr<PendingWrite>> batch = queue_.takeBatch(kMaxBatch);
        if (batch.empty()) return;
        try {
            if (!runBatch(batch)) failWaiting(batch);
        } catch (...) {
            // Whatever escapes a batch costs that batch, not the writer: its changes are
            // taken back and their callers told.
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            for (const auto& pending : batch) pending->error = std::current_exception();
        }
        writes_ += batch.size();
        ++batches_;
        for (const auto& pending : batch) {
            try {
                pending->done(pending->error);
            } catch (...) {
                // Nobody is left to tell: the writer goes on with the next batch.
            }
        }
    }
}

// The changes that came while the batch waited in vain for the file have waited as long as
// it did: they share its error rather than wait that long again. Later ones try afresh.
void SqliteStore::failWaiting(std::vector<std::unique_ptr<PendingWrite>>& batch) {
    const std::exception_ptr why = batch.back()->error;
    for (auto& pending : queue_.takeWaiting(kMaxWaitingWrites)) {
        pending->error = why;
        batch.push_back(std::move(pending));
    }
}

// Takes back the change that just failed, keeping the batch's other changes. False when the
// batch's transaction is gone: SQLite ends a transaction itself on some errors (a full disk,
// an I/O error).
bool SqliteStore::undoLastChange() {
    if (sqlite3_get_autocommit(db_) != 0) return false;
    return sqlite3_exec(db_, "ROLLBACK TO change; RELEASE change", nullptr, nullptr, nullptr) ==
           SQLITE_OK;
}

bool SqliteStore::runBatch(const std::vector<std::unique_ptr<PendingWrite>>& batch) {
    // The changes run so far in the open transaction, to be saved by its commit.
    std::vector<PendingWrite*> done;
    bool open = false;
    const auto abandon = [&](const std::exception_ptr& why) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        for (PendingWrite* pending : done) pending->error = why;
        done.clear();
        open = false;
    };
    for (std::size_t i = 0; i < batch.size(); ++i) {
        PendingWrite* pending = batch[i].get();
        try {
            if (!open) {
                statements_->query("BEGIN IMMEDIATE").step();
                open = true;
            }
        } catch (...) {
            // The file cannot be written now (locked past the busy timeout, a full disk): the
            // rest of the batch would wait and fail the same way. Later batches try again.
            const std::exception_ptr why = std::current_exception();
            for (std::size_t j = i; j < batch.size(); ++j) batch[j]->error = why;
            return false;
        }
        try {
            statements_->query("SAVEPOINT change").step();
            Transaction transaction(*statements_);
            pending->work(transaction);
            statements_->query("RELEASE change").step();
            done.push_back(pending);
        } catch (...) {
            pending->error = std::current_exception();
            if (!undoLastChange()) {
                abandon(std::make_exception_ptr(
                    StoreError("the change was not saved: its transaction failed")));
            }
        }
    }
    if (!open) return true;
    try {
        statements_->query("COMMIT").step();
    } catch (...) {
        abandon(std::current_exception());
    }
    return true;
}

}  // namespace pimra::server
