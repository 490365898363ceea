// Positions per second and depth reached by the master search in 100 ms and in 1 s, from the
// start position and from middle-game positions of self-play (master against the hard level),
// with the endgame table. Limits and rates are in the searching thread's CPU time, so a busy
// machine changes them little; the 4-stone start is there too.
// Then the time to depth 12 and 14 from the 6-stone start and the time to prove the 3- and
// 4-stone starts, on one thread and on every core.
// A plain program: each search is timed by its own limit, so repeating it would mean nothing.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/Levels.h"
#include "core/MasterSearch.h"
#include "core/Move.h"
#include "core/SharedPitDatabase.h"

namespace {

using pimra::Position;
using pimra::Side;

struct Sample {
    const char* name;
    Position position;
    Side side;
};

class NoRandom : public pimra::RandomSource {
  public:
    void reseed() override {}
    int next(int) override { return 0; }
};

// Positions after 10, 20 and 30 moves of a game between the master (20 plies deep) and the
// hard level, a quick self-play that is the same on every run.
std::vector<Sample> midGame() {
    std::vector<Sample> samples;
    pimra::MasterSearch search(std::size_t{1} << 18);
    NoRandom random;
    Position board = Position::start();
    Side side = pimra::Side::Bottom;
    pimra::SearchLimits limits;
    limits.time = std::chrono::milliseconds(0);
    limits.depth = 10;
    static const char* const kNames[] = {"after 10 moves", "after 20 moves", "after 30 moves"};
    for (int move = 1; move <= 30 && board.rowSum(side) > 0; ++move) {
        const int pit = side == pimra::Side::Bottom
                            ? search.search(board, side, limits).pit
                            : pimra::ChooseComputerMove(board, pimra::kLevelHard, random);
        const pimra::MoveResult result = pimra::playMove(board, side, pit);
        if (result.gameOver) break;
        board = result.position;
        side = result.sideToMove;
        if (move % 10 == 0) samples.push_back({kNames[move / 10 - 1], board, side});
    }
    return samples;
}

Position startWith(int perPit) {
    Position p;
    for (int i = 1; i <= pimra::kPitCount; ++i) p[i] = Position::isStore(i) ? 0 : perPit;
    return p;
}

// Thread counts to measure: one, and every core of the machine when that is more.
std::vector<int> threadCounts() {
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    if (cores > 1) return {1, cores};
    return {1};
}

double seconds(std::chrono::nanoseconds time) {
    return std::chrono::duration<double>(time).count();
}

// Time to depth 12 and 14 from the 6-stone start: the searching thread's CPU time and the
// wall clock (the helpers' work shows only in the latter).
void depthTimes(const std::shared_ptr<const pimra::EndgameTable>& endgame) {
    std::printf("%-8s %6s %10s %10s %12s %14s\n", "threads", "depth", "cpu s", "wall s",
                "positions", "positions/s");
    for (const int threads : threadCounts()) {
        for (const int depth : {12, 14}) {
            pimra::MasterSearch search(std::size_t{1} << 22);
            search.setEndgame(endgame);
            search.setPitDatabase(pimra::sharedPitDatabaseWait());
            search.setThreads(threads);
            pimra::SearchLimits limits;
            limits.time = std::chrono::milliseconds(0);
            limits.depth = depth;
            const pimra::SearchStopwatch cpu(pimra::SearchClock::ThreadCpu);
            const pimra::SearchStopwatch wall(pimra::SearchClock::Wall);
            const pimra::SearchResult r = search.search(Position::start(), Side::Bottom, limits);
            const double wallSeconds = seconds(wall.elapsed());
            std::printf("%-8d %6d %10.2f %10.2f %12llu %14.0f\n", threads, r.depth,
                        seconds(cpu.elapsed()), wallSeconds,
                        static_cast<unsigned long long>(r.nodes),
                        wallSeconds > 0 ? static_cast<double>(r.nodes) / wallSeconds : 0.0);
        }
    }
}

// Proofs of the 3- and 4-stone starts (known: +2, and +8 by the third pit); the 5-stone
// start only with PIMRA_BENCH_FIVE set, as it takes far longer. A proof that has not ended
// after 300 s of the main thread's CPU time (or PIMRA_BENCH_PROOF_SECONDS) shows the bounds it
// found.
std::chrono::milliseconds proofLimit() {
    const char* text = std::getenv("PIMRA_BENCH_PROOF_SECONDS");
    const int seconds = text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 300;
    return std::chrono::milliseconds(1000LL * seconds);
}

void proofTimes(const std::shared_ptr<const pimra::EndgameTable>& endgame) {
    std::printf("%-8s %7s %6s %4s %10s %10s %14s\n", "threads", "stones", "value", "pit", "cpu s",
                "wall s", "positions");
    std::vector<int> starts{3, 4};
    if (std::getenv("PIMRA_BENCH_FIVE") != nullptr) starts.push_back(5);
    for (const int threads : threadCounts()) {
        for (const int stones : starts) {
            pimra::MasterSearch search(std::size_t{1} << 24);
            search.setEndgame(endgame);
            search.setPitDatabase(pimra::sharedPitDatabaseWait());
            search.setThreads(threads);
            pimra::SearchLimits limits;
            limits.time = proofLimit();
            limits.clock = pimra::SearchClock::ThreadCpu;
            const pimra::SearchStopwatch cpu(pimra::SearchClock::ThreadCpu);
            const pimra::SearchStopwatch wall(pimra::SearchClock::Wall);
            const pimra::SearchResult r = search.prove(startWith(stones), Side::Bottom, limits);
            const std::string value =
                r.exact ? std::to_string(r.value)
                        : std::to_string(r.value) + ".." + std::to_string(r.upper);
            std::printf("%-8d %7d %6s %4d %10.2f %10.2f %14llu\n", threads, stones, value.c_str(),
                        r.pit, seconds(cpu.elapsed()), seconds(wall.elapsed()),
                        static_cast<unsigned long long>(r.nodes));
            std::fflush(stdout);
        }
    }
}

}  // namespace

int main() {
    const auto loadStarted = std::chrono::steady_clock::now();
    const std::shared_ptr<const pimra::EndgameTable> endgame = pimra::sharedEndgameWait();
    std::printf(
        "endgame table of %d stones ready in %.2f s\n", endgame->maxStones(),
        std::chrono::duration<double>(std::chrono::steady_clock::now() - loadStarted).count());
    pimra::sharedPitDatabaseWait();
    const pimra::PitDatabaseStatus pits = pimra::sharedPitDatabaseStatus();
    std::printf("pit database of %d stones (%.1f MB) %s in %.2f s\n", pits.stones,
                static_cast<double>(pits.bytes) / 1e6, pits.fromCache ? "read" : "built",
                pits.seconds);
    std::vector<Sample> samples{{"start", Position::start(), pimra::Side::Top}};
    for (const Sample& s : midGame()) samples.push_back(s);
    Position small = Position::start();
    for (int i = 1; i <= pimra::kPitCount; ++i) small[i] = Position::isStore(i) ? 0 : 4;
    samples.push_back({"4-stone start", small, pimra::Side::Bottom});
    std::printf("%-16s %8s %7s %4s %12s %8s %14s\n", "position", "limit", "depth", "pit",
                "positions", "quiet", "positions/s");
    for (const int ms : {100, 1000}) {
        for (const Sample& s : samples) {
            pimra::MasterSearch search;
            search.setEndgame(endgame);
            search.setPitDatabase(pimra::sharedPitDatabaseWait());
            pimra::SearchLimits limits;
            limits.time = std::chrono::milliseconds(ms);
            limits.clock = pimra::SearchClock::ThreadCpu;
            const pimra::SearchStopwatch stopwatch(pimra::SearchClock::ThreadCpu);
            const pimra::SearchResult r = search.search(s.position, s.side, limits);
            const double seconds = std::chrono::duration<double>(stopwatch.elapsed()).count();
            const double quietShare =
                r.nodes == 0 ? 0.0 : 100.0 * static_cast<double>(r.quietNodes) / r.nodes;
            std::printf("%-16s %6d ms %5d%s %4d %12llu %7.1f%% %14.0f\n", s.name, ms, r.depth,
                        r.exact ? "e" : " ", r.pit, static_cast<unsigned long long>(r.nodes),
                        quietShare, seconds > 0 ? static_cast<double>(r.nodes) / seconds : 0.0);
        }
    }
    // The work a fixed depth takes tells how well the search prunes, whatever the machine.
    std::printf("%-16s %8s %12s\n", "position", "depth", "positions");
    for (const Sample& s : samples) {
        pimra::MasterSearch search;
        search.setEndgame(endgame);
        search.setPitDatabase(pimra::sharedPitDatabaseWait());
        pimra::SearchLimits limits;
        limits.time = std::chrono::milliseconds(0);
        limits.depth = 12;
        const pimra::SearchResult r = search.search(s.position, s.side, limits);
        std::printf("%-16s %8d %12llu\n", s.name, r.depth,
                    static_cast<unsigned long long>(r.nodes));
    }
    // The same over positions of random play, the same on every run and for every search.
    std::mt19937 random(7);
    std::uint64_t total = 0;
    int positions = 0;
    for (int game = 0; positions < 24 && game < 100; ++game) {
        Position board = Position::start();
        Side side = pimra::Side::Bottom;
        const int plies = 6 + game % 16;
        bool over = false;
        for (int ply = 0; ply < plies && !over; ++ply) {
            std::vector<int> pits;
            const int first = Position::firstPitOf(side);
            for (int pit = first; pit < first + 6; ++pit) {
                if (board[pit] > 0) pits.push_back(pit);
            }
            const int pit = pits[random() % pits.size()];
            const pimra::MoveResult result = pimra::playMove(board, side, pit);
            board = result.position;
            side = result.sideToMove;
            over = result.gameOver;
        }
        if (over) continue;
        pimra::MasterSearch search;
        search.setEndgame(endgame);
        search.setPitDatabase(pimra::sharedPitDatabaseWait());
        pimra::SearchLimits limits;
        limits.time = std::chrono::milliseconds(0);
        limits.depth = 10;
        total += search.search(board, side, limits).nodes;
        ++positions;
    }
    std::printf("%d positions of random play, depth 10: %llu positions searched\n", positions,
                static_cast<unsigned long long>(total));
    depthTimes(endgame);
    proofTimes(endgame);
    return 0;
}
