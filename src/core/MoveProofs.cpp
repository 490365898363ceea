#include "MoveProofs.h"

#include <algorithm>

#include "Move.h"

namespace pimra {

namespace {

// The proven value of `pit` for the side that plays it, if proven within `limits`.
std::optional<int> provenMove(MasterSearch& search, const Position& position, Side side, int pit,
                              const SearchLimits& limits, std::stop_token stop) {
    const MoveResult move = playMove(position, side, pit);
    if (!move.accepted) return std::nullopt;
    if (move.gameOver) {
        return move.position[Position::storeOf(side)] -
               move.position[Position::storeOf(other(side))];
    }
    const SearchResult next = search.prove(move.position, move.sideToMove, limits, stop);
    if (!next.exact) return std::nullopt;
    return move.sideToMove == side ? next.value : -next.value;
}

// Every move proven: the best one is the analysis's choice and its value the position's.
void settle(SearchResult& analysis) {
    const bool allExact = std::all_of(analysis.moves.begin(), analysis.moves.end(),
                                      [](const MoveValue& m) { return m.exact; });
    if (!allExact || analysis.moves.empty()) return;
    const MoveValue& best =
        *std::max_element(analysis.moves.begin(), analysis.moves.end(),
                          [](const MoveValue& a, const MoveValue& b) { return a.value < b.value; });
    analysis.pit = best.pit;
    analysis.value = analysis.upper = best.value;
    analysis.exact = true;
}

}  // namespace

void proveMoves(MasterSearch& search, const Position& position, Side sideToMove,
                SearchResult& analysis, const SearchLimits& limits, std::stop_token stop,
                const MasterSearch::Progress& progress) {
    const SearchStopwatch stopwatch(limits.clock);
    auto left = static_cast<std::ptrdiff_t>(std::count_if(
        analysis.moves.begin(), analysis.moves.end(), [](const MoveValue& m) { return !m.exact; }));
    for (MoveValue& move : analysis.moves) {
        if (move.exact) continue;
        if (stop.stop_requested()) return;
        SearchLimits share = limits;
        if (limits.time.count() > 0) {
            const auto spent =
                std::chrono::duration_cast<std::chrono::milliseconds>(stopwatch.elapsed());
            if (spent >= limits.time) return;
            share.time = std::max(std::chrono::milliseconds(1), (limits.time - spent) / left);
        }
        --left;
        if (const std::optional<int> value =
                provenMove(search, position, sideToMove, move.pit, share, stop)) {
            move.value = *value;
            move.exact = true;
            settle(analysis);
            if (progress) progress(analysis);
        }
    }
}

}  // namespace pimra
