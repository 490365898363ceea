#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Store.h"
#include "StoreStatements.h"
#include "WriteQueue.h"

struct sqlite3;

namespace pimra::server {

class SqliteStatements;

// The embedded store: one SQLite file in WAL mode (or ":memory:"), schema brought up to date
// on opening. Opening refuses, with a StoreError that names the file, a read-only file, a
// schema version it does not know and a file that fails SQLite's quick check.
//
// Reads run on a small pool of connections of their own and never wait for a change. Changes
// run one after another on one writer connection and thread, so writes to one table are
// serialised. The changes that arrive while a batch is being made durable share the next
// transaction and its sync (group commit), each inside a savepoint of its own, so that a
// change that fails takes back only itself. `write` returns once its own change is on disk
// (synchronous=FULL); `writeThen` queues the change and is told the same by the writer. A
// ":memory:" store has only the writer connection, which reads use too.
class SqliteStore final : public Store {
  public:
    static constexpr int kDefaultReaders = 4;
    // Changes waiting for the writer; beyond this, `write` waits for room.
    static constexpr std::size_t kMaxWaitingWrites = 1024;
    // Changes sharing one transaction at most.
    static constexpr std::size_t kMaxBatch = 256;

    // What the writer has done so far, for watching the store.
    struct Stats {
        std::uint64_t writes = 0;     // changes run, saved or failed
        std::uint64_t batches = 0;    // transactions committed or tried
        std::size_t waiting = 0;      // changes queued for the writer now
        std::uint64_t readWaits = 0;  // reads that found every read connection busy
    };

    explicit SqliteStore(const std::string& path, int readers = kDefaultReaders);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    void write(const Work& work) override;
    void read(const Work& work) override;
    // Queues the change and returns at once, even with the queue full: the caller bounds how
    // many changes it has handed over (the HTTP front, one per open connection). The writer
    // thread calls `done` after the commit that carries the change.
    void writeThen(Work work, Done done) override;
    bool queuesWrites() const override { return true; }

    // The schema version the file has after opening.
    int schemaVersion();
    Stats stats() const;
    // A line for the log about what happened since `before`; empty when nothing did.
    static std::string describeChanges(const Stats& before, const Stats& now);

  private:
    struct Reader;
    class ReaderLease;

    void checkWritable(const std::string& path);
    void checkIntegrity(const std::string& path);
    void migrate(const std::string& path);
    void openReaders(const std::string& path, int count);
    void closeAll();
    void writeLoop();
    // False when no transaction could be begun: the file cannot be written now.
    bool runBatch(const std::vector<std::unique_ptr<PendingWrite>>& batch);
    void failWaiting(std::vector<std::unique_ptr<PendingWrite>>& batch);
    bool undoLastChange();
    void enqueue(Work work, Done done, bool waitForRoom);

    // The writer connection: migrations while opening, then only the writer thread.
    sqlite3* db_ = nullptr;
    std::unique_ptr<SqliteStatements> statements_;
    const std::vector<std::string> texts_ = storeStatements(kSqliteDialect);

    std::vector<std::unique_ptr<Reader>> readers_;
    std::mutex readersMutex_;
    std::condition_variable readerFree_;
    std::vector<Reader*> freeReaders_;

    WriteQueue queue_{kMaxWaitingWrites};
    std::atomic<std::uint64_t> writes_{0};
    std::atomic<std::uint64_t> batches_{0};
    std::atomic<std::uint64_t> readWaits_{0};
    std::thread writer_;
};

}  // namespace pimra::server
