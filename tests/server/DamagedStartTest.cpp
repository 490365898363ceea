#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "server/SqliteStore.h"

namespace {

namespace fs = std::filesystem;

struct Finished {
    int exitCode = -1;
    std::string stderrText;
};

// The real pimra-server on `db`, run to its end; nothing on it may listen for long.
Finished runServer(const std::string& db) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], STDERR_FILENO);
        ::close(pipeFds[0]);
        ::execl(PIMRA_SERVER_PATH, PIMRA_SERVER_PATH, "--port", "0", "--db", db.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    Finished finished;
    FILE* in = ::fdopen(pipeFds[0], "r");
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        finished.stderrText.append(buffer, n);
    std::fclose(in);
    int status = 0;
    ::waitpid(pid, &status, 0);
    finished.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return finished;
}

// A database of the server's, then pages of its own that the server never reads at start,
// their headers overwritten: only SQLite's check of the whole file finds them.
void makeDamagedDatabase(const fs::path& path) {
    { pimra::server::SqliteStore store(path.string()); }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA journal_mode=DELETE; VACUUM;", nullptr, nullptr, nullptr),
              SQLITE_OK);
    const auto before = fs::file_size(path);
    ASSERT_EQ(
        sqlite3_exec(db,
                     "CREATE TABLE filler(id INTEGER PRIMARY KEY, data BLOB);"
                     "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                     "WHERE i < 3000) INSERT INTO filler(data) SELECT randomblob(300) FROM n;",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
    const auto size = fs::file_size(path);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    for (std::uintmax_t at = before + 4 * 4096; at + 4096 <= size; at += 4096 * 5) {
        file.seekp(static_cast<std::streamoff>(at));
        file.write(std::string(64, '\x5a').data(), 64);
    }
}

TEST(DamagedStart, ADamagedDatabaseStopsTheServerWithOneLine) {
    const fs::path dir =
        fs::temp_directory_path() / ("pimra-damaged-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path db = dir / "server.db";
    makeDamagedDatabase(db);

    const Finished finished = runServer(db.string());
    EXPECT_EQ(finished.exitCode, 1);
    ASSERT_FALSE(finished.stderrText.empty());
    EXPECT_EQ(finished.stderrText.find('\n'), finished.stderrText.size() - 1)
        << finished.stderrText;
    EXPECT_EQ(finished.stderrText.rfind("pimra-server: ", 0), 0u) << finished.stderrText;
    EXPECT_NE(finished.stderrText.find("damaged"), std::string::npos) << finished.stderrText;
    fs::remove_all(dir);
}

}  // namespace
