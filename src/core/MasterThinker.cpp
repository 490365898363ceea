#include "MasterThinker.h"

#include <algorithm>

#include "MoveProofs.h"
#include "SharedPitDatabase.h"

namespace pimra {

MasterThinker::MasterThinker(std::size_t tableEntries, bool endgame)
    : search_(tableEntries), endgame_(endgame) {}

void MasterThinker::useEndgame() {
    if (!endgame_) return;
    if (!search_.endgame()) search_.setEndgame(sharedEndgame());
    // The larger database takes a while to build the first time; searches go on without it.
    if (!search_.pitDatabase()) search_.setPitDatabase(sharedPitDatabase());
    if (!search_.book()) search_.setBook(sharedOpeningBook());
}

MasterThinker::~MasterThinker() {
    stop();
}

void MasterThinker::start(const Position& position, Side sideToMove, const SearchLimits& limits,
                          Done done) {
    stop();
    worker_ = std::jthread(
        [this, position, sideToMove, limits, done = std::move(done)](std::stop_token token) {
            useEndgame();
            const SearchResult result = search_.search(position, sideToMove, limits, token);
            if (!token.stop_requested() && done) done(result);
        });
}

void MasterThinker::analyse(const Position& position, Side sideToMove, const SearchLimits& limits,
                            Done progress, Done done) {
    stop();
    worker_ = std::jthread([this, position, sideToMove, limits, progress = std::move(progress),
                            done = std::move(done)](std::stop_token token) {
        useEndgame();
        const auto report = [&progress, &token](const SearchResult& result) {
            if (!token.stop_requested() && progress) progress(result);
        };
        // With a time limit and no depth, half the time goes to proving the moves' values.
        const bool proving = limits.time.count() > 0 && limits.depth == 0;
        SearchLimits first = limits;
        if (proving) first.time = limits.time / 2;
        const SearchStopwatch stopwatch(limits.clock);
        SearchResult result = search_.analyse(position, sideToMove, first, token, report);
        if (proving && !result.exact) {
            SearchLimits rest = limits;
            rest.time = std::max(
                std::chrono::milliseconds(1),
                limits.time -
                    std::chrono::duration_cast<std::chrono::milliseconds>(stopwatch.elapsed()));
            proveMoves(search_, position, sideToMove, result, rest, token, report);
        }
        if (!token.stop_requested() && done) done(result);
    });
}

void MasterThinker::stop() {
    if (!worker_.joinable()) return;
    worker_.request_stop();
    worker_.join();
}

void MasterThinker::clear() {
    stop();
    search_.clear();
}

void MasterThinker::setThreads(int threads) {
    stop();
    search_.setThreads(threads);
}

}  // namespace pimra
