#include <gtest/gtest.h>

#include <sqlite3.h>
#include <unistd.h>
#include <algorithm>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <thread>
#include <vector>

#include "server/SqliteStore.h"
#include "server/StoreSchema.h"
#include "server/TableRules.h"
#include "server/WriteQueue.h"

namespace pimra::server {
namespace {

// "p0", "p1"...: names of many rows.
std::string numbered(int i, const char* prefix = "p") {
    std::string name = prefix;
    name += std::to_string(i);
    return name;
}

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

// What every store does is in StoreContractTest; here is what only the SQLite file does.
TEST_F(SqliteStoreTest, KeepsItsFileInWalMode) {
    { SqliteStore store(path_.string()); }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &stmt, nullptr);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "wal");
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

TEST_F(SqliteStoreTest, RefusesAReadOnlyFileABadSchemaVersionAndADamagedFile) {
    const auto message = [&]() -> std::string {
        try {
            SqliteStore store(path_.string());
        } catch (const StoreError& error) {
            return error.what();
        }
        return "";
    };
    const auto setVersion = [&](int version) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
        sqlite3_exec(db, ("PRAGMA user_version = " + std::to_string(version)).c_str(), nullptr,
                     nullptr, nullptr);
        sqlite3_close(db);
    };
    {
        SqliteStore store(path_.string());
        store.write([](StoreTransaction& tx) {
            for (int i = 0; i < 400; ++i) {
                tx.addAccount({"player" + std::to_string(i), std::string(200, 'h'),
                               "player" + std::to_string(i)},
                              i);
            }
        });
    }
    namespace fs = std::filesystem;
    fs::permissions(path_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_NE(message().find("read-only"), std::string::npos) << message();
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(message(), "");

    setVersion(-1);
    EXPECT_NE(message().find("schema version -1"), std::string::npos) << message();
    setVersion(latestSchemaVersion() + 1);
    EXPECT_NE(message().find("newer server"), std::string::npos) << message();
    setVersion(latestSchemaVersion());
    EXPECT_EQ(message(), "");

    // Scribble over a page in the middle of the accounts.
    {
        std::FILE* file = std::fopen(path_.c_str(), "r+b");
        ASSERT_NE(file, nullptr);
        std::fseek(file, 4096 * 5, SEEK_SET);
        const std::string junk(600, '\x7f');
        std::fwrite(junk.data(), 1, junk.size(), file);
        std::fclose(file);
    }
    EXPECT_NE(message().find("damaged"), std::string::npos) << message();
}

// A store in memory has no read connections: reads go to the writer.
TEST_F(SqliteStoreTest, AStoreInMemoryListsAndTrimsAsAFileDoes) {
    SqliteStore store(":memory:");
    store.write([](StoreTransaction& tx) {
        tx.addAccount({"a", "h", "a"}, 0);
        TableRow open = TableRules::newTable("a", 60, 0, 0);
        tx.addTable(open);
        TableRow old = open;
        old.status = TableStatus::Finished;
        old.finishedMs = 100;
        tx.addTable(old);
        TableRow recent = old;
        recent.finishedMs = 1000;
        tx.addTable(recent);
        EXPECT_EQ(tx.listTables(1, 500, 500, 3).size(), 2u);
        EXPECT_EQ(tx.countUnfinishedTablesOf("a"), 1);
        for (int i = 0; i < 5; ++i) tx.addSession({numbered(i, "s"), "c", "a", i, i});
        tx.trimSessions("a", 2, 0);
        EXPECT_FALSE(tx.findSession("s2"));
        EXPECT_TRUE(tx.findSession("s3"));
        EXPECT_TRUE(tx.findSession("s4"));
    });
}

// Waits until `done` holds, letting other threads run; for states that only polling shows.
template <class Condition>
void waitFor(Condition done) {
    while (!done()) std::this_thread::yield();
}

TEST_F(SqliteStoreTest, ChangesArrivingDuringACommitShareTheNextOneAndAFailureUndoesOnlyItself) {
    SqliteStore store(path_.string());
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> started;
    std::thread first([&] {
        store.write([&](StoreTransaction& tx) {
            tx.addAccount({"first", "h", "first"}, 1);
            started.set_value();
            released.wait();
        });
    });
    started.get_future().wait();
    constexpr int kQueued = 12;
    std::vector<std::thread> others;
    std::atomic<int> refused{0};
    for (int i = 0; i < kQueued; ++i) {
        others.emplace_back([&, i] {
            const std::string login = numbered(i);
            try {
                store.write([&](StoreTransaction& tx) {
                    tx.addAccount({login, "h", login}, 2);
                    if (i == 5) throw std::runtime_error("refused");
                });
            } catch (const std::runtime_error&) {
                ++refused;
            }
        });
    }
    waitFor([&] { return store.stats().waiting == static_cast<std::size_t>(kQueued); });
    release.set_value();
    first.join();
    for (auto& thread : others) thread.join();

    EXPECT_EQ(refused, 1);
    EXPECT_EQ(store.stats().writes, static_cast<std::uint64_t>(kQueued + 1));
    EXPECT_EQ(store.stats().batches, 2u);
    // What landed is on disk: a new store over the file sees it.
    SqliteStore reopened(path_.string());
    reopened.read([&](StoreTransaction& tx) {
        EXPECT_TRUE(tx.findAccount("first"));
        for (int i = 0; i < kQueued; ++i) {
            EXPECT_EQ(tx.findAccount(numbered(i)).has_value(), i != 5) << i;
        }
    });
}

TEST_F(SqliteStoreTest, ChangesHandedOverWithoutWaitingAreToldOnlyOnceCommitted) {
    SqliteStore store(path_.string());
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<bool> firstTold;
    std::promise<std::exception_ptr> failedTold;
    store.writeThen(
        [&](StoreTransaction& tx) {
            tx.addAccount({"first", "h", "first"}, 1);
            released.wait();
        },
        [&](const std::exception_ptr& error) {
            // Told after the commit: another connection sees the change already.
            bool seen = false;
            store.read([&](StoreTransaction& tx) { seen = tx.findAccount("first").has_value(); });
            firstTold.set_value(!error && seen);
        });
    store.writeThen(
        [](StoreTransaction& tx) {
            tx.addAccount({"second", "h", "second"}, 2);
            throw StoreError("refused");
        },
        [&](const std::exception_ptr& error) { failedTold.set_value(error); });
    // Both calls returned while the writer is still held inside the first change.
    auto first = firstTold.get_future();
    EXPECT_EQ(first.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    release.set_value();
    EXPECT_TRUE(first.get());
    const std::exception_ptr failure = failedTold.get_future().get();
    ASSERT_TRUE(failure);
    EXPECT_THROW(std::rethrow_exception(failure), StoreError);
    store.read([](StoreTransaction& tx) { EXPECT_FALSE(tx.findAccount("second")); });
}

TEST_F(SqliteStoreTest, HandingChangesOverNeverWaitsForRoomWhileWritingWaitsForIt) {
    SqliteStore store(path_.string());
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> holding;
    store.writeThen(
        [&](StoreTransaction&) {
            holding.set_value();
            released.wait();
        },
        [](const std::exception_ptr&) {});
    holding.get_future().wait();
    // More changes than the queue holds for waiting callers, while the writer is held.
    constexpr int kChanges = static_cast<int>(SqliteStore::kMaxWaitingWrites) + 100;
    std::atomic<int> saved{0};
    auto handOver = std::async(std::launch::async, [&] {
        for (int i = 0; i < kChanges; ++i) {
            const std::string login = numbered(i);
            store.writeThen(
                [login](StoreTransaction& tx) {
                    tx.addAccount({login, "h", login}, 1);
                },
                [&](const std::exception_ptr& error) {
                    if (!error) ++saved;
                });
        }
    });
    const bool returned = handOver.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    EXPECT_TRUE(returned) << "a change handed over waited for room";
    // A caller that waits for its change finds the queue full and waits too.
    auto waited = std::async(std::launch::async, [&] {
        store.write([](StoreTransaction& tx) { tx.addAccount({"late", "h", "late"}, 1); });
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(store.stats().waiting, static_cast<std::size_t>(kChanges));
    release.set_value();
    handOver.get();
    waited.get();
    EXPECT_EQ(saved.load(), kChanges);
    store.read([&](StoreTransaction& tx) {
        EXPECT_TRUE(tx.findAccount("p0"));
        EXPECT_TRUE(tx.findAccount(numbered(kChanges - 1)));
        EXPECT_TRUE(tx.findAccount("late"));
    });
}

TEST_F(SqliteStoreTest, ReadsGoOnWhileAChangeIsUnderWayAndSeeOnlyWhatIsCommitted) {
    SqliteStore store(path_.string());
    store.write([](StoreTransaction& tx) { tx.addAccount({"old", "h", "old"}, 1); });
    std::promise<void> inside;
    std::promise<void> readDone;
    std::thread writer([&] {
        store.write([&](StoreTransaction& tx) {
            tx.addAccount({"new", "h", "new"}, 2);
            inside.set_value();
            // Holds the writer until the read has finished: a read that waited would hang.
            readDone.get_future().wait();
        });
    });
    inside.get_future().wait();
    bool sawOld = false;
    bool sawNew = true;
    store.read([&](StoreTransaction& tx) {
        sawOld = tx.findAccount("old").has_value();
        sawNew = tx.findAccount("new").has_value();
    });
    readDone.set_value();
    writer.join();
    EXPECT_TRUE(sawOld);
    EXPECT_FALSE(sawNew);
    store.read([](StoreTransaction& tx) { EXPECT_TRUE(tx.findAccount("new")); });
}

TEST_F(SqliteStoreTest, ReadsBeyondThePoolWaitCountedAndTheLogLineTellsWhatHappened) {
    SqliteStore store(path_.string(), 1);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> holding;
    std::thread holder([&] {
        store.read([&](StoreTransaction&) {
            holding.set_value();
            released.wait();
        });
    });
    holding.get_future().wait();
    // The only connection is taken: this read waits for it.
    std::thread second([&] { store.read([](StoreTransaction&) {}); });
    waitFor([&] { return store.stats().readWaits == 1; });
    release.set_value();
    holder.join();
    second.join();
    store.write([](StoreTransaction& tx) { tx.addAccount({"a", "h", "a"}, 1); });
    EXPECT_EQ(store.stats().readWaits, 1u);
    EXPECT_EQ(store.stats().writes, 1u);

    const SqliteStore::Stats before{10, 4, 0, 3};
    EXPECT_EQ(SqliteStore::describeChanges(before, before), "");
    EXPECT_EQ(SqliteStore::describeChanges(before, {25, 7, 2, 3}),
              "store: 15 changes in 3 commits, 2 waiting for the writer, 0 reads waited for a "
              "connection");
    EXPECT_EQ(SqliteStore::describeChanges(before, {10, 4, 0, 5}),
              "store: 0 changes in 0 commits, 0 waiting for the writer, 2 reads waited for a "
              "connection");
}

// A queue of capacity 2 and the changes made for it, in the order they were made.
class WriteQueueTest : public ::testing::Test {
  protected:
    std::unique_ptr<PendingWrite> change() {
        auto write = std::make_unique<PendingWrite>();
        made.push_back(write.get());
        return write;
    }
    static std::vector<PendingWrite*> taken(
        const std::vector<std::unique_ptr<PendingWrite>>& batch) {
        std::vector<PendingWrite*> writes;
        for (const auto& write : batch) writes.push_back(write.get());
        return writes;
    }
    WriteQueue queue{2};
    std::vector<PendingWrite*> made;
};

TEST_F(WriteQueueTest, HoldsAtMostItsCapacityHandsOutInOrderAndRefusesOnceClosed) {
    auto a = change(), b = change(), c = change(), d = change();
    ASSERT_TRUE(queue.push(a));
    ASSERT_TRUE(queue.push(b));
    EXPECT_FALSE(a || b);
    std::thread third([&] { EXPECT_TRUE(queue.push(c)); });
    EXPECT_EQ(queue.waiting(), 2u);
    EXPECT_EQ(taken(queue.takeBatch(1)), std::vector<PendingWrite*>{made[0]});
    third.join();
    EXPECT_EQ(taken(queue.takeBatch(10)), (std::vector<PendingWrite*>{made[1], made[2]}));
    ASSERT_TRUE(queue.push(d));
    queue.close();
    auto late = change();
    EXPECT_FALSE(queue.push(late));
    EXPECT_TRUE(late) << "a refused change stays with its caller";
    EXPECT_EQ(taken(queue.takeBatch(10)), std::vector<PendingWrite*>{made[3]});
    EXPECT_TRUE(queue.takeBatch(10).empty());
}

TEST_F(WriteQueueTest, ChangesHandedOverWithoutWaitingGoBeyondTheCapacityAndHoldWaitersBack) {
    auto a = change(), b = change(), c = change(), d = change();
    ASSERT_TRUE(queue.pushWithoutWaiting(a));
    ASSERT_TRUE(queue.pushWithoutWaiting(b));
    ASSERT_TRUE(queue.pushWithoutWaiting(c));
    EXPECT_EQ(queue.waiting(), 3u);
    std::atomic<bool> pushed{false};
    std::thread waiter([&] {
        EXPECT_TRUE(queue.push(d));
        pushed = true;
    });
    // One taken leaves two, still no room below the capacity.
    EXPECT_EQ(queue.takeBatch(1).size(), 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(pushed.load());
    EXPECT_EQ(queue.takeBatch(1).size(), 1u);
    waiter.join();
    EXPECT_TRUE(pushed.load());
    EXPECT_EQ(taken(queue.takeBatch(10)), (std::vector<PendingWrite*>{made[2], made[3]}));
    queue.close();
    auto late = change();
    EXPECT_FALSE(queue.pushWithoutWaiting(late));
    EXPECT_TRUE(late);
}

}  // namespace
}  // namespace pimra::server
