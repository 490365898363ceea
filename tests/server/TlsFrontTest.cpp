// The desktop client's own network layer talking https to pimra-server through the nginx front
// that deploy/nginx ships, with a certificate made for the test. Skipped where nginx or openssl
// is missing or nginx cannot start here.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
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
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // openssl s_client ends at the end of its input.
        if (in >= 0) ::dup2(in, STDIN_FILENO);
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    if (out >= 0) ::close(out);
    if (in >= 0) ::close(in);
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

// One request to the front with libcurl from a loopback address of its own choosing, as from
// a host of its own; a body given is sent slowly, a byte at a time, until `hurry` is set.
struct FrontReply {
    long status = 0;                             // 0: no reply
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
};

class FrontCall {
  public:
    FrontCall(std::string url, std::string source, std::string caFile)
        : url_(std::move(url)), source_(std::move(source)), caFile_(std::move(caFile)) {}

    FrontReply get() { return perform(nullptr); }
    FrontReply postSlowly(const std::string& body, const std::atomic<bool>& hurry,
                          std::atomic<int>& started) {
        Upload upload{body, 0, &hurry, &started, false};
        return perform(&upload);
    }

  private:
    struct Upload {
        const std::string& body;
        std::size_t sent;
        const std::atomic<bool>* hurry;
        std::atomic<int>* started;
        bool counted;
    };

    static std::size_t readBody(char* buffer, std::size_t size, std::size_t count, void* data) {
        auto* upload = static_cast<Upload*>(data);
        if (!upload->counted) {
            upload->counted = true;
            upload->started->fetch_add(1);
        }
        if (!upload->hurry->load()) std::this_thread::sleep_for(100ms);
        const std::size_t room = size * count;
        const std::size_t step = upload->hurry->load() ? room : 1;
        const std::size_t n = std::min({step, room, upload->body.size() - upload->sent});
        std::memcpy(buffer, upload->body.data() + upload->sent, n);
        upload->sent += n;
        return n;
    }
    static std::size_t keepBody(char* data, std::size_t size, std::size_t count, void* reply) {
        static_cast<FrontReply*>(reply)->body.append(data, size * count);
        return size * count;
    }
    static std::size_t keepHeader(char* data, std::size_t size, std::size_t count, void* reply) {
        const std::string line(data, size * count);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            value.erase(value.find_last_not_of("\r\n ") + 1);
            static_cast<FrontReply*>(reply)->headers[name] = value;
        }
        return size * count;
    }

    FrontReply perform(Upload* upload) {
        FrontReply reply;
        CURL* curl = curl_easy_init();
        if (curl == nullptr) return reply;
        curl_easy_setopt(curl, CURLOPT_URL, url_.c_str());
        curl_easy_setopt(curl, CURLOPT_INTERFACE, ("host!" + source_).c_str());
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile_.c_str());
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &FrontCall::keepBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &FrontCall::keepHeader);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply);
        curl_slist* headers = nullptr;
        if (upload != nullptr) {
            headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
            headers = curl_slist_append(headers, "Expect:");
            curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
            curl_easy_setopt(curl, CURLOPT_POST, 1L);
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(upload->body.size()));
            curl_easy_setopt(curl, CURLOPT_READFUNCTION, &FrontCall::readBody);
            curl_easy_setopt(curl, CURLOPT_READDATA, upload);
        }
        if (curl_easy_perform(curl) == CURLE_OK) {
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
        }
        curl_slist_free_all(headers);
        curl_easy_cleanup(curl);
        return reply;
    }

    std::string url_;
    std::string source_;
    std::string caFile_;
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

    // Self-signed for the loopback address and for localhost, valid for two days. RSA, so
    // that suites without forward secrecy (RSA key exchange) could be offered at all.
    int makeCertificate() {
        return runProgram(
            {"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
             "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost", "-keyout",
             key().string(), "-out", cert().string()},
            dir_.path() / "openssl.log");
    }
    fs::path cert() const { return dir_.path() / "cert.pem"; }
    fs::path key() const { return dir_.path() / "key.pem"; }
    std::string engineUrl(const std::string& host = "127.0.0.1") const {
        return siteUrl("/engine/", host);
    }
    std::string siteUrl(const std::string& path, const std::string& host = "127.0.0.1") const {
        return "https://" + host + ":" + std::to_string(front_->port()) + path;
    }
    // A TLS 1.2 handshake offering only `cipher`, or TLS 1.3 for an empty one; true if the
    // front takes it.
    bool handshakes(const std::string& version, const std::string& cipher = "") {
        std::vector<std::string> args = {"openssl", "s_client", "-connect",
                                         "127.0.0.1:" + std::to_string(front_->port()), version};
        if (!cipher.empty()) args.insert(args.end(), {"-cipher", cipher + ":@SECLEVEL=0"});
        return runProgram(args, dir_.path() / "s_client.log") == 0;
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

TEST_F(TlsFrontTest, OnlyForwardSecretAeadSuitesHstsAndNoVersion) {
    // The controls: the front speaks TLS 1.3 and TLS 1.2 with an ECDHE AEAD suite.
    EXPECT_TRUE(handshakes("-tls1_3"));
    EXPECT_TRUE(handshakes("-tls1_2", "ECDHE-RSA-AES128-GCM-SHA256"));
    EXPECT_TRUE(handshakes("-tls1_2", "ECDHE-RSA-CHACHA20-POLY1305"));
    // Without forward secrecy, CBC, or both; and TLS below 1.2.
    for (const char* cipher : {"AES128-SHA", "AES256-SHA256", "AES128-GCM-SHA256",
                               "ECDHE-RSA-AES128-SHA", "ECDHE-RSA-AES256-SHA384"}) {
        EXPECT_FALSE(handshakes("-tls1_2", cipher)) << cipher;
    }
    EXPECT_FALSE(handshakes("-tls1_1", "DEFAULT"));

    FrontCall call(siteUrl("/info.html"), "127.0.0.1", cert().string());
    const FrontReply page = call.get();
    ASSERT_EQ(page.status, 200);
    ASSERT_TRUE(page.headers.count("strict-transport-security"));
    EXPECT_EQ(page.headers.at("strict-transport-security").rfind("max-age=", 0), 0u);
    EXPECT_EQ(page.headers.at("server"), "nginx");
    // nginx's own error pages name no version either.
    const FrontReply missing = FrontCall(siteUrl("/x%zz"), "127.0.0.1", cert().string()).get();
    EXPECT_EQ(missing.status, 400);
    EXPECT_EQ(missing.headers.at("server"), "nginx");
    EXPECT_EQ(missing.body.find("nginx/"), std::string::npos) << missing.body;
}

// One client holds as many slow requests as the front lets it; another is served in full.
TEST_F(TlsFrontTest, AGreedyClientCannotStarveAnother) {
    constexpr int kHeld = 8;  // limit_conn in deploy/nginx/pimra.conf
    const std::string greedy = "127.0.0.2";
    const std::string other = "127.0.0.3";
    const std::string body = "action=tablelist&gameid=1&" + std::string(40, 'x') + "=1";
    std::atomic<bool> hurry{false};
    std::atomic<int> started{0};
    std::vector<FrontReply> held(kHeld);
    std::vector<std::thread> threads;
    for (int i = 0; i < kHeld; ++i) {
        threads.emplace_back([&, i] {
            held[i] =
                FrontCall(engineUrl(), greedy, cert().string()).postSlowly(body, hurry, started);
        });
    }
    for (int i = 0; i < 300 && started.load() < kHeld; ++i) std::this_thread::sleep_for(20ms);
    ASSERT_EQ(started.load(), kHeld);
    std::this_thread::sleep_for(500ms);  // every header has reached nginx

    // The greedy client's next request is refused at once...
    const FrontReply refused = FrontCall(siteUrl("/info.html"), greedy, cert().string()).get();
    EXPECT_EQ(refused.status, 429);
    // ...while the other's twenty all succeed: moves and polls, pages and the registration form.
    int served = 0;
    for (int i = 0; i < 20; ++i) {
        const std::string path = i < 14 ? "/engine/" : i < 17 ? "/info.html" : "/ru/reg";
        FrontCall call(siteUrl(path), other, cert().string());
        std::atomic<int> ignored{0};
        const std::atomic<bool> quick{true};
        const FrontReply reply =
            path == "/engine/" ? call.postSlowly(body, quick, ignored) : call.get();
        EXPECT_EQ(reply.status, 200) << i << " " << path << " " << reply.body;
        if (reply.status == 200) ++served;
    }
    EXPECT_EQ(served, 20);

    hurry = true;
    for (auto& thread : threads) thread.join();
    // The held ones were kept waiting, not refused.
    for (const auto& reply : held) EXPECT_EQ(reply.status, 200) << reply.body;
}

}  // namespace
