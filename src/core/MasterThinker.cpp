#include "MasterThinker.h"

namespace pimra {

MasterThinker::MasterThinker(std::size_t tableEntries, bool endgame)
    : search_(tableEntries), endgame_(endgame) {}

void MasterThinker::useEndgame() {
    if (endgame_ && !search_.endgame()) search_.setEndgame(sharedEndgame());
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
        const SearchResult result = search_.analyse(position, sideToMove, limits, token, report);
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
