// Instances on one PostgreSQL database tell each other of changes: NOTIFY out, LISTEN in, and a
// resync once a lost listening connection is back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <pqxx/pqxx>
#include <thread>
#include <vector>

#include "PostgresTestCluster.h"
#include "server/PostgresChangeFeed.h"
#include "server/PostgresChangeFeedConnection.h"

namespace pimra::server {

// Found by the test macros next to TableChange.
bool operator==(const TableChange& a, const TableChange& b) {
    return a.event == b.event && a.listChanged == b.listChanged && a.runsOutInMs == b.runsOutInMs;
}

namespace {

using test::postgresCluster;

constexpr auto kPatience = std::chrono::seconds(30);

// What one instance's watchers were told.
class Heard {
  public:
    void listenTo(PostgresChangeFeed& feed) {
        feed.listen(
            [this](const TableChange& change) {
                std::lock_guard lock(mutex_);
                changes_.push_back(change);
                changed_.notify_all();
            },
            [this] {
                std::lock_guard lock(mutex_);
                ++resyncs_;
                changed_.notify_all();
            });
    }
    // Waits until `count` changes came; they are handed back in order.
    std::vector<TableChange> changes(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, kPatience, [&] { return changes_.size() >= count; });
        return changes_;
    }
    int resyncs(int atLeast) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, kPatience, [&] { return resyncs_ >= atLeast; });
        return resyncs_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<TableChange> changes_;
    int resyncs_ = 0;
};

TableChange change(const std::string& table, int lastRecord, const std::string& login,
                   bool listChanged) {
    return {{table, lastRecord, net::TableResult::Running, login}, listChanged, std::nullopt};
}

bool waitUntil(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool waitUntilListening(const PostgresChangeFeed& feed) {
    return waitUntil([&] { return feed.stats().listening; });
}

class PostgresChangeFeedTest : public ::testing::Test {
  protected:
    void SetUp() override {
        database_ = std::make_unique<test::PgTestDatabase>(postgresCluster().socketUri("postgres"));
    }
    // The database's URI, with a name for the feed's connections to find them again.
    std::string uri(const std::string& name) const {
        return database_->uri() + "&application_name=" + name;
    }
    void sql(const std::string& statement) {
        pqxx::connection connection(database_->uri());
        pqxx::nontransaction tx(connection);
        tx.exec(statement);
    }
    static PostgresChangeFeed::Settings quick() {
        PostgresChangeFeed::Settings settings;
        settings.firstBackoff = std::chrono::milliseconds(20);
        settings.maxBackoff = std::chrono::milliseconds(200);
        return settings;
    }
    std::unique_ptr<test::PgTestDatabase> database_;
};

TEST_F(PostgresChangeFeedTest, EachInstanceHearsEveryChangeItsOwnIncludedAndIgnoresForeignNotices) {
    PostgresChangeFeed first(uri("first"), quick());
    PostgresChangeFeed second(uri("second"), quick());
    Heard heardByFirst;
    Heard heardBySecond;
    heardByFirst.listenTo(first);
    heardBySecond.listenTo(second);
    ASSERT_TRUE(waitUntilListening(first));
    ASSERT_TRUE(waitUntilListening(second));

    // Something else on the channel (an older server, a hand at psql) is passed over.
    sql("SELECT pg_notify('pimra_changes', 'not json'), pg_notify('pimra_changes', '{}')");
    auto timed = change("7", 12, "иван", false);
    timed.runsOutInMs = 61'500;
    first.publish(timed);
    second.publish(change("8", 1, "", true));

    for (Heard* heard : {&heardByFirst, &heardBySecond}) {
        const auto changes = heard->changes(2);
        ASSERT_EQ(changes.size(), 2u);
        // Each instance's own order holds; the two instances' changes may interleave.
        const auto& seven = changes[0].event.tableId == "7" ? changes[0] : changes[1];
        const auto& eight = changes[0].event.tableId == "7" ? changes[1] : changes[0];
        EXPECT_EQ(seven, timed);
        EXPECT_EQ(eight, change("8", 1, "", true));
    }
    // The sender counts a notice once its statement returns, which may be after it is heard.
    EXPECT_TRUE(waitUntil([&] { return first.stats().sent == 1u; }));
    EXPECT_EQ(heardByFirst.resyncs(0), 0);
}

TEST_F(PostgresChangeFeedTest, AKilledListeningConnectionComesBackAndAsksForOneResync) {
    PostgresChangeFeed watched(uri("watched"), quick());
    Heard heard;
    heard.listenTo(watched);
    ASSERT_TRUE(waitUntilListening(watched));

    // Both of its connections: the publisher must come back as well.
    sql("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
        "WHERE application_name = 'watched'");
    EXPECT_EQ(heard.resyncs(1), 1);
    ASSERT_TRUE(waitUntilListening(watched));

    PostgresChangeFeed other(uri("other"), quick());
    other.publish(change("3", 4, "anna", false));
    watched.publish(change("5", 6, "boris", true));
    const auto changes = heard.changes(2);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(watched.stats().lostConnections, 1u);
    EXPECT_EQ(heard.resyncs(1), 1);
}

TEST_F(PostgresChangeFeedTest, ChangesWaitForTheDatabaseKeepingTheNewestOfEachTableOrAResync) {
    // A database that does not exist yet: every feed fails until it is made.
    const std::string name = database_->name() + "_later";
    const std::string later = postgresCluster().socketUri(name);
    PostgresChangeFeed::Settings slow = quick();
    slow.firstBackoff = slow.maxBackoff = std::chrono::seconds(5);  // long after it is made
    std::mutex mutex;
    std::vector<std::string> lines;
    slow.log = [&](const std::string& line) {
        std::lock_guard lock(mutex);
        lines.push_back(line);
    };
    PostgresChangeFeed::Settings tight = slow;
    tight.maxWaitingTables = 1;
    auto listening = std::make_unique<PostgresChangeFeed>(later, quick());
    Heard heard;
    heard.listenTo(*listening);
    {
        PostgresChangeFeed coalescing(later, slow);
        PostgresChangeFeed overflowing(later, tight);
        coalescing.publish(change("1", 1, "x", true));
        for (int record = 2; record <= 1000; ++record) {
            coalescing.publish(change("1", record, "x", false));
        }
        coalescing.publish(change("2", 1, "y", false));
        overflowing.publish(change("3", 1, "z", false));
        overflowing.publish(change("4", 1, "w", false));  // past its bound of one table
        sql("CREATE DATABASE " + name);
        ASSERT_TRUE(waitUntilListening(*listening));
        EXPECT_EQ(heard.resyncs(1), 1);  // the listener's own, for the time it was away

        // The newest change of each table, with the lobby told if any of them changed it.
        auto changes = heard.changes(3);
        ASSERT_EQ(changes.size(), 3u);
        std::sort(changes.begin(), changes.end(),
                  [](const auto& a, const auto& b) { return a.event.tableId < b.event.tableId; });
        EXPECT_EQ(changes[0], change("1", 1000, "x", true));
        EXPECT_EQ(changes[1], change("2", 1, "y", false));
        EXPECT_EQ(changes[2], change("4", 1, "w", false));
        EXPECT_EQ(heard.resyncs(2), 2);  // table 3 was dropped: a resync stands for it
        EXPECT_TRUE(waitUntil([&] { return coalescing.stats().sent == 2u; }));
    }
    listening.reset();
    sql("DROP DATABASE " + name);
    std::lock_guard lock(mutex);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.front().find("cannot notify"), std::string::npos) << lines.front();
}

TEST(FeedConnectionTest, TimeoutsAreAddedToEitherFormOfConnectionTextUnlessGiven) {
    EXPECT_EQ(withFeedTimeouts("postgresql:///db?host=/run/pg&connect_timeout=3"),
              "postgresql:///db?host=/run/pg&connect_timeout=3&keepalives_idle=10"
              "&keepalives_interval=5&keepalives_count=3&tcp_user_timeout=30000");
    EXPECT_EQ(withFeedTimeouts("postgresql://u@h/db"),
              "postgresql://u@h/db?connect_timeout=10&keepalives_idle=10"
              "&keepalives_interval=5&keepalives_count=3&tcp_user_timeout=30000");
    EXPECT_EQ(withFeedTimeouts("dbname=db"),
              "dbname=db connect_timeout=10 keepalives_idle=10 keepalives_interval=5 "
              "keepalives_count=3 tcp_user_timeout=30000");
}

}  // namespace
}  // namespace pimra::server
