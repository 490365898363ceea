// The master search measured in CPU time: positions per second, time to depth 12 and 14 from
// the 6-stone start, time to prove the 3-, 4- and 5-stone starts (cut at
// PIMRA_BENCH_PROOF_SECONDS of CPU time, 120 by default; a cut proof shows the bounds it
// found), and the builds of the pit and limit databases; each on one thread and on every core.
//
// The anchor is a plain minimax over the same rules (no table, no pruning), measured afresh
// beside each benchmark: `anchor_ratio` is a rate divided by the anchor's rate, or a time
// multiplied by it (in millions of anchor positions), so that runs on a busy or another
// machine stay comparable.
//
// Each search is timed by its own limits, so each runs once (one iteration).

#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "core/LimitDatabase.h"
#include "core/MasterSearch.h"
#include "core/PitDatabase.h"
#include "core/SharedPitDatabase.h"

namespace {

using pimra::Position;
using pimra::Side;

double clockSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// CPU time of every thread of the process, so that helper threads count too.
struct CpuStopwatch {
    double cpuStart = clockSeconds(CLOCK_PROCESS_CPUTIME_ID);
    double wallStart = clockSeconds(CLOCK_MONOTONIC);
    double cpu() const { return clockSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart; }
    double wall() const { return clockSeconds(CLOCK_MONOTONIC) - wallStart; }
};

std::uint64_t minimax(const pimra::RulesBoard& board, int depth, int& best) {
    std::uint64_t nodes = 1;
    best = board.storeMargin(board.sideToMove());
    if (depth == 0) return nodes;
    best = -1000;
    const int first = Position::firstPitOf(board.sideToMove());
    for (int pit = first; pit < first + 6; ++pit) {
        if (board.stones(pit) == 0) continue;
        pimra::RulesBoard child = board;
        const pimra::RulesMove move = child.play(pit);
        int value = 0;
        if (move.gameOver) {
            value = child.storeMargin(board.sideToMove());
        } else {
            nodes += minimax(child, depth - 1, value);
            if (!move.extraTurn) value = -value;
        }
        best = std::max(best, value);
    }
    return nodes;
}

// Positions per second of the anchor on one thread: about a tenth of a second of work.
double anchorRate() {
    const pimra::RulesBoard start = *pimra::RulesBoard::from(Position::start(), Side::Bottom);
    const CpuStopwatch watch;
    std::uint64_t nodes = 0;
    int value = 0;
    for (int k = 0; k < 4; ++k) nodes += minimax(start, 8, value);
    benchmark::DoNotOptimize(value);
    return static_cast<double>(nodes) / watch.cpu();
}

int allThreads() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

Position startWith(int perPit) {
    Position p;
    for (int i = 1; i <= pimra::kPitCount; ++i) p[i] = Position::isStore(i) ? 0 : perPit;
    return p;
}

// A proof reads the largest pit database, as `pimra-engine --solve` does.
std::unique_ptr<pimra::MasterSearch> preparedSearch(std::size_t entries, int threads,
                                                    bool proof = false) {
    auto search = std::make_unique<pimra::MasterSearch>(entries);
    search->setEndgame(pimra::sharedEndgameWait());
    search->setPitDatabase(proof ? pimra::loadProofPitDatabase().database
                                 : pimra::sharedPitDatabaseWait());
    search->setThreads(threads);
    return search;
}

void report(benchmark::State& state, double cpu, double wall, double anchor, std::uint64_t nodes) {
    state.SetIterationTime(cpu);
    state.counters["wall_s"] = wall;
    state.counters["positions"] = static_cast<double>(nodes);
    state.counters["positions/s"] = cpu > 0 ? static_cast<double>(nodes) / cpu : 0.0;
    state.counters["anchor/s"] = anchor;
    state.counters["threads"] = static_cast<double>(state.range(0));
}

void BM_Anchor(benchmark::State& state) {
    for (auto _ : state) {
        const double rate = anchorRate();
        state.SetIterationTime(1e6 / rate);
        state.counters["anchor/s"] = rate;
    }
}

// Positions per second over a second of CPU time (per thread) from the 6-stone start.
void BM_PositionsPerSecond(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const double anchor = anchorRate();
        const auto search = preparedSearch(std::size_t{1} << 22, threads);
        pimra::SearchLimits limits;
        limits.time = std::chrono::milliseconds(1000);
        limits.clock = pimra::SearchClock::ThreadCpu;
        const CpuStopwatch watch;
        const pimra::SearchResult r = search->search(Position::start(), Side::Bottom, limits);
        const double cpu = watch.cpu();
        report(state, cpu, watch.wall(), anchor, r.nodes);
        state.counters["depth"] = r.depth;
        state.counters["anchor_ratio"] = static_cast<double>(r.nodes) / cpu / anchor;
    }
}

// CPU time to finish depth 12 or 14 from the 6-stone start.
void BM_DepthFromStart(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const double anchor = anchorRate();
        const auto search = preparedSearch(std::size_t{1} << 22, threads);
        pimra::SearchLimits limits;
        limits.time = std::chrono::milliseconds(0);
        limits.depth = static_cast<int>(state.range(1));
        const CpuStopwatch watch;
        const pimra::SearchResult r = search->search(Position::start(), Side::Bottom, limits);
        const double cpu = watch.cpu();
        report(state, cpu, watch.wall(), anchor, r.nodes);
        state.counters["value"] = r.value;
        state.counters["pit"] = r.pit;
        state.counters["anchor_ratio"] = cpu * anchor / 1e6;
    }
}

double proofCap() {
    const char* text = std::getenv("PIMRA_BENCH_PROOF_SECONDS");
    const int seconds = text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 120;
    return seconds;
}

// CPU time to prove the start with 3, 4 or 5 stones per pit (the main thread's CPU time is
// cut at the cap; `proven` 0 then, with the bounds found in `lower` and `upper`).
void BM_ProveStart(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    const int stones = static_cast<int>(state.range(1));
    for (auto _ : state) {
        const double anchor = anchorRate();
        const auto search = preparedSearch(pimra::MasterSearch::kProofTableEntries, threads, true);
        // Built or read before the clock starts; BM_LimitDatabaseBuild times the build.
        search->setLimitDatabase(
            pimra::loadProofLimitDatabase(12 * stones, *search->pitDatabase()).database);
        pimra::SearchLimits limits;
        limits.time = std::chrono::milliseconds(static_cast<long long>(proofCap() * 1000));
        limits.clock = pimra::SearchClock::ThreadCpu;
        const CpuStopwatch watch;
        const pimra::SearchResult r = search->prove(startWith(stones), Side::Bottom, limits);
        const double cpu = watch.cpu();
        report(state, cpu, watch.wall(), anchor, r.nodes);
        state.counters["proven"] = r.exact ? 1 : 0;
        state.counters["lower"] = r.value;
        state.counters["upper"] = r.upper;
        state.counters["pit"] = r.pit;
        state.counters["anchor_ratio"] = cpu * anchor / 1e6;
    }
}

void reportBuild(benchmark::State& state, const CpuStopwatch& watch, double anchor,
                 std::size_t bytes) {
    const double cpu = watch.cpu();
    state.SetIterationTime(cpu);
    state.counters["wall_s"] = watch.wall();
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["anchor/s"] = anchor;
    state.counters["anchor_ratio"] = cpu * anchor / 1e6;
}

// The pit databases of the master (16 stones) and of the proofs (20) solved from nothing (one
// thread: the build has no helpers).
void BM_PitDatabaseBuild(benchmark::State& state) {
    for (auto _ : state) {
        const double anchor = anchorRate();
        const CpuStopwatch watch;
        const std::optional<pimra::PitDatabase> built =
            pimra::PitDatabase::build(static_cast<int>(state.range(0)));
        reportBuild(state, watch, anchor, built ? built->size() : 0);
    }
}

// The limit database of the 5-stone start (60 stones, 18 in the pits), solved from nothing
// with the proofs' pit database already loaded.
void BM_LimitDatabaseBuild(benchmark::State& state) {
    for (auto _ : state) {
        const double anchor = anchorRate();
        const std::shared_ptr<const pimra::PitDatabase> pits =
            pimra::loadProofPitDatabase().database;
        const CpuStopwatch watch;
        const std::optional<pimra::LimitDatabase> built = pimra::LimitDatabase::build(
            static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), *pits);
        reportBuild(state, watch, anchor, built ? built->size() : 0);
    }
}

void threadsAndArgs(benchmark::internal::Benchmark* b, std::initializer_list<int> args) {
    for (const int threads : {1, allThreads()}) {
        for (const int arg : args) b->Args({threads, arg});
        if (allThreads() == 1) break;
    }
}

BENCHMARK(BM_Anchor)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_PositionsPerSecond)
    ->Apply([](auto* b) {
        b->Arg(1);
        if (allThreads() > 1) b->Arg(allThreads());
    }) -> ArgNames({"threads"}) -> Iterations(1) -> UseManualTime() -> Unit(benchmark::kSecond);
BENCHMARK(BM_DepthFromStart)
    ->Apply([](auto* b) {
        threadsAndArgs(b, {12, 14});
    }) -> ArgNames({"threads", "depth"}) -> Iterations(1) -> UseManualTime()
        -> Unit(benchmark::kSecond);
BENCHMARK(BM_ProveStart)
    ->Apply([](auto* b) {
        threadsAndArgs(b, {3, 4, 5});
    }) -> ArgNames({"threads", "stones"}) -> Iterations(1) -> UseManualTime()
        -> Unit(benchmark::kSecond);
BENCHMARK(BM_PitDatabaseBuild)
    ->Arg(pimra::PitDatabase::kDefaultStones)
    ->Arg(pimra::PitDatabase::kLargestStones)
    ->ArgNames({"stones"})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_LimitDatabaseBuild)
    ->Args({60, pimra::LimitDatabase::kDefaultStones})
    ->ArgNames({"total", "stones"})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
