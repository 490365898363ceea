#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "TestServer.h"

namespace pimra::server::test {
namespace {

constexpr const char* kServerError = "Ошибка сервера, попробуйте позже";

// A server on a SQLite file that the test locks or damages from outside, as a careless
// operator would.
class StoreFailureTest : public ServerTest {
  protected:
    void SetUp() override {
        ServerTest::SetUp();
        if (database_) GTEST_SKIP() << "about the SQLite file";
    }

    // Another connection that holds the file's write lock until `release`.
    void holdWriteLock() {
        ASSERT_EQ(sqlite3_open(dbPath().c_str(), &locker_), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(locker_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    void release() {
        if (!locker_) return;
        sqlite3_exec(locker_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(locker_);
        locker_ = nullptr;
    }
    void TearDown() override {
        release();
        ServerTest::TearDown();
    }

    // The rules page comes from memory: the server is up whatever its store does.
    void expectServing() {
        const auto page = client().get("/rules.html");
        ASSERT_TRUE(page);
        EXPECT_EQ(page->status, 200);
    }

    sqlite3* locker_ = nullptr;
};

TEST_F(StoreFailureTest, ALockedFileCostsTheRequestsOfTheMomentAndNotTheServer) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob);
    holdWriteLock();
    // Both wait out the busy timeout side by side, then get their errors.
    auto registration = std::async(
        std::launch::async, [&] { return client().registration("newcomer", "pass", "pass"); });
    auto moved = std::async(std::launch::async, [&] { return move(ann, table, 3); });
    const auto page = registration.get();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 503);
    EXPECT_NE(page->body.find("Ошибка сервера, попробуйте позже."), std::string::npos);
    EXPECT_EQ(moved.get()["response"], kServerError);
    // Reads go on meanwhile.
    EXPECT_EQ(getTable(table)["lastrecord"], "0");
    EXPECT_EQ(tableList()["response"], "Success");
    expectServing();

    release();
    const auto again = client().registration("newcomer", "pass", "pass");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 200);
    EXPECT_EQ(logIn("newcomer", "pass")["response"], "Success");
    EXPECT_EQ(move(ann, table, 3)["response"], "Success");
    EXPECT_EQ(getTable(table)["lastrecord"], "1");
}

TEST_F(StoreFailureTest, ADamagedFileGivesErrorPagesAndRepliesAndTheServerGoesOn) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob);
    ASSERT_EQ(client().get("/u/ann")->status, 200);
    // Everything is moved from the log into the file; then every page of the file but the
    // header is overwritten, under the running server.
    sqlite3* outside = nullptr;
    ASSERT_EQ(sqlite3_open(dbPath().c_str(), &outside), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(outside, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(outside);
    {
        std::fstream file(dbPath(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(0, std::ios::end);
        const auto size = static_cast<std::size_t>(file.tellg());
        ASSERT_GT(size, 100u);
        file.seekp(100);
        const std::string junk(size - 100, '\x5a');
        file.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    logIn("ann", "secret");

    const auto page = client().get("/u/ann");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 503);
    EXPECT_EQ(page->header("Content-Type"), "text/html; charset=utf-8");
    EXPECT_EQ(getTable(table)["response"], kServerError);
    EXPECT_EQ(tableList()["response"], kServerError);
    const auto registration = client().registration("newcomer", "pass", "pass");
    ASSERT_TRUE(registration);
    EXPECT_EQ(registration->status, 503);
    expectServing();
    EXPECT_EQ(client().get("/u/ann")->status, 503);
}

// The server's folder on a small file system of its own that the test fills, as a full disk.
// Mounting needs root; elsewhere the test is skipped.
class FullDiskTest : public StoreFailureTest {
  protected:
    void SetUp() override {
        StoreFailureTest::SetUp();
        if (IsSkipped()) return;
        server_.reset();
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        if (::mount("pimra-test", dir_.c_str(), "tmpfs", 0, "size=4m") != 0) {
            GTEST_SKIP() << "cannot mount a small file system: " << std::strerror(errno);
        }
        mounted_ = true;
        start();
    }
    void TearDown() override {
        server_.reset();
        if (mounted_) ::umount(dir_.c_str());
        StoreFailureTest::TearDown();
    }
    // Takes every free byte.
    void fillDisk() {
        std::ofstream filler(dir_ / "filler", std::ios::binary);
        const std::string block(64 * 1024, '\0');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) {
        }
    }
    void freeDisk() { std::filesystem::remove(dir_ / "filler"); }

    bool mounted_ = false;
};

TEST_F(FullDiskTest, AFullDiskRefusesChangesCleanlyWhileReadsGoOn) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob);
    fillDisk();
    const auto registration = client().registration("newcomer", "pass", "pass");
    ASSERT_TRUE(registration);
    EXPECT_EQ(registration->status, 503);
    EXPECT_EQ(move(ann, table, 3)["response"], kServerError);
    EXPECT_EQ(getTable(table)["lastrecord"], "0");
    EXPECT_EQ(tableList()["response"], "Success");
    EXPECT_EQ(client().get("/u/ann")->status, 200);
    expectServing();

    freeDisk();
    const auto again = client().registration("newcomer", "pass", "pass");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 200);
    EXPECT_EQ(move(ann, table, 3)["response"], "Success");
    EXPECT_EQ(getTable(table)["lastrecord"], "1");
}

}  // namespace
}  // namespace pimra::server::test
