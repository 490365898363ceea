#pragma once

#include <functional>
#include <mutex>
#include <thread>

#include "MasterSearch.h"

namespace pimra {

// Runs the master search on a worker thread, so that the window stays responsive while the
// computer thinks. `start` and `stop` are called from one thread (the window's); the result
// is handed to `done` on the worker thread, and a window passes it on to its own thread.
// A thought that is stopped is not reported: once `stop` returns, `done` is not running and
// will not be called for it. `done` must not call `start` or `stop` itself.
class MasterThinker {
  public:
    using Done = std::function<void(const SearchResult&)>;

    // With `endgame`, searches use the program's endgame table once it is loaded.
    explicit MasterThinker(std::size_t tableEntries = MasterSearch::kDefaultTableEntries,
                           bool endgame = true);
    ~MasterThinker();
    MasterThinker(const MasterThinker&) = delete;
    MasterThinker& operator=(const MasterThinker&) = delete;

    // Stops any thought under way, then thinks about the move of `sideToMove`.
    void start(const Position& position, Side sideToMove, const SearchLimits& limits, Done done);
    // Stops any thought under way, then values every move of `sideToMove`: `progress` gets
    // each finished iteration, `done` the last result, both on the worker thread. With a time
    // limit and no depth limit, the deepening search has half the time and proofs of the
    // moves' values (proveMoves) the rest; `progress` gets each move proven.
    void analyse(const Position& position, Side sideToMove, const SearchLimits& limits,
                 Done progress, Done done);
    // Stops the thought under way, if any, and waits for the worker to end.
    void stop();
    // Forgets what earlier thoughts learned (a new game).
    void clear();
    // Stops any thought under way; later ones search on `threads` threads.
    void setThreads(int threads);
    int threads() const { return search_.threads(); }

  private:
    // Called on the worker: takes up the endgame table once it is ready.
    void useEndgame();

    MasterSearch search_;
    bool endgame_;
    std::jthread worker_;
};

}  // namespace pimra
