#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "SqlSession.h"

struct sqlite3;
struct sqlite3_stmt;

namespace pimra::server {

[[noreturn]] void failOn(sqlite3* db, const std::string& what);
// Runs SQL of any number of statements; a StoreError says why it failed.
void execSql(sqlite3* db, const char* sql);

// A prepared statement in use: bound by the caller, reset when done.
class SqliteQuery {
  public:
    SqliteQuery(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
    ~SqliteQuery();
    SqliteQuery(const SqliteQuery&) = delete;
    SqliteQuery& operator=(const SqliteQuery&) = delete;

    void bind(int index, const SqlValue& value);
    // True while a row is there.
    bool step();
    sqlite3_stmt* statement() const { return stmt_; }

  private:
    sqlite3* db_;
    sqlite3_stmt* stmt_;
};

// Prepared statements of one connection, kept for its life.
class SqliteStatements {
  public:
    explicit SqliteStatements(sqlite3* db) : db_(db) {}
    ~SqliteStatements();
    SqliteStatements(const SqliteStatements&) = delete;
    SqliteStatements& operator=(const SqliteStatements&) = delete;

    // Looked up without a copy of the text.
    SqliteQuery query(std::string_view sql);
    sqlite3* db() const { return db_; }

  private:
    sqlite3* db_;
    std::map<std::string, sqlite3_stmt*, std::less<>> cache_;
};

// The store's statements on one SQLite connection inside the transaction its caller opened.
// SQLite locks the whole file for a change, so nothing is locked here.
class SqliteSession final : public SqlSession {
  public:
    SqliteSession(SqliteStatements& statements, const std::vector<std::string>& texts, bool writing)
        : statements_(statements), texts_(texts), writing_(writing) {}

    std::int64_t run(Sql statement, const SqlParams& params, const OnRow& onRow) override;
    void script(const std::string& sql) override;
    void lock(const std::string&) override {}
    bool writing() const override { return writing_; }

  private:
    SqliteStatements& statements_;
    const std::vector<std::string>& texts_;
    bool writing_;
};

}  // namespace pimra::server
