#pragma once

#include <pqxx/pqxx>
#include <string>
#include <vector>

#include "SqlSession.h"

namespace pimra::server {

// Prepares the store's statements on a new connection, under the names PostgresSession uses.
void prepareStoreStatements(pqxx::connection& connection, const std::vector<std::string>& texts);

// The store's statements on one PostgreSQL transaction. Locks are advisory locks held to the
// end of the transaction, so that check-then-insert steps of several processes on one key
// run one after another.
class PostgresSession final : public SqlSession {
  public:
    PostgresSession(pqxx::transaction_base& tx, bool writing) : tx_(tx), writing_(writing) {}

    std::int64_t run(Sql statement, const SqlParams& params, const OnRow& onRow) override;
    void script(const std::string& sql) override { tx_.exec(sql); }
    void lock(const std::string& key) override;
    bool writing() const override { return writing_; }

  private:
    pqxx::transaction_base& tx_;
    bool writing_;
};

}  // namespace pimra::server
