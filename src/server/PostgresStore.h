#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "Store.h"

namespace pimra::server {

// The shared store: one PostgreSQL database that any number of server processes use at once.
// Changes lock the rows they change (a table is locked by `findTable` inside `write`), so
// writes to different tables run side by side; a transaction that the database rolls back
// for a deadlock or a serialization conflict runs again. Reads see committed data, statement
// by statement. The schema is brought up to date on opening under a lock, so several
// processes may start together.
class PostgresStore final : public Store {
  public:
    static constexpr int kDefaultConnections = 16;

    // What this process has done on the database so far, for watching it.
    struct Stats {
        std::uint64_t writes = 0;           // changes committed
        std::uint64_t retries = 0;          // changes run again after a deadlock or conflict
        std::uint64_t lostConnections = 0;  // connections found broken
        std::uint64_t failures = 0;         // changes and reads given up with an error
        std::uint64_t connectionWaits = 0;  // requests that found every connection busy
        int connections = 0;                // connections open now
    };

    // `uri`: a libpq connection URI ("postgresql://user@host:port/db",
    // "postgresql:///db?host=/run/postgresql") or key=value string. Refuses with a StoreError
    // a database it cannot reach or whose schema is newer than this server knows.
    explicit PostgresStore(const std::string& uri, int maxConnections = kDefaultConnections);
    ~PostgresStore() override;
    PostgresStore(const PostgresStore&) = delete;
    PostgresStore& operator=(const PostgresStore&) = delete;

    void write(const Work& work) override;
    void read(const Work& work) override;

    int schemaVersion();
    Stats stats() const;
    // A line for the log about what happened since `before`; empty when nothing did.
    static std::string describeChanges(const Stats& before, const Stats& now);
    // The database server's own clock, in milliseconds since the epoch.
    std::int64_t databaseTimeMs();

    // True for the connection texts this store takes rather than a file name.
    static bool isConnectionUri(const std::string& text);
    // The connection text with any password blanked out, fit for a log.
    static std::string withoutPassword(const std::string& uri);

  private:
    class Pool;

    void migrate();
    void run(const Work& work, bool writing);

    std::string uri_;
    std::unique_ptr<Pool> pool_;
    std::atomic<std::uint64_t> writes_{0};
    std::atomic<std::uint64_t> retries_{0};
    std::atomic<std::uint64_t> lostConnections_{0};
    std::atomic<std::uint64_t> failures_{0};
};

}  // namespace pimra::server
