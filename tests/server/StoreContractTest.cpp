// What every store does, run against SQLite and PostgreSQL alike.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <pqxx/pqxx>
#include <thread>
#include <vector>

#include "PostgresTestCluster.h"
#include "server/LoginRules.h"
#include "server/PostgresStore.h"
#include "server/SqliteStore.h"
#include "server/StoreSchema.h"
#include "server/TableRules.h"

namespace pimra::server {
namespace {

// A SQLite file of one test.
class SqliteDatabase {
  public:
    using StoreType = SqliteStore;
    SqliteDatabase() {
        static std::atomic<int> count{0};
        path_ = std::filesystem::temp_directory_path() /
                ("pimra-contract-" + std::to_string(::getpid()) + "-" + std::to_string(++count) +
                 ".db");
        removeFiles();
    }
    ~SqliteDatabase() { removeFiles(); }
    static bool available(std::string&) { return true; }
    // Changes that came while others were being saved shared their commits.
    static void expectManyChangesRan(const SqliteStore& store) {
        EXPECT_LT(store.stats().batches, store.stats().writes);
    }
    std::unique_ptr<SqliteStore> open() const { return std::make_unique<SqliteStore>(path_); }
    void sql(const std::string& statements) const {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
        char* message = nullptr;
        const int rc = sqlite3_exec(db, statements.c_str(), nullptr, nullptr, &message);
        const std::string text = message ? message : "";
        sqlite3_free(message);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK) << text;
    }
    void setSchemaVersion(int version) const {
        sql("PRAGMA user_version = " + std::to_string(version));
    }

  private:
    void removeFiles() const {
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::filesystem::remove(path_.string() + suffix);
        }
    }
    std::filesystem::path path_;
};

// A database of one test on the program's PostgreSQL cluster.
class PostgresDatabase {
  public:
    using StoreType = PostgresStore;
    PostgresDatabase() : database_(test::postgresCluster().socketUri("postgres")) {}
    static bool available(std::string& why) { return test::startedPostgresCluster(why) != nullptr; }
    // Each change committed on its own, none given up.
    static void expectManyChangesRan(const PostgresStore& store) {
        EXPECT_GE(store.stats().writes, 200u);
        EXPECT_EQ(store.stats().failures, 0u);
    }
    std::unique_ptr<PostgresStore> open() const {
        return std::make_unique<PostgresStore>(database_.uri());
    }
    void sql(const std::string& statements) const {
        pqxx::connection connection(database_.uri());
        pqxx::nontransaction tx(connection);
        tx.exec(statements);
    }
    void setSchemaVersion(int version) const {
        sql("UPDATE schema_version SET version = " + std::to_string(version));
    }

  private:
    test::PgTestDatabase database_;
};

template <class Database>
class StoreContractTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        if (!Database::available(why)) GTEST_SKIP() << why;
        database_ = std::make_unique<Database>();
    }
    auto open() const { return database_->open(); }
    // The message of the StoreError that opening gives, or "" when the store opens.
    std::string refusal() const {
        try {
            open();
        } catch (const StoreError& error) {
            return error.what();
        }
        return "";
    }
    std::unique_ptr<Database> database_;
};

using Databases = ::testing::Types<SqliteDatabase, PostgresDatabase>;

class DatabaseNames {
  public:
    template <class T>
    static std::string GetName(int) {
        return std::is_same_v<T, SqliteDatabase> ? "Sqlite" : "Postgres";
    }
};

TYPED_TEST_SUITE(StoreContractTest, Databases, DatabaseNames);

std::vector<std::int64_t> idsOf(const std::vector<TableRow>& rows) {
    std::vector<std::int64_t> ids;
    for (const auto& row : rows) ids.push_back(row.id);
    return ids;
}

// Played, won, lost and drawn.
std::vector<int> gamesOf(const PlayerRecord& player) {
    return {player.played, player.won, player.lost, player.drawn};
}

TYPED_TEST(StoreContractTest, CreatesTheSchemaAndKeepsDataForTheNextOpening) {
    std::int64_t id = 0;
    {
        auto store = this->open();
        EXPECT_EQ(store->schemaVersion(), latestSchemaVersion());
        store->write([&](StoreTransaction& tx) {
            EXPECT_TRUE(tx.addAccount({"Иван", "hash", "иван"}, 1));
            EXPECT_FALSE(tx.addAccount({"Иван", "other", "other"}, 2));
            // A login whose look-alike key is taken is refused as well.
            EXPECT_FALSE(tx.addAccount({"ИВАН", "hash2", "иван"}, 2));
            EXPECT_TRUE(tx.addAccount({"Пётр", "hash3", "петр"}, 2));
            EXPECT_TRUE(tx.isLoginKeyTaken("петр"));
            EXPECT_FALSE(tx.isLoginKeyTaken("пётр"));
            tx.addSession({"s", "c", "Иван", 3, 3});
            id = tx.addTable(TableRules::newTable("Иван", 300, 3, 4));
            tx.addRecord(id, {1, Side::Bottom, 3, 5});
            tx.addRecord(id, {2, Side::Top, 9, 6});
        });
    }
    auto store = this->open();
    EXPECT_EQ(store->schemaVersion(), latestSchemaVersion());
    store->read([&](StoreTransaction& tx) {
        EXPECT_EQ(tx.findAccount("Иван")->passwordHash, "hash");
        EXPECT_EQ(tx.findAccount("Иван")->loginKey, "иван");
        EXPECT_FALSE(tx.findAccount("ИВАН"));
        // A key with a NUL character is simply not there.
        EXPECT_FALSE(tx.findAccount(std::string("Иван\0x", 9)));
        EXPECT_FALSE(tx.findSession(std::string("s\0", 2)));
        EXPECT_EQ(tx.findSession("s")->login, "Иван");
        const auto table = tx.findTable(id);
        ASSERT_TRUE(table);
        EXPECT_EQ(table->timeLimit, 300);
        EXPECT_EQ(table->position, TableRules::newTable("Иван", 300, 3, 4).position);
        EXPECT_EQ(tx.recordAfter(id, 0)->pit, 3);
        EXPECT_EQ(tx.recordAfter(id, 1)->pit, 9);
        EXPECT_EQ(tx.recordAfter(id, 1)->seat, Side::Top);
        EXPECT_FALSE(tx.recordAfter(id, 2));
        const auto records = tx.recordsOf(id);
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[0].playedMs, 5);
        EXPECT_EQ(records[1].ind, 2);
    });
}

TYPED_TEST(StoreContractTest, EveryColumnOfATableComesBackAsWritten) {
    auto store = this->open();
    store->write([](StoreTransaction& tx) {
        TableRow table = TableRules::newTable("ann", 600, 5, 11);
        table.id = tx.addTable(table);
        table.login2 = "bob";
        table.ready1 = table.ready2 = true;
        table.status = TableStatus::Finished;
        table.position = "1|2|3|4|5|6|7|8|9|10|11|12|13|14";
        table.seatToMove = Side::Top;
        table.time1Ms = 5'000'000'000;
        table.time2Ms = 12;
        table.turnStartedMs = 1'700'000'000'000;
        table.result = 3;
        table.finishedMs = 1'700'000'000'001;
        table.lastRecord = 40;
        table.changedMs = 13;
        table.graceUsed2 = true;
        tx.updateTable(table);
        const auto back = tx.findTable(table.id);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->id, table.id);
        EXPECT_EQ(back->gameId, table.gameId);
        EXPECT_EQ(back->login1, "ann");
        EXPECT_EQ(back->login2, "bob");
        EXPECT_EQ(back->timeLimit, 600);
        EXPECT_EQ(back->bonus, 5);
        EXPECT_TRUE(back->ready1 && back->ready2);
        EXPECT_EQ(back->status, TableStatus::Finished);
        EXPECT_EQ(back->position, table.position);
        EXPECT_EQ(back->seatToMove, Side::Top);
        EXPECT_EQ(back->time1Ms, 5'000'000'000);
        EXPECT_EQ(back->time2Ms, 12);
        EXPECT_EQ(back->turnStartedMs, table.turnStartedMs);
        EXPECT_EQ(back->result, 3);
        EXPECT_EQ(back->finishedMs, table.finishedMs);
        EXPECT_EQ(back->lastRecord, 40);
        EXPECT_EQ(back->createdMs, 11);
        EXPECT_EQ(back->changedMs, 13);
        EXPECT_FALSE(back->graceUsed1);
        EXPECT_TRUE(back->graceUsed2);
        TableRow gone = table;
        gone.id = table.id + 1000;
        EXPECT_THROW(tx.updateTable(gone), StoreError);
    });
}

TYPED_TEST(StoreContractTest, AFailedTransactionLeavesNothingBehind) {
    auto store = this->open();
    EXPECT_THROW(store->write([](StoreTransaction& tx) {
        tx.addAccount({"a", "h", "a"}, 1);
        throw std::runtime_error("refused");
    }),
                 std::runtime_error);
    store->read([](StoreTransaction& tx) { EXPECT_FALSE(tx.findAccount("a")); });
}

TYPED_TEST(StoreContractTest, RefusesABrokenSchemaVersionAndOneFromANewerServer) {
    this->open();
    this->database_->setSchemaVersion(-1);
    EXPECT_NE(this->refusal().find("schema version -1"), std::string::npos) << this->refusal();
    this->database_->setSchemaVersion(latestSchemaVersion() + 1);
    EXPECT_NE(this->refusal().find("newer server"), std::string::npos) << this->refusal();
    this->database_->setSchemaVersion(latestSchemaVersion());
    EXPECT_EQ(this->refusal(), "");
}

TYPED_TEST(StoreContractTest, SessionsUnusedTooLongAndBeyondTheNewestGoOnTrimming) {
    auto store = this->open();
    store->write([](StoreTransaction& tx) {
        tx.addAccount({"a", "h", "a"}, 0);
        for (int i = 0; i < 5; ++i) {
            tx.addSession({"s" + std::to_string(i), "c", "a", i, 100 + i});
        }
        tx.touchSession("s0", 1000);
        EXPECT_EQ(tx.findSession("s0")->lastUsedMs, 1000);
        tx.trimSessions("a", 3, 103);  // s1 and s2 unused since before 103
        EXPECT_TRUE(tx.findSession("s0"));
        EXPECT_FALSE(tx.findSession("s1"));
        EXPECT_FALSE(tx.findSession("s2"));
        EXPECT_TRUE(tx.findSession("s3"));
        EXPECT_TRUE(tx.findSession("s4"));
        tx.trimSessions("a", 2, 0);  // the newest two by creation stay
        EXPECT_FALSE(tx.findSession("s0"));
        EXPECT_TRUE(tx.findSession("s4"));

        // Made in the same millisecond: the newest by making stay.
        tx.addAccount({"b", "h", "b"}, 0);
        for (int i = 0; i < 5; ++i) tx.addSession({"t" + std::to_string(i), "c", "b", 7, 7});
        tx.trimSessions("b", 2, 0);
        EXPECT_FALSE(tx.findSession("t2"));
        EXPECT_TRUE(tx.findSession("t3"));
        EXPECT_TRUE(tx.findSession("t4"));
        tx.touchSession("t3", 1000);
        tx.touchSession(std::string("t4\0", 3), 1000);
        tx.trimSessions("b", 5, 500);
        EXPECT_TRUE(tx.findSession("t3"));
        EXPECT_FALSE(tx.findSession("t4"));
    });
}

TYPED_TEST(StoreContractTest, ListHoldsWaitingThenRunningThenRecentlyFinishedUpToTheLimit) {
    auto store = this->open();
    store->write([](StoreTransaction& tx) {
        const auto add = [&](TableStatus status, std::int64_t finishedMs, const char* login2) {
            TableRow row = TableRules::newTable("a", 60, 0, 0);
            row.login2 = login2;
            row.status = status;
            row.finishedMs = finishedMs;
            return tx.addTable(row);
        };
        add(TableStatus::Finished, 100, "b");
        const auto running = add(TableStatus::Playing, 0, "b");
        const auto finishedNew = add(TableStatus::Finished, 2000, "b");
        const auto finishedMid = add(TableStatus::Finished, 1000, "b");
        const auto waiting = add(TableStatus::Waiting, 0, "");
        EXPECT_EQ(idsOf(tx.listTables(1, 500, 500, 3)),
                  (std::vector<std::int64_t>{waiting, running, finishedNew, finishedMid}));
        EXPECT_EQ(idsOf(tx.listTables(1, 500, 3, 3)),
                  (std::vector<std::int64_t>{waiting, running, finishedNew}));
        EXPECT_EQ(idsOf(tx.listTables(1, 500, 1, 3)), (std::vector<std::int64_t>{waiting}));
        EXPECT_TRUE(tx.listTables(2, 0, 500, 3).empty());

        // Unfinished tables count once per login, on either seat.
        EXPECT_EQ(tx.countUnfinishedTablesOf("a"), 2);
        EXPECT_EQ(tx.countUnfinishedTablesOf("b"), 1);
        TableRow self = TableRules::newTable("c", 60, 0, 0);
        self.login2 = "c";
        tx.addTable(self);
        EXPECT_EQ(tx.countUnfinishedTablesOf("c"), 1);
        // Running games only, on either seat.
        EXPECT_EQ(idsOf(tx.runningTablesOf("a")), std::vector<std::int64_t>{running});
        EXPECT_EQ(idsOf(tx.runningTablesOf("b")), std::vector<std::int64_t>{running});
        EXPECT_TRUE(tx.runningTablesOf("c").empty());

        // Waiting tables come newest first, at most three of each player's.
        const auto waitingOf = [&](const char* login) {
            return tx.addTable(TableRules::newTable(login, 60, 0, 100));
        };
        const auto flood1 = waitingOf("flood");
        const auto flood2 = waitingOf("flood");
        const auto newcomer = waitingOf("newcomer");
        const auto flood3 = waitingOf("flood");
        const auto flood4 = waitingOf("flood");
        const auto listed = idsOf(tx.listTables(1, 500, 500, 3));
        ASSERT_GE(listed.size(), 4u);
        EXPECT_EQ(std::vector<std::int64_t>(listed.begin(), listed.begin() + 4),
                  (std::vector<std::int64_t>{flood4, flood3, newcomer, flood2}));
        EXPECT_EQ(std::count(listed.begin(), listed.end(), flood1), 0);
        EXPECT_EQ(idsOf(tx.listTables(1, 500, 2, 3)), (std::vector<std::int64_t>{flood4, flood3}));
    });
}

TYPED_TEST(StoreContractTest, WaitingTablesUnchangedTooLongAndLeftTablesGoWithTheirMoves) {
    auto store = this->open();
    store->write([](StoreTransaction& tx) {
        const auto staleId = tx.addTable(TableRules::newTable("a", 60, 0, 100));
        const auto freshId = tx.addTable(TableRules::newTable("a", 60, 0, 500));
        TableRow playing = TableRules::newTable("a", 60, 0, 100);
        playing.status = TableStatus::Playing;
        const auto playingId = tx.addTable(playing);
        tx.addRecord(playingId, {1, Side::Bottom, 3, 5});
        EXPECT_EQ(tx.removeWaitingTablesChangedBefore(50), 0);
        EXPECT_EQ(tx.removeWaitingTablesChangedBefore(400), 1);
        EXPECT_FALSE(tx.findTable(staleId));
        EXPECT_TRUE(tx.findTable(freshId));
        EXPECT_TRUE(tx.findTable(playingId));
        tx.removeTable(playingId);
        EXPECT_FALSE(tx.findTable(playingId));
        EXPECT_FALSE(tx.recordAfter(playingId, 0));
    });
}

TYPED_TEST(StoreContractTest, EventsAreCountedPerKeyWithinTheirWindowAndSecretsAreKept) {
    auto store = this->open();
    store->write([](StoreTransaction& tx) {
        for (std::int64_t t : {10, 20, 30}) tx.addEvent("k", t);
        tx.addEvent(std::string("k\0", 2), 30);
        tx.addEvent("other", 30);
        EXPECT_EQ(tx.countEvents("k", 0), 3);
        EXPECT_EQ(tx.countEvents("k", 20), 2);
        tx.removeEventsBefore(30);
        EXPECT_EQ(tx.countEvents("k", 0), 1);
        EXPECT_EQ(tx.countEvents("other", 0), 1);
        EXPECT_EQ(tx.secret("csrf", "first"), "first");
        EXPECT_EQ(tx.secret("csrf", "second"), "first");
    });
    // Kept for the next opening, as every server process on the store shares it.
    store = this->open();
    store->write([](StoreTransaction& tx) { EXPECT_EQ(tx.secret("csrf", "third"), "first"); });
}

TYPED_TEST(StoreContractTest, TheArchiveRatingsAndActivityOfATableAreKept) {
    auto store = this->open();
    std::vector<std::int64_t> ids;
    store->write([&](StoreTransaction& tx) {
        for (int i = 0; i < 4; ++i) {
            TableRow table = TableRules::newTable(i == 2 ? "bob" : "ann", 60, 0, i);
            table.login2 = i == 2 ? "ann" : "bob";
            table.status = TableStatus::Finished;
            table.finishedMs = 1000 + i;
            ids.push_back(tx.addTable(table));
        }
        const GameFinish finishes[] = {GameFinish::Moves, GameFinish::Time, GameFinish::Resign,
                                       GameFinish::Agreement};
        for (int i = 0; i < 3; ++i) {
            tx.addGameOutcome({ids[i], finishes[i], i != 1, 1500, 1516.25, 1490, 1474.5 + i});
        }
        tx.addGameOutcome({ids[3], GameFinish::Agreement, true, 1, 2, 3, 4});
    });
    EXPECT_THROW(store->write([&](StoreTransaction& tx) {
        tx.addGameOutcome({ids[3], GameFinish::Moves, false, 1, 1, 1, 1});
    }),
                 StoreError)
        << "one outcome a game";
    store->read([&](StoreTransaction& tx) {
        const auto outcome = tx.findGameOutcome(ids[2]);
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->tableId, ids[2]);
        EXPECT_EQ(outcome->finish, GameFinish::Resign);
        EXPECT_TRUE(outcome->rated);
        EXPECT_DOUBLE_EQ(outcome->rating1After, 1516.25);
        EXPECT_DOUBLE_EQ(outcome->rating2After, 1476.5);
        EXPECT_EQ(tx.findGameOutcome(ids[3])->finish, GameFinish::Agreement);
        EXPECT_FALSE(tx.findGameOutcome(ids[3] + 100));

        // Newest first on either seat, at most the limit.
        const auto games = tx.finishedGamesOf("ann", 3);
        ASSERT_EQ(games.size(), 3u);
        EXPECT_EQ(games[0].table.id, ids[3]);
        EXPECT_EQ(games[1].table.id, ids[2]);
        EXPECT_EQ(games[1].outcome.finish, GameFinish::Resign);
        EXPECT_EQ(games[2].outcome.finish, GameFinish::Time);
        EXPECT_FALSE(games[2].outcome.rated);
        EXPECT_EQ(tx.finishedGamesOf("bob", 50).size(), 4u);
        EXPECT_TRUE(tx.finishedGamesOf("eve", 50).empty());
        EXPECT_TRUE(tx.finishedGamesOf(std::string("ann\0", 4), 50).empty());
    });
    store->write([&](StoreTransaction& tx) {
        EXPECT_FALSE(tx.findPlayer("ann"));
        tx.savePlayer({"ann", 1600.5, 80.25, 0.059, 3, 2, 1, 0});
        tx.savePlayer({"ann", 1610.5, 70.25, 0.058, 4, 3, 1, 0});
        const auto ann = tx.findPlayer("ann");
        ASSERT_TRUE(ann);
        EXPECT_DOUBLE_EQ(ann->rating, 1610.5);
        EXPECT_DOUBLE_EQ(ann->deviation, 70.25);
        EXPECT_DOUBLE_EQ(ann->volatility, 0.058);
        EXPECT_EQ(gamesOf(*ann), (std::vector<int>{4, 3, 1, 0}));

        const TableActivity none = tx.findActivity(ids[0]);
        EXPECT_EQ(none.seen1Ms, 0);
        EXPECT_FALSE(none.rematch1 || none.drawOffer1 || none.drawOffer2);
        tx.saveActivity(ids[0], {5, 6, true, false, ids[1], false, true});
        tx.saveActivity(ids[1], {7, 8, false, true, 0, true, false});
        const TableActivity first = tx.findActivity(ids[0]);
        EXPECT_EQ(first.seen1Ms, 5);
        EXPECT_EQ(first.seen2Ms, 6);
        EXPECT_TRUE(first.rematch1);
        EXPECT_FALSE(first.rematch2);
        EXPECT_EQ(first.nextTableId, ids[1]);
        EXPECT_FALSE(first.drawOffer1);
        EXPECT_TRUE(first.drawOffer2);
        EXPECT_TRUE(tx.findActivity(ids[1]).drawOffer1);
        tx.saveActivity(ids[0], {9, 6, true, true, ids[1], false, false});
        EXPECT_TRUE(tx.findActivity(ids[0]).rematch2);
        EXPECT_FALSE(tx.findActivity(ids[0]).drawOffer2);

        // The outcome and the activity go with their table.
        tx.removeTable(ids[0]);
        EXPECT_FALSE(tx.findGameOutcome(ids[0]));
        EXPECT_EQ(tx.findActivity(ids[0]).seen1Ms, 0);
    });
}

// The schema of the first servers, before look-alike keys.
const char* const kFirstSchema = R"sql(
    DROP TABLE chat_lines;
    DROP INDEX game_tables_finished_by_login1;
    DROP INDEX game_tables_finished_by_login2;
    DROP TABLE game_outcomes;
    DROP TABLE players;
    DROP TABLE table_activity;
    DROP INDEX accounts_by_key;
    ALTER TABLE accounts DROP COLUMN login_key;
    ALTER TABLE sessions DROP COLUMN last_used_ms;
    DROP INDEX game_tables_open_by_login1;
    DROP INDEX game_tables_open_by_login2;
    DROP INDEX game_tables_waiting_by_change;
    ALTER TABLE game_tables DROP COLUMN changed_ms;
    ALTER TABLE game_tables DROP COLUMN grace1_used;
    ALTER TABLE game_tables DROP COLUMN grace2_used;
    DROP TABLE events;
    DROP TABLE secrets;
)sql";

TYPED_TEST(StoreContractTest, AccountsFromBeforeLookAlikeKeysKeepWorkingAndBlockNewLookAlikes) {
    {
        auto store = this->open();
        store->write([](StoreTransaction& tx) {
            tx.addAccount({"alice", "h1", "x1"}, 1);
            tx.addAccount({"ALICE", "h2", "x2"}, 1);
            tx.addSession({"s", "c", "alice", 5, 5});
            tx.addTable(TableRules::newTable("alice", 60, 0, 7));
        });
    }
    this->database_->sql(kFirstSchema);
    this->database_->setSchemaVersion(1);
    auto store = this->open();
    EXPECT_EQ(store->schemaVersion(), latestSchemaVersion());
    store->write([](StoreTransaction& tx) {
        EXPECT_EQ(tx.findAccount("alice")->passwordHash, "h1");
        EXPECT_EQ(tx.findAccount("ALICE")->passwordHash, "h2");
        EXPECT_EQ(tx.findAccount("ALICE")->loginKey, loginKeyOfUtf8("alice"));
        EXPECT_EQ(tx.findSession("s")->lastUsedMs, 5);
        EXPECT_EQ(tx.listTables(1, 0, 10, 3).at(0).changedMs, 7);
        EXPECT_FALSE(tx.addAccount({"Alice", "h3", loginKeyOfUtf8("Alice")}, 2));
    });
}

TYPED_TEST(StoreContractTest, GamesFinishedBeforeTheArchiveCountForTheirPlayers) {
    {
        auto store = this->open();
        store->write([](StoreTransaction& tx) {
            for (int result : {1, 1, 3}) {
                TableRow table = TableRules::newTable("ann", 60, 0, 7);
                table.login2 = "bob";
                table.status = TableStatus::Finished;
                table.result = result;
                tx.addTable(table);
            }
            tx.addTable(TableRules::newTable("ann", 60, 0, 8));  // waiting: not counted
        });
    }
    this->database_->sql(
        "DROP TABLE chat_lines; "
        "DROP INDEX game_tables_finished_by_login1; DROP INDEX game_tables_finished_by_login2; "
        "DROP TABLE game_outcomes; DROP TABLE players; DROP TABLE table_activity; "
        "ALTER TABLE game_tables DROP COLUMN grace1_used; "
        "ALTER TABLE game_tables DROP COLUMN grace2_used;");
    this->database_->setSchemaVersion(2);
    auto store = this->open();
    store->read([](StoreTransaction& tx) {
        const auto ann = tx.findPlayer("ann");
        ASSERT_TRUE(ann);
        EXPECT_EQ(gamesOf(*ann), (std::vector<int>{3, 2, 0, 1}));
        EXPECT_DOUBLE_EQ(ann->rating, 1500);
        EXPECT_EQ(tx.findPlayer("bob")->lost, 2);
        EXPECT_EQ(tx.finishedGamesOf("bob", 2).size(), 2u);
        EXPECT_FALSE(tx.finishedGamesOf("bob", 50).at(0).outcome.rated);
    });
}

// Schema 4, the last before draw offers, upgrades in place and keeps the activity it had.
TYPED_TEST(StoreContractTest, ASchemaFourDatabaseGainsDrawOffersAndKeepsItsActivity) {
    std::int64_t id = 0;
    {
        auto store = this->open();
        store->write([&](StoreTransaction& tx) {
            id = tx.addTable(TableRules::newTable("ann", 60, 0, 7));
            tx.saveActivity(id, {5, 6, true, false, 0, false, false});
        });
    }
    this->database_->sql(
        "DROP TABLE chat_lines; "
        "ALTER TABLE table_activity DROP COLUMN draw_offer1; "
        "ALTER TABLE table_activity DROP COLUMN draw_offer2;");
    this->database_->setSchemaVersion(4);
    auto store = this->open();
    EXPECT_EQ(store->schemaVersion(), latestSchemaVersion());
    store->write([&](StoreTransaction& tx) {
        TableActivity activity = tx.findActivity(id);
        EXPECT_EQ(activity.seen1Ms, 5);
        EXPECT_TRUE(activity.rematch1);
        EXPECT_FALSE(activity.drawOffer1 || activity.drawOffer2);
        activity.drawOffer1 = true;
        tx.saveActivity(id, activity);
        EXPECT_TRUE(tx.findActivity(id).drawOffer1);
        EXPECT_EQ(tx.findActivity(id).seen2Ms, 6);
    });
}

// Schema 5, the last before chat, gains it in place; lines go with their table, however it
// goes, and are counted per login across tables.
TYPED_TEST(StoreContractTest, ChatLinesComeNewestLastAndGoWithTheirTable) {
    this->open();
    this->database_->sql("DROP TABLE chat_lines;");
    this->database_->setSchemaVersion(5);
    auto store = this->open();
    EXPECT_EQ(store->schemaVersion(), latestSchemaVersion());
    std::int64_t playing = 0, waiting = 0;
    store->write([&](StoreTransaction& tx) {
        TableRow row = TableRules::newTable("ann", 60, 0, 100);
        row.status = TableStatus::Playing;
        playing = tx.addTable(row);
        waiting = tx.addTable(TableRules::newTable("ann", 60, 0, 100));
        EXPECT_TRUE(tx.chatOf(playing, 50).empty());
        const auto first = tx.addChatLine(playing, {0, "ann", "привет", 1000, true});
        const auto second = tx.addChatLine(playing, {0, "Ёжик", "<b>&</b>", 2000, false});
        EXPECT_LT(first, second);
        tx.addChatLine(waiting, {0, "ann", "here", 3000, true});
    });
    store->read([&](StoreTransaction& tx) {
        const auto lines = tx.chatOf(playing, 50);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].login, "ann");
        EXPECT_EQ(lines[0].text, "привет");
        EXPECT_EQ(lines[0].saidMs, 1000);
        EXPECT_TRUE(lines[0].player);
        EXPECT_EQ(lines[1].login, "Ёжик");
        EXPECT_EQ(lines[1].text, "<b>&</b>");
        EXPECT_FALSE(lines[1].player);
        const auto newest = tx.chatOf(playing, 1);
        ASSERT_EQ(newest.size(), 1u);
        EXPECT_EQ(newest[0].id, lines[1].id);
        EXPECT_EQ(tx.countChatLinesOf("ann", 1000), 2);
        EXPECT_EQ(tx.countChatLinesOf("ann", 1001), 1);
        EXPECT_EQ(tx.countChatLinesOf("ёжик", 0), 0);
    });
    store->write([&](StoreTransaction& tx) {
        EXPECT_EQ(tx.countChatLinesOf("ann", 0), 2);
        EXPECT_EQ(tx.removeWaitingTablesChangedBefore(200), 1);
        tx.removeTable(playing);
        EXPECT_TRUE(tx.chatOf(waiting, 50).empty());
        EXPECT_TRUE(tx.chatOf(playing, 50).empty());
        EXPECT_EQ(tx.countChatLinesOf("ann", 0), 0);
    });
}

TYPED_TEST(StoreContractTest, ManyThreadsChangingOneTableLoseNoUpdate) {
    auto store = this->open();
    std::int64_t id = 0;
    store->write(
        [&](StoreTransaction& tx) { id = tx.addTable(TableRules::newTable("a", 60, 0, 0)); });
    constexpr int kThreads = 8;
    constexpr int kEach = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kEach; ++i) {
                store->write([&](StoreTransaction& tx) {
                    TableRow table = *tx.findTable(id);
                    table.lastRecord += 1;
                    tx.addRecord(id, {table.lastRecord, Side::Bottom, 3, 0});
                    tx.updateTable(table);
                });
                store->read([&](StoreTransaction& tx) { EXPECT_TRUE(tx.findTable(id)); });
            }
        });
    }
    for (auto& thread : threads) thread.join();
    store->read([&](StoreTransaction& tx) {
        EXPECT_EQ(tx.findTable(id)->lastRecord, kThreads * kEach);
        EXPECT_TRUE(tx.recordAfter(id, kThreads * kEach - 1));
        EXPECT_EQ(tx.recordsOf(id).size(), static_cast<std::size_t>(kThreads * kEach));
    });
    TypeParam::expectManyChangesRan(*store);
}

}  // namespace
}  // namespace pimra::server
