#include "SqliteSession.h"

#include <sqlite3.h>

#include "Store.h"

namespace pimra::server {

namespace {

// The current row of a statement.
class SqliteRow final : public SqlRow {
  public:
    explicit SqliteRow(sqlite3_stmt* stmt) : stmt_(stmt) {}
    bool isNull(int column) const override {
        return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
    }
    std::int64_t integer(int column) const override { return sqlite3_column_int64(stmt_, column); }
    double real(int column) const override { return sqlite3_column_double(stmt_, column); }
    std::string text(int column) const override {
        const auto* data = sqlite3_column_text(stmt_, column);
        return data ? std::string(reinterpret_cast<const char*>(data),
                                  static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                    : std::string();
    }

  private:
    sqlite3_stmt* stmt_;
};

int bindValue(sqlite3_stmt* stmt, int index, const SqlValue& value) {
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
        return sqlite3_bind_int64(stmt, index, *number);
    }
    if (const auto* real = std::get_if<double>(&value)) {
        return sqlite3_bind_double(stmt, index, *real);
    }
    const auto& text = std::get<std::string>(value);
    return sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()),
                             SQLITE_TRANSIENT);
}

}  // namespace

void failOn(sqlite3* db, const std::string& what) {
    throw StoreError(what + ": " + sqlite3_errmsg(db));
}

void execSql(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : "unknown error";
        sqlite3_free(message);
        throw StoreError(std::string("SQL failed: ") + text);
    }
}

SqliteQuery::~SqliteQuery() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void SqliteQuery::bind(int index, const SqlValue& value) {
    if (bindValue(stmt_, index, value) != SQLITE_OK) failOn(db_, "SQL bind failed");
}

bool SqliteQuery::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    failOn(db_, "SQL step failed");
}

SqliteStatements::~SqliteStatements() {
    for (auto& [sql, stmt] : cache_) sqlite3_finalize(stmt);
}

SqliteQuery SqliteStatements::query(std::string_view sql) {
    auto it = cache_.find(sql);
    if (it == cache_.end()) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()),
                               SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
            failOn(db_, "SQL prepare failed");
        }
        it = cache_.emplace(sql, stmt).first;
    }
    return SqliteQuery(db_, it->second);
}

std::int64_t SqliteSession::run(Sql statement, const SqlParams& params, const OnRow& onRow) {
    auto q = statements_.query(texts_[static_cast<std::size_t>(statement)]);
    for (std::size_t i = 0; i < params.size(); ++i) q.bind(static_cast<int>(i + 1), params[i]);
    const SqliteRow row(q.statement());
    while (q.step()) {
        if (onRow) onRow(row);
    }
    return sqlite3_changes64(statements_.db());
}

void SqliteSession::script(const std::string& sql) {
    execSql(statements_.db(), sql.c_str());
}

}  // namespace pimra::server
