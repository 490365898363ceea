#include "SqliteStore.h"

#include <sqlite3.h>

#include <filesystem>
#include <future>
#include <vector>

#include "SqlTransaction.h"
#include "SqliteSession.h"
#include "StoreSchema.h"

namespace pimra::server {

namespace {

bool isMemory(const std::string& path) {
    return path.empty() || path == ":memory:";
}

sqlite3* openConnection(const std::string& path, int flags) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        throw StoreError("cannot open " + path + ": " + message);
    }
    sqlite3_busy_timeout(db, 5000);
    return db;
}

int schemaVersionOf(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &stmt, nullptr) != SQLITE_OK) {
        failOn(db, "cannot read the schema version");
    }
    int version = 0;
    if (sqlite3_step(stmt) == SQLITE_ROW) version = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    return version;
}

bool withoutWritePermission(const std::string& path) {
    if (isMemory(path)) return false;
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) return false;
    using std::filesystem::perms;
    return (status.permissions() &
            (perms::owner_write | perms::group_write | perms::others_write)) == perms::none;
}

}  // namespace

// A read connection with its own prepared statements.
struct SqliteStore::Reader {
    explicit Reader(sqlite3* connection)
        : db(connection), statements(std::make_unique<SqliteStatements>(connection)) {}
    ~Reader() {
        statements.reset();
        sqlite3_close(db);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    sqlite3* db;
    std::unique_ptr<SqliteStatements> statements;
};

// A read connection taken from the pool for one read, waiting for one to be free.
class SqliteStore::ReaderLease {
  public:
    explicit ReaderLease(SqliteStore& store) : store_(store) {
        std::unique_lock lock(store_.readersMutex_);
        if (store_.freeReaders_.empty()) ++store_.readWaits_;
        store_.readerFree_.wait(lock, [&] { return !store_.freeReaders_.empty(); });
        reader_ = store_.freeReaders_.back();
        store_.freeReaders_.pop_back();
    }
    ~ReaderLease() {
        {
            std::lock_guard lock(store_.readersMutex_);
            store_.freeReaders_.push_back(reader_);
        }
        store_.readerFree_.notify_one();
    }
    ReaderLease(const ReaderLease&) = delete;
    ReaderLease& operator=(const ReaderLease&) = delete;
    Reader& operator*() const { return *reader_; }
    Reader* operator->() const { return reader_; }

  private:
    SqliteStore& store_;
    Reader* reader_ = nullptr;
};

SqliteStore::SqliteStore(const std::string& path, int readers) {
    db_ = openConnection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    try {
        checkWritable(path);
        execSql(db_, "PRAGMA journal_mode = WAL");
        // A committed move must survive a power cut, not only a crash of the process.
        execSql(db_, "PRAGMA synchronous = FULL");
        execSql(db_, "PRAGMA foreign_keys = ON");
        statements_ = std::make_unique<SqliteStatements>(db_);
        migrate(path);
        // Each connection to ":memory:" would be a database of its own.
        if (!isMemory(path)) openReaders(path, std::max(1, readers));
        writer_ = std::thread([this] { writeLoop(); });
    } catch (...) {
        closeAll();
        throw;
    }
}

SqliteStore::~SqliteStore() {
    queue_.close();
    writer_.join();
    closeAll();
}

void SqliteStore::closeAll() {
    freeReaders_.clear();
    readers_.clear();
    statements_.reset();
    sqlite3_close(db_);
    db_ = nullptr;
}

void SqliteStore::migrate(const std::string& path) {
    const int version = schemaVersionOf(db_);
    checkSchemaVersion(version, path);
    checkIntegrity(path);
    SqliteSession session(*statements_, texts_, true);
    for (int next = version + 1; next <= latestSchemaVersion(); ++next) {
        execSql(db_, "BEGIN IMMEDIATE");
        try {
            upgradeSchema(session, kSqliteDialect, next);
            execSql(db_, ("PRAGMA user_version = " + std::to_string(next)).c_str());
            execSql(db_, "COMMIT");
        } catch (...) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
}

void SqliteStore::openReaders(const std::string& path, int count) {
    for (int i = 0; i < count; ++i) {
        auto reader = std::make_unique<Reader>(openConnection(path, SQLITE_OPEN_READWRITE));
        execSql(reader->db, "PRAGMA query_only = 1");
        freeReaders_.push_back(reader.get());
        readers_.push_back(std::move(reader));
    }
}

void SqliteStore::checkWritable(const std::string& path) {
    if (sqlite3_db_readonly(db_, "main") == 1 || withoutWritePermission(path)) {
        throw StoreError("the database " + path + " is read-only");
    }
}

void SqliteStore::checkIntegrity(const std::string& path) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, "PRAGMA quick_check", -1, &stmt, nullptr) != SQLITE_OK) {
        failOn(db_, "cannot check the database " + path);
    }
    std::string verdict;
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        const auto* text = sqlite3_column_text(stmt, 0);
        verdict = text ? reinterpret_cast<const char*>(text) : "";
    } else {
        verdict = sqlite3_errmsg(db_);
    }
    sqlite3_finalize(stmt);
    if (verdict != "ok") {
        throw StoreError("the database " + path + " is damaged (" + verdict + ")");
    }
}

int SqliteStore::schemaVersion() {
    int version = 0;
    if (readers_.empty()) {
        write([&](StoreTransaction&) { version = schemaVersionOf(db_); });
    } else {
        ReaderLease reader(*this);
        version = schemaVersionOf(reader->db);
    }
    return version;
}

SqliteStore::Stats SqliteStore::stats() const {
    return Stats{writes_.load(), batches_.load(), queue_.waiting(), readWaits_.load()};
}

std::string SqliteStore::describeChanges(const Stats& before, const Stats& now) {
    const std::uint64_t writes = now.writes - before.writes;
    const std::uint64_t batches = now.batches - before.batches;
    const std::uint64_t readWaits = now.readWaits - before.readWaits;
    if (writes == 0 && readWaits == 0) return "";
    return "store: " + std::to_string(writes) + " changes in " + std::to_string(batches) +
           " commits, " + std::to_string(now.waiting) + " waiting for the writer, " +
           std::to_string(readWaits) + " reads waited for a connection";
}

void SqliteStore::write(const Work& work) {
    // Owned by the callback too: the writer may still be inside it when the caller goes on.
    const auto finished = std::make_shared<std::promise<void>>();
    std::future<void> saved = finished->get_future();
    enqueue([&work](StoreTransaction& tx) { work(tx); },
            [finished](const std::exception_ptr& error) {
                if (error) {
                    finished->set_exception(error);
                } else {
                    finished->set_value();
                }
            },
            true);
    saved.get();
}

void SqliteStore::writeThen(Work work, Done done) {
    enqueue(std::move(work), std::move(done), false);
}

void SqliteStore::enqueue(Work work, Done done, bool waitForRoom) {
    auto pending =
        std::make_unique<PendingWrite>(PendingWrite{std::move(work), std::move(done), {}});
    const bool taken = waitForRoom ? queue_.push(pending) : queue_.pushWithoutWaiting(pending);
    if (!taken) pending->done(std::make_exception_ptr(StoreError("the store is closed")));
}

void SqliteStore::read(const Work& work) {
    if (readers_.empty()) {
        write(work);
        return;
    }
    ReaderLease reader(*this);
    execSql(reader->db, "BEGIN");
    try {
        SqliteSession session(*reader->statements, texts_, false);
        SqlTransaction transaction(session, kSqliteDialect);
        work(transaction);
        execSql(reader->db, "COMMIT");
    } catch (...) {
        sqlite3_exec(reader->db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void SqliteStore::writeLoop() {
    for (;;) {
        std::vector<std::unique_ptr<PendingWrite>> batch = queue_.takeBatch(kMaxBatch);
        if (batch.empty()) return;
        try {
            if (!runBatch(batch)) failWaiting(batch);
        } catch (...) {
            // Whatever escapes a batch costs that batch, not the writer: its changes are
            // taken back and their callers told.
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            for (const auto& pending : batch) pending->error = std::current_exception();
        }
        writes_ += batch.size();
        ++batches_;
        for (const auto& pending : batch) {
            try {
                pending->done(pending->error);
            } catch (...) {
                // Nobody is left to tell: the writer goes on with the next batch.
            }
        }
    }
}

// The changes that came while the batch waited in vain for the file have waited as long as
// it did: they share its error rather than wait that long again. Later ones try afresh.
void SqliteStore::failWaiting(std::vector<std::unique_ptr<PendingWrite>>& batch) {
    const std::exception_ptr why = batch.back()->error;
    for (auto& pending : queue_.takeWaiting(kMaxWaitingWrites)) {
        pending->error = why;
        batch.push_back(std::move(pending));
    }
}

// Takes back the change that just failed, keeping the batch's other changes. False when the
// batch's transaction is gone: SQLite ends a transaction itself on some errors (a full disk,
// an I/O error).
bool SqliteStore::undoLastChange() {
    if (sqlite3_get_autocommit(db_) != 0) return false;
    return sqlite3_exec(db_, "ROLLBACK TO change; RELEASE change", nullptr, nullptr, nullptr) ==
           SQLITE_OK;
}

bool SqliteStore::runBatch(const std::vector<std::unique_ptr<PendingWrite>>& batch) {
    // The changes run so far in the open transaction, to be saved by its commit.
    std::vector<PendingWrite*> done;
    bool open = false;
    const auto abandon = [&](const std::exception_ptr& why) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        for (PendingWrite* pending : done) pending->error = why;
        done.clear();
        open = false;
    };
    for (std::size_t i = 0; i < batch.size(); ++i) {
        PendingWrite* pending = batch[i].get();
        try {
            if (!open) {
                statements_->query("BEGIN IMMEDIATE").step();
                open = true;
            }
        } catch (...) {
            // The file cannot be written now (locked past the busy timeout, a full disk): the
            // rest of the batch would wait and fail the same way. Later batches try again.
            const std::exception_ptr why = std::current_exception();
            for (std::size_t j = i; j < batch.size(); ++j) batch[j]->error = why;
            return false;
        }
        try {
            statements_->query("SAVEPOINT change").step();
            SqliteSession session(*statements_, texts_, true);
            SqlTransaction transaction(session, kSqliteDialect);
            pending->work(transaction);
            statements_->query("RELEASE change").step();
            done.push_back(pending);
        } catch (...) {
            pending->error = std::current_exception();
            if (!undoLastChange()) {
                abandon(std::make_exception_ptr(
                    StoreError("the change was not saved: its transaction failed")));
            }
        }
    }
    if (!open) return true;
    try {
        statements_->query("COMMIT").step();
    } catch (...) {
        abandon(std::current_exception());
    }
    return true;
}

}  // namespace pimra::server
