#pragma once

#include <sys/types.h>
#include <chrono>
#include <cstdio>
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

    // Empty when the program could not be started, has gone or answered something else.
    std::optional<Answer> ask(const Position& board, Side sideToMove);

  private:
    pid_t child_ = -1;
    std::FILE* toChild_ = nullptr;
    std::FILE* fromChild_ = nullptr;
};

}  // namespace pimra::match
