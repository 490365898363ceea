#pragma once

#include <string>

namespace pimra::server {

// What the two databases spell differently. The store's SQL is written once with `{name}`
// marks for these and `$1`, `$2`... for parameters; `spell` turns it into this database's SQL.
struct SqlDialect {
    // A column of milliseconds or ids: 64 bits in both, named as each prefers.
    const char* bigInteger;
    const char* real;
    // The key of game_tables, given by the database on insert.
    const char* tableId;
    // Closes a table keyed by its primary key alone.
    const char* keyedTableEnd;
    // Columns that only one database needs, appended to sessions.
    const char* sessionExtraColumns;
    // Breaks ties between sessions made in the same millisecond: the later made is greater.
    const char* sessionOrder;
    // Appended to the read of a table inside a change, so the row is held until it ends.
    const char* rowLock;
    char parameterMark;
    // False where a text cannot hold a NUL character: keys with one are not stored.
    bool textTakesNul;

    std::string spell(const std::string& sql) const;
};

extern const SqlDialect kSqliteDialect;
extern const SqlDialect kPostgresDialect;

}  // namespace pimra::server
