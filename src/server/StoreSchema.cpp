#include "StoreSchema.h"

#include <vector>

#include "LoginRules.h"
#include "Store.h"

namespace pimra::server {

namespace {

// Each entry brings the schema from version i to i + 1; never change what one does once it
// has shipped.
const char* const kMigrations[] = {
    R"sql(
    CREATE TABLE accounts(
        login TEXT PRIMARY KEY,
        pass_hash TEXT NOT NULL,
        created_ms {big} NOT NULL);
    CREATE TABLE sessions(
        sid TEXT PRIMARY KEY,
        code TEXT NOT NULL,
        login TEXT NOT NULL REFERENCES accounts(login),
        created_ms {big} NOT NULL{session_extra});
    CREATE INDEX sessions_by_login ON sessions(login, created_ms);
    CREATE TABLE game_tables(
        id {table_id},
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
        time1_ms {big} NOT NULL,
        time2_ms {big} NOT NULL,
        turn_started_ms {big} NOT NULL,
        result INTEGER NOT NULL,
        finished_ms {big} NOT NULL,
        last_record INTEGER NOT NULL,
        created_ms {big} NOT NULL);
    CREATE INDEX game_tables_by_status ON game_tables(game_id, status, finished_ms);
    CREATE TABLE records(
        table_id {big} NOT NULL REFERENCES game_tables(id),
        ind INTEGER NOT NULL,
        seat INTEGER NOT NULL,
        pit INTEGER NOT NULL,
        played_ms {big} NOT NULL,
        PRIMARY KEY(table_id, ind){keyed_end};
    )sql",
    // Look-alike logins, sessions that expire, tables that expire or are left, scans that
    // skip finished games, counters for limits, shared secrets.
    R"sql(
    ALTER TABLE accounts ADD COLUMN login_key TEXT NOT NULL DEFAULT '';
    CREATE INDEX accounts_by_key ON accounts(login_key);
    ALTER TABLE sessions ADD COLUMN last_used_ms {big} NOT NULL DEFAULT 0;
    UPDATE sessions SET last_used_ms = created_ms;
    ALTER TABLE game_tables ADD COLUMN changed_ms {big} NOT NULL DEFAULT 0;
    UPDATE game_tables SET changed_ms = created_ms WHERE status <> 2;
    CREATE INDEX game_tables_open_by_login1 ON game_tables(login1) WHERE status <> 2;
    CREATE INDEX game_tables_open_by_login2 ON game_tables(login2) WHERE status <> 2;
    CREATE INDEX game_tables_waiting_by_change ON game_tables(changed_ms) WHERE status = 0;
    CREATE TABLE events(
        key TEXT NOT NULL,
        at_ms {big} NOT NULL);
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
        table_id {big} PRIMARY KEY REFERENCES game_tables(id) ON DELETE CASCADE,
        finish INTEGER NOT NULL,
        rated INTEGER NOT NULL,
        rating1_before {real} NOT NULL,
        rating1_after {real} NOT NULL,
        rating2_before {real} NOT NULL,
        rating2_after {real} NOT NULL);
    CREATE TABLE players(
        login TEXT PRIMARY KEY,
        rating {real} NOT NULL,
        deviation {real} NOT NULL,
        volatility {real} NOT NULL,
        played INTEGER NOT NULL,
        won INTEGER NOT NULL,
        lost INTEGER NOT NULL,
        drawn INTEGER NOT NULL);
    INSERT INTO players
        SELECT login, 1500, 350, 0.06, count(*), sum(won), sum(lost), sum(drawn) FROM (
            SELECT login1 AS login, CAST(result = 1 AS INTEGER) AS won,
                   CAST(result = 2 AS INTEGER) AS lost, CAST(result = 3 AS INTEGER) AS drawn
                FROM game_tables WHERE status = 2 AND login1 <> '' AND login2 <> ''
            UNION ALL
            SELECT login2, CAST(result = 2 AS INTEGER), CAST(result = 1 AS INTEGER),
                   CAST(result = 3 AS INTEGER)
                FROM game_tables WHERE status = 2 AND login1 <> '' AND login2 <> '') AS seats
        GROUP BY login;
    CREATE TABLE table_activity(
        table_id {big} PRIMARY KEY REFERENCES game_tables(id) ON DELETE CASCADE,
        seen1_ms {big} NOT NULL,
        seen2_ms {big} NOT NULL,
        rematch1 INTEGER NOT NULL,
        rematch2 INTEGER NOT NULL,
        next_table_id {big} NOT NULL);
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
    // Draws offered at a table, kept with its other activity.
    R"sql(
    ALTER TABLE table_activity ADD COLUMN draw_offer1 INTEGER NOT NULL DEFAULT 0;
    ALTER TABLE table_activity ADD COLUMN draw_offer2 INTEGER NOT NULL DEFAULT 0;
    )sql",
    // The chat of each table, going with it; the index by login serves the limits per login.
    R"sql(
    CREATE TABLE chat_lines(
        id {table_id},
        table_id {big} NOT NULL REFERENCES game_tables(id) ON DELETE CASCADE,
        login TEXT NOT NULL,
        text TEXT NOT NULL,
        said_ms {big} NOT NULL,
        player INTEGER NOT NULL);
    CREATE INDEX chat_lines_by_table ON chat_lines(table_id, id);
    CREATE INDEX chat_lines_by_login ON chat_lines(login, said_ms);
    )sql",
};

// Fills the look-alike key of accounts made before it existed, or before it folded as it does
// now.
void fillLoginKeys(SqlSession& session) {
    std::vector<std::string> logins;
    session.run(Sql::AllLogins, {}, [&](const SqlRow& row) { logins.push_back(row.text(0)); });
    for (const std::string& login : logins) {
        session.run(Sql::SetLoginKey, {loginKeyOfUtf8(login), login});
    }
}

}  // namespace

int latestSchemaVersion() {
    return static_cast<int>(std::size(kMigrations));
}

void checkSchemaVersion(int version, const std::string& where) {
    if (version < 0) {
        throw StoreError("the database " + where + " has a broken schema version " +
                         std::to_string(version));
    }
    if (version > latestSchemaVersion()) {
        throw StoreError("the database " + where + " was written by a newer server (schema " +
                         std::to_string(version) + ")");
    }
}

void upgradeSchema(SqlSession& session, const SqlDialect& dialect, int toVersion) {
    session.script(dialect.spell(kMigrations[toVersion - 1]));
    // Work that SQL alone cannot do.
    if (toVersion == 2 || toVersion == 4) fillLoginKeys(session);
}

}  // namespace pimra::server
