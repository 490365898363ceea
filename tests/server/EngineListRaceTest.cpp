#include <gtest/gtest.h>

#include "server/Accounts.h"
#include "server/Clock.h"
#include "server/Credentials.h"
#include "server/Engine.h"
#include "server/SqliteStore.h"
#include "server/TableRules.h"

namespace pimra::server {
namespace {

// A store whose table list comes from before a change that another process has committed
// since: each listed game's clock is shown as started an hour earlier. Everything else goes
// to the real store.
class StaleListStore final : public Store {
  public:
    explicit StaleListStore(Store& inner) : inner_(inner) {}
    void write(const Work& work) override {
        inner_.write([&](StoreTransaction& tx) {
            Transaction stale(tx);
            work(stale);
        });
    }
    void read(const Work& work) override {
        inner_.read([&](StoreTransaction& tx) {
            Transaction stale(tx);
            work(stale);
        });
    }

  private:
    class Transaction final : public StoreTransaction {
      public:
        explicit Transaction(StoreTransaction& tx) : tx_(tx) {}
        std::optional<Account> findAccount(const std::string& l) override {
            return tx_.findAccount(l);
        }
        bool addAccount(const Account& a, std::int64_t t) override { return tx_.addAccount(a, t); }
        bool isLoginKeyTaken(const std::string& k) override { return tx_.isLoginKeyTaken(k); }
        void addSession(const Session& s) override { tx_.addSession(s); }
        std::optional<Session> findSession(const std::string& s) override {
            return tx_.findSession(s);
        }
        void touchSession(const std::string& s, std::int64_t t) override { tx_.touchSession(s, t); }
        void trimSessions(const std::string& l, int k, std::int64_t t) override {
            tx_.trimSessions(l, k, t);
        }
        std::int64_t addTable(const TableRow& t) override { return tx_.addTable(t); }
        std::optional<TableRow> findTable(std::int64_t id) override { return tx_.findTable(id); }
        void updateTable(const TableRow& t) override { tx_.updateTable(t); }
        void removeTable(std::int64_t id) override { tx_.removeTable(id); }
        int removeWaitingTablesChangedBefore(std::int64_t t) override {
            return tx_.removeWaitingTablesChangedBefore(t);
        }
        std::vector<TableRow> listTables(int game, std::int64_t since, int limit,
                                         int perPlayer) override {
            auto tables = tx_.listTables(game, since, limit, perPlayer);
            for (TableRow& table : tables) table.turnStartedMs -= 3'600'000;
            return tables;
        }
        int countUnfinishedTablesOf(const std::string& l) override {
            return tx_.countUnfinishedTablesOf(l);
        }
        std::vector<TableRow> runningTablesOf(const std::string& l) override {
            return tx_.runningTablesOf(l);
        }
        void addRecord(std::int64_t id, const Record& r) override { tx_.addRecord(id, r); }
        std::optional<Record> recordAfter(std::int64_t id, int ind) override {
            return tx_.recordAfter(id, ind);
        }
        std::vector<Record> recordsOf(std::int64_t id) override { return tx_.recordsOf(id); }
        void addGameOutcome(const GameOutcome& o) override { tx_.addGameOutcome(o); }
        std::optional<GameOutcome> findGameOutcome(std::int64_t id) override {
            return tx_.findGameOutcome(id);
        }
        std::vector<ArchivedGame> finishedGamesOf(const std::string& l, int limit) override {
            return tx_.finishedGamesOf(l, limit);
        }
        std::optional<PlayerRecord> findPlayer(const std::string& l) override {
            return tx_.findPlayer(l);
        }
        void savePlayer(const PlayerRecord& p) override { tx_.savePlayer(p); }
        TableActivity findActivity(std::int64_t id) override { return tx_.findActivity(id); }
        void saveActivity(std::int64_t id, const TableActivity& a) override {
            tx_.saveActivity(id, a);
        }
        std::int64_t addChatLine(std::int64_t id, const ChatEntry& l) override {
            return tx_.addChatLine(id, l);
        }
        std::vector<ChatEntry> chatOf(std::int64_t id, int limit) override {
            return tx_.chatOf(id, limit);
        }
        int countChatLinesOf(const std::string& l, std::int64_t t) override {
            return tx_.countChatLinesOf(l, t);
        }
        int countEvents(const std::string& k, std::int64_t t) override {
            return tx_.countEvents(k, t);
        }
        void addEvent(const std::string& k, std::int64_t t) override { tx_.addEvent(k, t); }
        void removeEventsBefore(std::int64_t t) override { tx_.removeEventsBefore(t); }
        std::string secret(const std::string& n, const std::string& f) override {
            return tx_.secret(n, f);
        }

      private:
        StoreTransaction& tx_;
    };
    Store& inner_;
};

TEST(EngineListRace, TheListFlagsAGameOnlyByTheTableAsItStandsNow) {
    SqliteStore real(":memory:");
    StaleListStore store(real);
    ManualClock clock;
    PasswordHasher hasher(PasswordHasher::Strength::Minimum);
    Accounts accounts(store, clock, hasher);
    Engine engine(store, clock, accounts);
    std::int64_t id = 0;
    real.write([&](StoreTransaction& tx) {
        TableRow table = TableRules::newTable("a", 300, 0, clock.nowMs());
        table.login2 = "b";
        table.ready1 = table.ready2 = true;
        TableRules::startIfReady(table, clock.nowMs());
        id = tx.addTable(table);
    });
    // By the stale list the player to move ran out of time long ago; by the table he has not.
    const auto reply = engine.handle({{"action", "tablelist"}, {"gameid", "1"}});
    EXPECT_EQ(reply["response"], "Success");
    real.read([&](StoreTransaction& tx) {
        const auto table = tx.findTable(id);
        ASSERT_TRUE(table);
        EXPECT_EQ(table->status, TableStatus::Playing);
        EXPECT_EQ(table->result, 0);
    });
}

}  // namespace
}  // namespace pimra::server
