#pragma once

#include "SqlDialect.h"
#include "SqlSession.h"
#include "Store.h"

namespace pimra::server {

// The store's behaviour over either database: the statements, the row mappers and the policy
// of the table list, once for both.
class SqlTransaction final : public StoreTransaction {
  public:
    SqlTransaction(SqlSession& session, const SqlDialect& dialect)
        : session_(session), dialect_(dialect) {}

    std::optional<Account> findAccount(const std::string& login) override;
    bool addAccount(const Account& account, std::int64_t nowMs) override;
    bool isLoginKeyTaken(const std::string& loginKey) override;

    void addSession(const Session& session) override;
    std::optional<Session> findSession(const std::string& sid) override;
    void touchSession(const std::string& sid, std::int64_t nowMs) override;
    void trimSessions(const std::string& login, int keep, std::int64_t unusedSinceMs) override;

    std::int64_t addTable(const TableRow& table) override;
    std::optional<TableRow> findTable(std::int64_t id) override;
    void updateTable(const TableRow& table) override;
    void removeTable(std::int64_t id) override;
    int removeWaitingTablesChangedBefore(std::int64_t changedBeforeMs) override;
    std::vector<TableRow> listTables(int gameId, std::int64_t finishedSinceMs, int limit,
                                     int waitingPerPlayer) override;
    int countUnfinishedTablesOf(const std::string& login) override;
    std::vector<TableRow> runningTablesOf(const std::string& login) override;

    void addRecord(std::int64_t tableId, const Record& record) override;
    std::optional<Record> recordAfter(std::int64_t tableId, int ind) override;
    std::vector<Record> recordsOf(std::int64_t tableId) override;

    void addGameOutcome(const GameOutcome& outcome) override;
    std::optional<GameOutcome> findGameOutcome(std::int64_t tableId) override;
    std::vector<ArchivedGame> finishedGamesOf(const std::string& login, int limit) override;
    std::optional<PlayerRecord> findPlayer(const std::string& login) override;
    void savePlayer(const PlayerRecord& player) override;

    TableActivity findActivity(std::int64_t tableId) override;
    void saveActivity(std::int64_t tableId, const TableActivity& activity) override;

    std::int64_t addChatLine(std::int64_t tableId, const ChatEntry& line) override;
    std::vector<ChatEntry> chatOf(std::int64_t tableId, int limit) override;
    int countChatLinesOf(const std::string& login, std::int64_t sinceMs) override;

    int countEvents(const std::string& key, std::int64_t sinceMs) override;
    void addEvent(const std::string& key, std::int64_t nowMs) override;
    void removeEventsBefore(std::int64_t beforeMs) override;

    std::string secret(const std::string& name, const std::string& fresh) override;

  private:
    // True for a key this database cannot hold, which is therefore nowhere in it.
    bool unstorable(const std::string& text) const;
    // The key as this database keeps it.
    std::string stored(std::string text) const;
    // The count in the first column of the statement's one row.
    std::int64_t count(Sql statement, const SqlParams& params);
    // Adds the tables the statement gives to `tables`.
    void addTables(std::vector<TableRow>& tables, Sql statement, const SqlParams& params);
    std::vector<Record> records(Sql statement, const SqlParams& params);

    SqlSession& session_;
    const SqlDialect& dialect_;
};

}  // namespace pimra::server
