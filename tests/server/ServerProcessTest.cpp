#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "TestServer.h"

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
        const auto done = pimra::server::test::Client(server.port()).registration("ann", "p", "p");
        ASSERT_TRUE(done);
        EXPECT_NE(done->body.find("успешно"), std::string::npos);
        const int status = server.stop(SIGINT);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    {
        ServerProcess server(db);
        ASSERT_GT(server.port(), 0);
        // MD5 of "p".
        const auto login =
            pimra::server::test::Client(server.port())
                .postRaw("/engine/",
                         "action=login&login=ann&pass=83878c91171338902e0fe0fb97a8c47a&");
        ASSERT_TRUE(login);
        EXPECT_NE(login->body.find("\"response\":\"Success\""), std::string::npos);
        const int status = server.stop(SIGTERM);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
