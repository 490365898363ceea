// The desktop client's own network layer talking https to pimra-server through the nginx front
// that deploy/nginx ships, with a certificate made for the test. Skipped where nginx or openssl
// is missing or nginx cannot start here.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "FreePort.h"
#include "TestServer.h"
#include "net/CurlTransport.h"
#include "net/Reply.h"
#include "net/Requests.h"
#include "net/ServerConnection.h"

namespace pimra::net {

// Readable outcomes in failure messages.
void PrintTo(HttpResult::Outcome outcome, std::ostream* out) {
    switch (outcome) {
        case HttpResult::Outcome::Received:
            *out << "Received";
            return;
        case HttpResult::Outcome::Failed:
            *out << "Failed";
            return;
        case HttpResult::Outcome::Cancelled:
            *out << "Cancelled";
            return;
    }
    *out << "unknown outcome";
}

}  // namespace pimra::net

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// nginx lives in /usr/sbin, which an ordinary user's PATH often lacks.
std::string searchPath() {
    const char* path = std::getenv("PATH");
    return std::string(path ? path : "/usr/bin:/bin") + ":/usr/sbin:/sbin";
}

std::optional<fs::path> findProgram(const std::string& name) {
    std::stringstream dirs(searchPath());
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) continue;
        const fs::path candidate = fs::path(dir) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

// Runs a program to its end with its output in `log`; gives its exit code, or -1.
int runProgram(const std::vector<std::string>& args, const fs::path& log) {
    const auto program = findProgram(args.at(0));
    if (!program) return -1;
    // Everything the child needs is made before the fork: this process has threads.
    std::vector<std::string> environment = {"PATH=" + searchPath()};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string(*entry).rfind("PATH=", 0) != 0) environment.emplace_back(*entry);
    }
    std::vector<char*> argv, envp;
    argv.push_back(const_cast<char*>(program->c_str()));
    for (std::size_t i = 1; i < args.size(); ++i)
        argv.push_back(const_cast<char*>(args[i].c_str()));
    argv.push_back(nullptr);
    for (auto& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    if (out >= 0) ::close(out);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Polls until something accepts connections on the port, for at most about five seconds.
bool waitForListener(int port) {
    for (int attempt = 0; attempt < 250; ++attempt) {
        if (pimra::server::test::RawSocket(port).connected()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

std::string fileText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A folder of its own, gone with everything in it at the end.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "pimra-tls-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// pimra-server on a port of its own choosing with an in-memory store, behind a proxy.
class ServerProcess {
  public:
    ServerProcess() {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(pipeFds[1], STDERR_FILENO);
            ::close(pipeFds[0]);
            ::execl(PIMRA_SERVER_PATH, PIMRA_SERVER_PATH, "--port", "0", "--db",
                    ":memory:", "--trust-proxy", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        stderr_ = ::fdopen(pipeFds[0], "r");
        const std::string listening = "listening on http://127.0.0.1:";
        char line[512];
        while (stderr_ && std::fgets(line, sizeof(line), stderr_)) {
            const std::string text = line;
            if (const auto at = text.find(listening); at != std::string::npos) {
                port_ = std::stoi(text.substr(at + listening.size()));
                break;
            }
        }
    }
    ~ServerProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (stderr_) std::fclose(stderr_);
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    int port() const { return port_; }

  private:
    pid_t pid_ = -1;
    int port_ = -1;
    FILE* stderr_ = nullptr;
};

// nginx started by the shipped start script; it runs as a daemon, so it is stopped through the
// pid file it writes.
class NginxFront {
  public:
    NginxFront(const fs::path& dir, const fs::path& cert, const fs::path& key, int upstreamPort)
        : work_(dir / "nginx"), log_(dir / "start.log") {
        // The free port may be taken again before nginx binds it: try a few.
        for (int attempt = 0; attempt < 3 && port_ < 0; ++attempt) {
            const int port = pimra::test::freeLoopbackPort();
            const int code = runProgram(
                {"bash", PIMRA_SOURCE_DIR "/deploy/nginx/start.sh", cert.string(), key.string(),
                 std::to_string(port), "127.0.0.1:" + std::to_string(upstreamPort), work_.string()},
                log_);
            if (code == 0 && waitForListener(port)) {
                port_ = port;
            } else {
                stop();
            }
        }
    }
    ~NginxFront() { stop(); }
    NginxFront(const NginxFront&) = delete;
    NginxFront& operator=(const NginxFront&) = delete;

    // Negative when nginx did not come up.
    int port() const { return port_; }
    // nginx's own check of the configuration the script wrote: a fault of ours when it fails,
    // where a start that fails with a sound configuration is this machine's (ports, rights).
    bool configurationSound() const {
        return runProgram(
                   {"nginx", "-t", "-c", (work_ / "nginx.conf").string(), "-p", work_.string()},
                   log_) == 0;
    }
    std::string why() const { return fileText(log_) + fileText(work_ / "error.log"); }

  private:
    void stop() {
        std::ifstream pidFile(work_ / "nginx.pid");
        pid_t pid = -1;
        if (!(pidFile >> pid) || pid <= 0) return;
        pidFile.close();
        std::error_code ignored;
        fs::remove(work_ / "nginx.pid", ignored);
        ::kill(pid, SIGTERM);
        // Not our child: wait for it to be gone, within bounds.
        for (int attempt = 0; attempt < 250 && ::kill(pid, 0) == 0; ++attempt) {
            std::this_thread::sleep_for(20ms);
        }
    }

    fs::path work_;
    fs::path log_;
    int port_ = -1;
};

// Sets an environment variable for the life of the object, then puts back what was there.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class TlsFrontTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!findProgram("nginx")) GTEST_SKIP() << "nginx is not installed";
        if (!findProgram("openssl")) GTEST_SKIP() << "openssl is not installed";
        ASSERT_FALSE(dir_.path().empty());
        ASSERT_EQ(makeCertificate(), 0) << fileText(dir_.path() / "openssl.log");
        server_ = std::make_unique<ServerProcess>();
        ASSERT_GT(server_->port(), 0);
        front_ = std::make_unique<NginxFront>(dir_.path(), cert(), key(), server_->port());
        if (front_->port() < 0) {
            ASSERT_TRUE(front_->configurationSound()) << front_->why();
            GTEST_SKIP() << "nginx does not start here:\n" << front_->why();
        }
    }

    // Self-signed for the loopback address and for localhost, valid for two days.
    int makeCertificate() {
        return runProgram({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                           "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                           "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost",
                           "-keyout", key().string(), "-out", cert().string()},
                          dir_.path() / "openssl.log");
    }
    fs::path cert() const { return dir_.path() / "cert.pem"; }
    fs::path key() const { return dir_.path() / "key.pem"; }
    std::string engineUrl(const std::string& host = "127.0.0.1") const {
        return "https://" + host + ":" + std::to_string(front_->port()) + "/engine/";
    }
    void registerAccount(const std::string& login, const std::string& password) {
        const auto done =
            pimra::server::test::Client(server_->port()).registration(login, password, password);
        ASSERT_TRUE(done);
        ASSERT_NE(done->body.find("успешно"), std::string::npos) << done->body;
    }

    TempDir dir_;
    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<NginxFront> front_;
};

TEST_F(TlsFrontTest, ClientLogsInCreatesAndReadsATableOverHttps) {
    registerAccount("tlsann", "secret");
    ScopedEnv trust("PIMRA_CA_FILE", cert().string());
    pimra::net::CurlTransport transport(engineUrl());
    pimra::net::ServerConnection connection(transport);

    ASSERT_TRUE(connection.Login("tlsann", "secret")) << connection.StatusText();
    EXPECT_TRUE(connection.session().LoggedIn());

    const auto created =
        connection.SendPost(pimra::net::NewTableRequest(connection.session(), 300, "3"));
    ASSERT_TRUE(created.ok) << connection.StatusText();
    const std::string table = pimra::net::FieldText(*created.reply, "ind");
    ASSERT_FALSE(table.empty()) << *created.reply;

    const auto list = connection.SendPost(pimra::net::TableListRequest());
    ASSERT_TRUE(list.reply) << connection.StatusText();
    ASSERT_EQ(list.reply->value("tables", pimra::net::Reply::array()).size(), 1u) << *list.reply;
    EXPECT_EQ(pimra::net::FieldText((*list.reply)["tables"][0], "login1"), "tlsann");

    const auto state = connection.SendPost(pimra::net::GetTableRequest(std::stoi(table)));
    ASSERT_TRUE(state.reply) << connection.StatusText();
    EXPECT_EQ(pimra::net::FieldText(*state.reply, "login1"), "tlsann");
    EXPECT_EQ(pimra::net::FieldText(*state.reply, "result"), "0");
    EXPECT_FALSE(connection.ServerDown());

    // The certificate names localhost too.
    pimra::net::CurlTransport byName(engineUrl("localhost"));
    EXPECT_EQ(byName.Post(pimra::net::EncodeForm(pimra::net::TableListRequest())).outcome,
              pimra::net::HttpResult::Outcome::Received);
}

TEST_F(TlsFrontTest, AnUntrustedCertificateFailsLikeAnUnreachableServer) {
    registerAccount("tlsbob", "secret");
    const std::string body = pimra::net::EncodeForm(pimra::net::TableListRequest());
    {
        ScopedEnv untrusted("PIMRA_CA_FILE", std::nullopt);
        pimra::net::CurlTransport transport(engineUrl());
        const auto result = transport.Post(body);
        EXPECT_EQ(result.outcome, pimra::net::HttpResult::Outcome::Failed);
        EXPECT_TRUE(result.body.empty());
        EXPECT_FALSE(result.error.empty());

        pimra::net::ServerConnection connection(transport);
        EXPECT_FALSE(connection.Login("tlsbob", "secret"));
        EXPECT_FALSE(connection.session().LoggedIn());
        EXPECT_TRUE(connection.ServerDown());
        EXPECT_EQ(connection.StatusText(), pimra::net::kServerUnreachableText);
    }
    // Another authority's certificate is no better than none.
    const fs::path otherCert = dir_.path() / "other.pem";
    ASSERT_EQ(runProgram({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                          "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                          "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                          (dir_.path() / "other-key.pem").string(), "-out", otherCert.string()},
                         dir_.path() / "openssl.log"),
              0);
    {
        ScopedEnv wrongAuthority("PIMRA_CA_FILE", otherCert.string());
        pimra::net::CurlTransport transport(engineUrl());
        EXPECT_EQ(transport.Post(body).outcome, pimra::net::HttpResult::Outcome::Failed);
    }
    // The same front with its own certificate trusted answers: the failures above were the
    // certificate's, not a dead front's.
    ScopedEnv trusted("PIMRA_CA_FILE", cert().string());
    pimra::net::CurlTransport transport(engineUrl());
    const auto result = transport.Post(body);
    ASSERT_EQ(result.outcome, pimra::net::HttpResult::Outcome::Received) << result.error;
    EXPECT_TRUE(pimra::net::ParseReply(result.body));
}

}  // namespace
