#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Store.h"

namespace pimra::server {

// A table as one write left it, for its watchers.
struct RecordedChange {
    std::int64_t tableId = 0;
    std::optional<TableRow> table;  // none once it is removed
    // A seat, the status or the table itself came or went: the lobby's list shows it.
    bool listChanged = false;
};

// Passes a write's work through to the store's transaction and notes which tables it changed,
// so that the watchers hear of every change, whichever action made it. Only what a watcher
// sees counts: the seats' last-seen times do not.
class TableChangeRecorder final : public StoreTransaction {
  public:
    explicit TableChangeRecorder(StoreTransaction& inner) : inner_(inner) {}

    // The tables changed, each as it stands now; read from the transaction where the work
    // changed a table's activity without reading the table.
    std::vector<RecordedChange> changes();
    // Waiting tables expired in bulk: the list changed, which tables is not known.
    bool expiredTables() const { return expired_; }

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
    struct Touched {
        std::optional<TableRow> before;  // as the work first found it
        std::optional<TableRow> after;
        std::optional<TableActivity> activityBefore;
        bool added = false;
        bool removed = false;
        bool changed = false;
    };

    StoreTransaction& inner_;
    std::map<std::int64_t, Touched> tables_;
    bool expired_ = false;
};

}  // namespace pimra::server
