#include "EnginePipe.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace pimra::match {

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
    toChild_ = fdopen(in[1], "w");
    fromChild_ = fdopen(out[0], "r");
}

EnginePipe::~EnginePipe() {
    // End of input tells the program to finish.
    if (toChild_ != nullptr) std::fclose(toChild_);
    if (fromChild_ != nullptr) std::fclose(fromChild_);
    if (child_ > 0) waitpid(child_, nullptr, 0);
}

std::optional<EnginePipe::Answer> EnginePipe::ask(const Position& board, Side sideToMove) {
    if (toChild_ == nullptr || fromChild_ == nullptr) return std::nullopt;
    for (int i = 1; i <= kPitCount; ++i) std::fprintf(toChild_, "%d ", board[i]);
    std::fprintf(toChild_, "%d\n", sideNumber(sideToMove));
    if (std::fflush(toChild_) != 0) return std::nullopt;
    char line[128];
    if (std::fgets(line, sizeof line, fromChild_) == nullptr) return std::nullopt;
    Answer answer;
    double cpuMs = 0;
    if (std::sscanf(line, "%d %lf", &answer.pit, &cpuMs) != 2 || cpuMs < 0 || cpuMs > 1e9) {
        return std::nullopt;
    }
    answer.cpu = std::chrono::nanoseconds(static_cast<long long>(cpuMs * 1e6));
    return answer;
}

}  // namespace pimra::match
