#pragma once

#include <sys/types.h>
#include <chrono>
#include <optional>
#include <string>

#include "core/Position.h"

namespace pimra::match {

// Another engine program as a player, run through `/bin/sh -c COMMAND`: for each move it gets
// one line "N1 .. N14 SIDE" (the fourteen counts, SIDE 1 for the bottom row and 2 for the
// top) and answers one line "PIT CPU_MS" (a board index and the CPU time it spent). This is
// how a master built from another commit plays this one.
class EnginePipe {
  public:
    struct Answer {
        int pit = 0;
        std::chrono::nanoseconds cpu{0};
    };

    explicit EnginePipe(const std::string& command);
    EnginePipe(const EnginePipe&) = delete;
    EnginePipe& operator=(const EnginePipe&) = delete;
    ~EnginePipe();

    // A program that takes longer than this over one move has failed.
    static constexpr std::chrono::milliseconds kAnswerTimeout{600'000};

    // Empty when the program could not be started, has gone, was too slow or answered
    // something else; it is not asked again then.
    std::optional<Answer> ask(const Position& board, Side sideToMove);

  private:
    void giveUp(bool kill);
    std::optional<std::string> readLine();

    pid_t child_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
};

}  // namespace pimra::match
