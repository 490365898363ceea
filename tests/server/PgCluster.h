#pragma once

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace pimra::server::test {

// A throw-away PostgreSQL cluster in a temporary folder: made with initdb, served by pg_ctl on
// a Unix socket in that folder and on a free loopback port, removed with the object. initdb
// refuses root, so under root the cluster runs as "nobody". Its superuser is "pimra", trusted
// without a password.
class PgCluster {
  public:
    // Gives nothing and says why in `error` where PostgreSQL cannot start here.
    static std::unique_ptr<PgCluster> start(std::string& error);
    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // postgresql:///DB?host=SOCKET_DIR&port=PORT&user=pimra
    std::string socketUri(const std::string& database) const;
    // postgresql://pimra@127.0.0.1:PORT/DB
    std::string tcpUri(const std::string& database) const;
    int port() const { return port_; }

    // Stops the database the way a crash would (no shutdown checkpoint) and starts it again.
    bool crashAndRestart(std::string& error);

  private:
    PgCluster(std::filesystem::path dir, uid_t uid, gid_t gid);
    bool startServer(std::string& error);
    // Runs a PostgreSQL program as the cluster's user; its output goes to `log`.
    int run(const std::vector<std::string>& args, const std::filesystem::path& log) const;
    std::string logTail(const std::filesystem::path& log) const;

    std::filesystem::path dir_;
    uid_t uid_;
    gid_t gid_;
    int port_ = -1;
    bool running_ = false;
};

// The cluster's binaries: PIMRA_PG_BIN or Debian's PostgreSQL 15.
std::filesystem::path pgBinDir();

// A database on the server named by a maintenance-database URI of the form
// postgresql:///postgres?..., made fresh for one test and dropped after it.
class PgTestDatabase {
  public:
    explicit PgTestDatabase(std::string maintenanceUri);
    ~PgTestDatabase();
    PgTestDatabase(const PgTestDatabase&) = delete;
    PgTestDatabase& operator=(const PgTestDatabase&) = delete;
    const std::string& uri() const { return uri_; }
    const std::string& name() const { return name_; }

  private:
    std::string maintenanceUri_;
    std::string name_;
    std::string uri_;
};

// The maintenance-database URI of the cluster that tests run against (PIMRA_TEST_DB), or
// empty when they run against SQLite.
std::string testDatabaseServer();

}  // namespace pimra::server::test
