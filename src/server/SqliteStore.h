#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "Store.h"

struct sqlite3;

namespace pimra::server {

// The embedded store: one SQLite file in WAL mode (or ":memory:"), schema brought up to date
// on opening. One connection serves all threads, one transaction at a time. Opening refuses,
// with a StoreError that names the file, a read-only file, a schema version it does not know
// and a file that fails SQLite's quick check.
class SqliteStore final : public Store {
  public:
    explicit SqliteStore(const std::string& path);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    void write(const Work& work) override;
    void read(const Work& work) override;

    // The schema version the file has after opening.
    int schemaVersion();

  private:
    class Statements;
    class Transaction;

    void run(const Work& work, const char* begin);
    void checkWritable(const std::string& path);
    void checkIntegrity(const std::string& path);

    std::mutex mutex_;
    sqlite3* db_ = nullptr;
    std::unique_ptr<Statements> statements_;
};

}  // namespace pimra::server
