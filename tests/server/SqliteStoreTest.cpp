#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>

#include "server/SqliteStore.h"
#include "server/TableRules.h"

namespace pimra::server {
namespace {

class SqliteStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = std::filesystem::temp_directory_path() /
                ("pimra-store-test-" + std::to_string(::getpid()) + ".db");
        removeFiles();
    }
    void TearDown() override { removeFiles(); }
    void removeFiles() {
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::filesystem::remove(path_.string() + suffix);
        }
    }
    std::filesystem::path path_;
};

TEST_F(SqliteStoreTest, CreatesTheSchemaInWalModeAndKeepsDataAcrossReopening) {
    std::int64_t id = 0;
    {
        SqliteStore store(path_.string());
        EXPECT_EQ(store.schemaVersion(), 1);
        store.write([&](StoreTransaction& tx) {
            EXPECT_TRUE(tx.addAccount({"Иван", "hash"}, 1));
            EXPECT_FALSE(tx.addAccount({"Иван", "other"}, 2));
            EXPECT_TRUE(tx.addAccount({"иван", "hash2"}, 2));  // logins are case-sensitive
            tx.addSession({"s", "c", "Иван", 3});
            id = tx.addTable(TableRules::newTable("Иван", 300, 3, 4));
            tx.addRecord(id, {1, 1, 3, 5});
            tx.addRecord(id, {2, 2, 9, 6});
        });
    }
    SqliteStore store(path_.string());
    EXPECT_EQ(store.schemaVersion(), 1);
    store.read([&](StoreTransaction& tx) {
        EXPECT_EQ(tx.findAccount("Иван")->passwordHash, "hash");
        EXPECT_EQ(tx.findSession("s")->login, "Иван");
        EXPECT_EQ(tx.findTable(id)->timeLimit, 300);
        EXPECT_EQ(tx.recordAfter(id, 0)->pit, 3);
        EXPECT_EQ(tx.recordAfter(id, 1)->pit, 9);
        EXPECT_FALSE(tx.recordAfter(id, 2));
    });

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &stmt, nullptr);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "wal");
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

TEST_F(SqliteStoreTest, AFailedTransactionLeavesNothingBehind) {
    SqliteStore store(path_.string());
    EXPECT_THROW(store.write([](StoreTransaction& tx) {
        tx.addAccount({"a", "h"}, 1);
        throw std::runtime_error("refused");
    }),
                 std::runtime_error);
    store.read([](StoreTransaction& tx) { EXPECT_FALSE(tx.findAccount("a")); });
}

TEST_F(SqliteStoreTest, RefusesADatabaseFromANewerServer) {
    { SqliteStore store(path_.string()); }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    EXPECT_THROW(SqliteStore store(path_.string()), StoreError);
}

TEST_F(SqliteStoreTest, ListsUnfinishedAndRecentlyFinishedTablesAndTrimsSessions) {
    SqliteStore store(":memory:");
    store.write([](StoreTransaction& tx) {
        tx.addAccount({"a", "h"}, 0);
        TableRow open = TableRules::newTable("a", 60, 0, 0);
        tx.addTable(open);
        TableRow old = open;
        old.status = TableStatus::Finished;
        old.finishedMs = 100;
        tx.addTable(old);
        TableRow recent = old;
        recent.finishedMs = 1000;
        tx.addTable(recent);
        EXPECT_EQ(tx.listTables(1, 500).size(), 2u);
        EXPECT_EQ(tx.countUnfinishedTablesOf("a"), 1);
        for (int i = 0; i < 5; ++i) tx.addSession({"s" + std::to_string(i), "c", "a", i});
        tx.trimSessions("a", 2);
        EXPECT_FALSE(tx.findSession("s2"));
        EXPECT_TRUE(tx.findSession("s3"));
        EXPECT_TRUE(tx.findSession("s4"));
    });
}

}  // namespace
}  // namespace pimra::server
