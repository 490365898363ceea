#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// The real pimra-server program, started with a free port; stopped by a signal.
class ServerProcess {
  public:
    explicit ServerProcess(const std::string& db) {
        int pipeFds[2];
        EXPECT_EQ(::pipe(pipeFds), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(pipeFds[1], STDERR_FILENO);
            ::close(pipeFds[0]);
            ::execl(PIMRA_SERVER_PATH, PIMRA_SERVER_PATH, "--port", "0", "--db", db.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        stderr_ = ::fdopen(pipeFds[0], "r");
        char line[512];
        const std::string listening = "listening on http://127.0.0.1:";
        while (std::fgets(line, sizeof(line), stderr_)) {
            const std::string text = line;
            if (const auto at = text.find(listening); at != std::string::npos) {
                port_ = std::stoi(text.substr(at + listening.size()));
                break;
            }
        }
    }
    ~ServerProcess() {
        if (pid_ > 0) stop(SIGKILL);
        if (stderr_) std::fclose(stderr_);
    }
    int port() const { return port_; }
    // The exit status after the signal.
    int stop(int signal) {
        ::kill(pid_, signal);
        int status = -1;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

  private:
    pid_t pid_ = -1;
    int port_ = 0;
    FILE* stderr_ = nullptr;
};

TEST(ServerProcess, StopsCleanlyOnSigintAndSigtermAndKeepsAccounts) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("pimra-process-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string db = (dir / "server.db").string();
    {
        ServerProcess server(db);
        ASSERT_GT(server.port(), 0);
        httplib::Client http("127.0.0.1", server.port());
        const auto done = http.Post("/ru/reg", "login=ann&password=p&repeat=p",
                                    "application/x-www-form-urlencoded");
        ASSERT_TRUE(done);
        EXPECT_NE(done->body.find("успешно"), std::string::npos);
        const int status = server.stop(SIGINT);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    {
        ServerProcess server(db);
        ASSERT_GT(server.port(), 0);
        httplib::Client http("127.0.0.1", server.port());
        // MD5 of "p".
        const auto login =
            http.Post("/engine/", "action=login&login=ann&pass=83878c91171338902e0fe0fb97a8c47a&",
                      "application/x-www-form-urlencoded");
        ASSERT_TRUE(login);
        EXPECT_NE(login->body.find("\"response\":\"Success\""), std::string::npos);
        const int status = server.stop(SIGTERM);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
