#include "EnginePipe.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace pimra::match {

namespace {

constexpr std::size_t kLongestAnswer = 128;

// A program that has exited makes the write fail with EPIPE. The signal that comes with it
// is held back on this thread and taken away, so that it never ends the caller's process,
// whatever the process does with SIGPIPE.
bool writeAll(int fd, const std::string& text) {
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t pendingBefore;
    sigpending(&pendingBefore);
    sigset_t old;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &old);
    std::size_t done = 0;
    bool broken = false;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            broken = errno == EPIPE;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (broken && !sigismember(&pendingBefore, SIGPIPE)) {
        const timespec now{0, 0};
        while (sigtimedwait(&pipeSignal, nullptr, &now) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return done == text.size();
}

}  // namespace

EnginePipe::EnginePipe(const std::string& command) {
    int in[2];
    int out[2];
    // Close-on-exec, so that the children of other match threads do not hold these open.
    if (pipe2(in, O_CLOEXEC) != 0) return;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return;
    }
    child_ = fork();
    if (child_ == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    if (child_ < 0) {
        close(in[1]);
        close(out[0]);
        return;
    }
    toChild_ = in[1];
    fromChild_ = out[0];
}

EnginePipe::~EnginePipe() {
    giveUp(false);
}

void EnginePipe::giveUp(bool kill) {
    // End of input tells a program that still listens to finish; one that has failed is ended.
    if (kill && child_ > 0) ::kill(child_, SIGKILL);
    if (toChild_ >= 0) close(toChild_);
    if (fromChild_ >= 0) close(fromChild_);
    toChild_ = fromChild_ = -1;
    if (child_ > 0) waitpid(child_, nullptr, 0);
    child_ = -1;
}

std::optional<std::string> EnginePipe::readLine() {
    std::string line;
    while (line.size() < kLongestAnswer) {
        pollfd ready{fromChild_, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(kAnswerTimeout.count())) <= 0) return std::nullopt;
        char c = 0;
        if (read(fromChild_, &c, 1) != 1) return std::nullopt;
        if (c == '\n') return line;
        line += c;
    }
    return std::nullopt;
}

std::optional<EnginePipe::Answer> EnginePipe::ask(const Position& board, Side sideToMove) {
    if (toChild_ < 0) return std::nullopt;
    std::string request;
    for (int i = 1; i <= kPitCount; ++i) request += std::to_string(board[i]) + ' ';
    request += std::to_string(sideNumber(sideToMove)) + '\n';
    Answer answer;
    double cpuMs = -1;
    const std::optional<std::string> line = writeAll(toChild_, request) ? readLine() : std::nullopt;
    if (!line || std::sscanf(line->c_str(), "%d %lf", &answer.pit, &cpuMs) != 2 || cpuMs < 0 ||
        cpuMs > 1e9) {
        // Out of step with the program from here on: it plays no more.
        giveUp(true);
        return std::nullopt;
    }
    answer.cpu = std::chrono::nanoseconds(static_cast<long long>(cpuMs * 1e6));
    return answer;
}

}  // namespace pimra::match
