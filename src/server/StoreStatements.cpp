#include "StoreStatements.h"

#include <utility>

namespace pimra::server {

namespace {

#define PIMRA_TABLE_COLUMNS                                                                 \
    "id, game_id, login1, login2, time_limit, bonus, ready1, ready2, status, position, "    \
    "seat_to_move, time1_ms, time2_ms, turn_started_ms, result, finished_ms, last_record, " \
    "created_ms, changed_ms, grace1_used, grace2_used"
#define PIMRA_OUTCOME_COLUMNS \
    "table_id, finish, rated, rating1_before, rating1_after, rating2_before, rating2_after"
#define PIMRA_SELECT_TABLES "SELECT " PIMRA_TABLE_COLUMNS " FROM game_tables "

const std::pair<Sql, const char*> kStatements[] = {
    {Sql::FindAccount, "SELECT login, pass_hash, login_key FROM accounts WHERE login = $1"},
    {Sql::LoginKeyTaken, "SELECT 1 FROM accounts WHERE login_key = $1 LIMIT 1"},
    {Sql::AddAccount,
     "INSERT INTO accounts(login, pass_hash, created_ms, login_key) VALUES($1, $2, $3, $4) "
     "ON CONFLICT DO NOTHING"},
    {Sql::AllLogins, "SELECT login FROM accounts"},
    {Sql::SetLoginKey, "UPDATE accounts SET login_key = $1 WHERE login = $2"},
    {Sql::AddSession,
     "INSERT INTO sessions(sid, code, login, created_ms, last_used_ms) "
     "VALUES($1, $2, $3, $4, $5)"},
    {Sql::FindSession,
     "SELECT sid, code, login, created_ms, last_used_ms FROM sessions WHERE sid = $1"},
    {Sql::TouchSession, "UPDATE sessions SET last_used_ms = $2 WHERE sid = $1"},
    {Sql::DropUnusedSessions, "DELETE FROM sessions WHERE login = $1 AND last_used_ms < $2"},
    {Sql::DropOldSessions,
     "DELETE FROM sessions WHERE login = $1 AND sid NOT IN (SELECT sid FROM sessions "
     "WHERE login = $1 ORDER BY created_ms DESC, {session_order} DESC LIMIT $2)"},
    {Sql::AddTable,
     "INSERT INTO game_tables(game_id, login1, login2, time_limit, bonus, ready1, ready2, "
     "status, position, seat_to_move, time1_ms, time2_ms, turn_started_ms, result, "
     "finished_ms, last_record, created_ms, changed_ms, grace1_used, grace2_used) VALUES($1, $2, "
     "$3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17, $18, $19, $20) "
     "RETURNING id"},
    {Sql::FindTable, PIMRA_SELECT_TABLES "WHERE id = $1"},
    {Sql::FindTableForUpdate, PIMRA_SELECT_TABLES "WHERE id = $1{row_lock}"},
    {Sql::UpdateTable,
     "UPDATE game_tables SET game_id = $1, login1 = $2, login2 = $3, time_limit = $4, "
     "bonus = $5, ready1 = $6, ready2 = $7, status = $8, position = $9, seat_to_move = $10, "
     "time1_ms = $11, time2_ms = $12, turn_started_ms = $13, result = $14, finished_ms = $15, "
     "last_record = $16, created_ms = $17, changed_ms = $18, grace1_used = $19, "
     "grace2_used = $20 WHERE id = $21"},
    {Sql::RemoveRecordsOf, "DELETE FROM records WHERE table_id = $1"},
    {Sql::RemoveTable, "DELETE FROM game_tables WHERE id = $1"},
    {Sql::RemoveRecordsOfWaiting,
     "DELETE FROM records WHERE table_id IN "
     "(SELECT id FROM game_tables WHERE status = 0 AND changed_ms < $1)"},
    // Checks each row again where a concurrent change has just touched it.
    {Sql::RemoveWaitingTables, "DELETE FROM game_tables WHERE status = 0 AND changed_ms < $1"},
    {Sql::ListWaiting,
     "SELECT " PIMRA_TABLE_COLUMNS " FROM (SELECT *, row_number() OVER (PARTITION BY CASE WHEN "
     "login1 <> '' THEN login1 ELSE login2 END ORDER BY id DESC) AS nth FROM game_tables "
     "WHERE game_id = $1 AND status = 0) AS waiting WHERE nth <= $3 ORDER BY id DESC LIMIT $2"},
    {Sql::ListRunning,
     PIMRA_SELECT_TABLES "WHERE game_id = $1 AND status = 1 ORDER BY id LIMIT $2"},
    {Sql::ListFinished,
     PIMRA_SELECT_TABLES "WHERE game_id = $1 AND status = 2 AND finished_ms >= $2 "
                         "ORDER BY finished_ms DESC, id DESC LIMIT $3"},
    // Written to match the partial indexes, which leave finished games out.
    {Sql::CountUnfinished,
     "SELECT (SELECT count(*) FROM game_tables WHERE login1 = $1 AND status <> 2) + "
     "(SELECT count(*) FROM game_tables WHERE login2 = $1 AND status <> 2 AND login1 <> $1)"},
    {Sql::RunningTablesOf, PIMRA_SELECT_TABLES
     "WHERE login1 = $1 AND status <> 2 AND status = 1 UNION ALL " PIMRA_SELECT_TABLES
     "WHERE login2 = $1 AND status <> 2 AND status = 1 AND login1 <> $1 "
     "ORDER BY id"},
    {Sql::AddRecord,
     "INSERT INTO records(table_id, ind, seat, pit, played_ms) VALUES($1, $2, $3, $4, $5)"},
    {Sql::RecordAfter,
     "SELECT ind, seat, pit, played_ms FROM records WHERE table_id = $1 AND ind > $2 "
     "ORDER BY ind LIMIT 1"},
    {Sql::RecordsOf,
     "SELECT ind, seat, pit, played_ms FROM records WHERE table_id = $1 ORDER BY ind"},
    {Sql::AddGameOutcome,
     "INSERT INTO game_outcomes(" PIMRA_OUTCOME_COLUMNS ") VALUES($1, $2, $3, $4, $5, $6, $7)"},
    {Sql::FindGameOutcome,
     "SELECT " PIMRA_OUTCOME_COLUMNS " FROM game_outcomes WHERE table_id = $1"},
    // Each half walks one of the partial indexes of finished games, newest first.
    {Sql::FinishedGamesOf,
     "SELECT " PIMRA_TABLE_COLUMNS ", " PIMRA_OUTCOME_COLUMNS " FROM game_tables "
     "LEFT JOIN game_outcomes ON table_id = id WHERE id IN ("
     "SELECT id FROM (SELECT id FROM game_tables WHERE login1 = $1 AND status = 2 "
     "ORDER BY finished_ms DESC LIMIT $2) AS first_seat UNION ALL "
     "SELECT id FROM (SELECT id FROM game_tables WHERE login2 = $1 AND status = 2 "
     "AND login1 <> $1 ORDER BY finished_ms DESC LIMIT $2) AS second_seat) "
     "ORDER BY finished_ms DESC, id DESC LIMIT $2"},
    {Sql::FindPlayer,
     "SELECT login, rating, deviation, volatility, played, won, lost, drawn FROM players "
     "WHERE login = $1"},
    {Sql::SavePlayer,
     "INSERT INTO players(login, rating, deviation, volatility, played, won, lost, drawn) "
     "VALUES($1, $2, $3, $4, $5, $6, $7, $8) ON CONFLICT (login) DO UPDATE SET "
     "rating = EXCLUDED.rating, deviation = EXCLUDED.deviation, "
     "volatility = EXCLUDED.volatility, played = EXCLUDED.played, won = EXCLUDED.won, "
     "lost = EXCLUDED.lost, drawn = EXCLUDED.drawn"},
    {Sql::FindActivity,
     "SELECT seen1_ms, seen2_ms, rematch1, rematch2, next_table_id, draw_offer1, draw_offer2 "
     "FROM table_activity WHERE table_id = $1"},
    {Sql::SaveActivity,
     "INSERT INTO table_activity(table_id, seen1_ms, seen2_ms, rematch1, rematch2, "
     "next_table_id, draw_offer1, draw_offer2) VALUES($1, $2, $3, $4, $5, $6, $7, $8) "
     "ON CONFLICT (table_id) DO UPDATE SET seen1_ms = EXCLUDED.seen1_ms, "
     "seen2_ms = EXCLUDED.seen2_ms, rematch1 = EXCLUDED.rematch1, "
     "rematch2 = EXCLUDED.rematch2, next_table_id = EXCLUDED.next_table_id, "
     "draw_offer1 = EXCLUDED.draw_offer1, draw_offer2 = EXCLUDED.draw_offer2"},
    {Sql::AddChatLine,
     "INSERT INTO chat_lines(table_id, login, text, said_ms, player) VALUES($1, $2, $3, $4, $5) "
     "RETURNING id"},
    {Sql::ChatOf,
     "SELECT id, login, text, said_ms, player FROM (SELECT * FROM chat_lines WHERE table_id = $1 "
     "ORDER BY id DESC LIMIT $2) AS newest ORDER BY id"},
    {Sql::CountChatLinesOf, "SELECT count(*) FROM chat_lines WHERE login = $1 AND said_ms >= $2"},
    {Sql::CountEvents, "SELECT count(*) FROM events WHERE key = $1 AND at_ms >= $2"},
    {Sql::AddEvent, "INSERT INTO events(key, at_ms) VALUES($1, $2)"},
    {Sql::RemoveEvents, "DELETE FROM events WHERE at_ms < $1"},
    {Sql::AddSecret, "INSERT INTO secrets(name, value) VALUES($1, $2) ON CONFLICT DO NOTHING"},
    {Sql::FindSecret, "SELECT value FROM secrets WHERE name = $1"},
};

#undef PIMRA_SELECT_TABLES
#undef PIMRA_TABLE_COLUMNS
#undef PIMRA_OUTCOME_COLUMNS

static_assert(std::size(kStatements) == static_cast<std::size_t>(Sql::Count),
              "every statement has its text");

}  // namespace

std::vector<std::string> storeStatements(const SqlDialect& dialect) {
    std::vector<std::string> texts(static_cast<std::size_t>(Sql::Count));
    for (const auto& [statement, sql] : kStatements) {
        texts[static_cast<std::size_t>(statement)] = dialect.spell(sql);
    }
    return texts;
}

}  // namespace pimra::server
