#include "PgCluster.h"

#include "FreePort.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <pqxx/pqxx>
#include <sstream>

namespace pimra::server::test {

namespace fs = std::filesystem;

fs::path pgBinDir() {
    if (const char* dir = std::getenv("PIMRA_PG_BIN"); dir && *dir) return dir;
    return "/usr/lib/postgresql/15/bin";
}

std::unique_ptr<PgCluster> PgCluster::start(std::string& error) {
    const fs::path bin = pgBinDir();
    if (::access((bin / "initdb").c_str(), X_OK) != 0 ||
        ::access((bin / "pg_ctl").c_str(), X_OK) != 0) {
        error = "PostgreSQL's initdb and pg_ctl are not in " + bin.string() +
                " (Debian's postgresql-15, or PIMRA_PG_BIN)";
        return nullptr;
    }
    uid_t uid = ::geteuid();
    gid_t gid = ::getegid();
    if (uid == 0) {
        // initdb will not run as root.
        const passwd* nobody = ::getpwnam("nobody");
        if (nobody == nullptr) {
            error = "running as root and there is no user \"nobody\" to run PostgreSQL as";
            return nullptr;
        }
        uid = nobody->pw_uid;
        gid = nobody->pw_gid;
    }
    std::string pattern = (fs::temp_directory_path() / "pimra-pg-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        error = "cannot make a temporary folder";
        return nullptr;
    }
    std::unique_ptr<PgCluster> cluster(new PgCluster(pattern, uid, gid));
    if (::chown(pattern.c_str(), uid, gid) != 0) {
        error = "cannot hand the folder " + pattern + " to the cluster's user";
        return nullptr;
    }
    const fs::path log = cluster->dir_ / "initdb.log";
    if (cluster->run({(bin / "initdb").string(), "-D", (cluster->dir_ / "data").string(), "-U",
                      "pimra", "--auth=trust", "-E", "UTF8", "--no-locale", "--no-sync"},
                     log) != 0) {
        error = "initdb failed:\n" + cluster->logTail(log);
        return nullptr;
    }
    // The free port may be taken again before the server binds it: try a few.
    for (int attempt = 0; attempt < 3 && !cluster->running_; ++attempt) {
        cluster->port_ = pimra::test::freeLoopbackPort();
        cluster->startServer(error);
    }
    if (!cluster->running_) return nullptr;
    error.clear();
    return cluster;
}

PgCluster::PgCluster(fs::path dir, uid_t uid, gid_t gid)
    : dir_(std::move(dir)), uid_(uid), gid_(gid) {}

PgCluster::~PgCluster() {
    if (running_) {
        run({(pgBinDir() / "pg_ctl").string(), "-D", (dir_ / "data").string(), "-m", "fast", "-w",
             "stop"},
            dir_ / "stop.log");
    }
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

bool PgCluster::startServer(std::string& error) {
    const fs::path log = dir_ / "server.log";
    std::ostringstream options;
    options << "-k " << dir_.string() << " -p " << port_
            << " -c listen_addresses=127.0.0.1 -c max_connections=300"
            << " -c shared_buffers=64MB -c deadlock_timeout=100ms";
    running_ = run({(pgBinDir() / "pg_ctl").string(), "-D", (dir_ / "data").string(), "-l",
                    log.string(), "-w", "-t", "60", "-o", options.str(), "start"},
                   dir_ / "pg_ctl.log") == 0;
    if (!running_) error = "PostgreSQL does not start here:\n" + logTail(log);
    return running_;
}

bool PgCluster::crashAndRestart(std::string& error) {
    if (run({(pgBinDir() / "pg_ctl").string(), "-D", (dir_ / "data").string(), "-m", "immediate",
             "-w", "stop"},
            dir_ / "stop.log") != 0) {
        error = "the immediate stop failed:\n" + logTail(dir_ / "stop.log");
        return false;
    }
    running_ = false;
    return startServer(error);
}

std::string PgCluster::socketUri(const std::string& database) const {
    return "postgresql:///" + database + "?host=" + dir_.string() +
           "&port=" + std::to_string(port_) + "&user=pimra";
}

std::string PgCluster::tcpUri(const std::string& database) const {
    return "postgresql://pimra@127.0.0.1:" + std::to_string(port_) + "/" + database;
}

int PgCluster::run(const std::vector<std::string>& args, const fs::path& log) const {
    // Everything the child needs is made before the fork: this process may have threads.
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (out >= 0 && ::fchown(out, uid_, gid_) != 0) {
        // Only the cluster's user writes to it; the program will say so if it cannot.
    }
    const bool switchUser = ::geteuid() != uid_;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        if (switchUser &&
            (::setgroups(0, nullptr) != 0 || ::setgid(gid_) != 0 || ::setuid(uid_) != 0)) {
            ::_exit(126);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (out >= 0) ::close(out);
    if (pid < 0) return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string PgCluster::logTail(const fs::path& log) const {
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.size() > 2000 ? text.substr(text.size() - 2000) : text;
}

PgTestDatabase::PgTestDatabase(std::string maintenanceUri)
    : maintenanceUri_(std::move(maintenanceUri)) {
    static std::atomic<int> count{0};
    name_ = "pimra_test_" + std::to_string(::getpid()) + "_" + std::to_string(++count);
    const std::string prefix = "postgresql:///postgres";
    uri_ = "postgresql:///" + name_ + maintenanceUri_.substr(prefix.size());
    pqxx::connection admin(maintenanceUri_);
    pqxx::nontransaction tx(admin);
    tx.exec("CREATE DATABASE " + tx.quote_name(name_));
}

PgTestDatabase::~PgTestDatabase() {
    try {
        pqxx::connection admin(maintenanceUri_);
        pqxx::nontransaction tx(admin);
        tx.exec("DROP DATABASE IF EXISTS " + tx.quote_name(name_) + " WITH (FORCE)");
    } catch (const std::exception&) {
        // The cluster goes away with its folder in the end.
    }
}

std::string testDatabaseServer() {
    const char* uri = std::getenv("PIMRA_TEST_DB");
    return uri ? uri : "";
}

}  // namespace pimra::server::test
