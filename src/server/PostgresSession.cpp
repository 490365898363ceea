#include "PostgresSession.h"

namespace pimra::server {

namespace {

constexpr const char* kLockKey = "lock_key";

std::string statementName(std::size_t index) {
    return "store_" + std::to_string(index);
}

// One row of a result.
class PostgresRow final : public SqlRow {
  public:
    explicit PostgresRow(const pqxx::row& row) : row_(row) {}
    bool isNull(int column) const override { return row_[column].is_null(); }
    std::int64_t integer(int column) const override { return row_[column].as<std::int64_t>(); }
    double real(int column) const override { return row_[column].as<double>(); }
    std::string text(int column) const override { return row_[column].as<std::string>(); }

  private:
    const pqxx::row& row_;
};

// Parameters go to the database as text, as libpqxx sends them anyway.
std::string parameterText(const SqlValue& value) {
    if (const auto* number = std::get_if<std::int64_t>(&value)) return pqxx::to_string(*number);
    if (const auto* real = std::get_if<double>(&value)) return pqxx::to_string(*real);
    return std::get<std::string>(value);
}

}  // namespace

void prepareStoreStatements(pqxx::connection& connection, const std::vector<std::string>& texts) {
    for (std::size_t i = 0; i < texts.size(); ++i) connection.prepare(statementName(i), texts[i]);
    // Held to the end of the transaction: serialises check-then-insert steps on one key.
    connection.prepare(kLockKey, "SELECT pg_advisory_xact_lock(hashtextextended($1, 0))");
}

std::int64_t PostgresSession::run(Sql statement, const SqlParams& params, const OnRow& onRow) {
    std::vector<std::string> texts;
    texts.reserve(params.size());
    for (const SqlValue& value : params) texts.push_back(parameterText(value));
    const pqxx::result result =
        tx_.exec_prepared(statementName(static_cast<std::size_t>(statement)),
                          pqxx::prepare::make_dynamic_params(texts));
    if (onRow) {
        for (const auto& row : result) onRow(PostgresRow(row));
    }
    return result.affected_rows();
}

void PostgresSession::lock(const std::string& key) {
    tx_.exec_prepared(kLockKey, key);
}

}  // namespace pimra::server
