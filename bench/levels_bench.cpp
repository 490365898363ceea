// Decisions per second of each level and of the hint, on positions from self-play games, and
// the slowest decision found among random positions with up to 12 stones per pit.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <vector>

#include "core/Game.h"
#include "core/Levels.h"

namespace {

using pimra::Position;

using pimra::SeededRandom;

// Positions met in games where the user follows a random mix of the hint and random pits
// against every level; every position where the top row is to move is kept.
const std::vector<Position>& selfPlayPositions() {
    static const std::vector<Position> positions = [] {
        std::vector<Position> result;
        std::mt19937 pick(7);
        for (int game = 0; game < 40; ++game) {
            pimra::Game g(std::make_unique<SeededRandom>(game));
            g.setLevel(game % 5);
            for (int turn = 0; turn < 200 && g.position().rowSum(pimra::Side::Bottom) > 0 &&
                               g.sideToMove() == pimra::Side::Bottom;
                 ++turn) {
                int pit = g.hint();
                if (pick() % 3 == 0) {
                    do pit = static_cast<int>(pick() % 6) + 1;
                    while (g.position()[pit] == 0);
                }
                g.beginTurn();
                g.move(pit);
                while (g.computerToMove()) {
                    result.push_back(g.position());
                    g.move(g.chooseComputerMove());
                }
                g.endTurn();
            }
        }
        return result;
    }();
    return positions;
}

using Decision = std::function<int(const Position&)>;

void decide(benchmark::State& state, const Decision& decision) {
    const std::vector<Position>& positions = selfPlayPositions();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(decision(positions[i]));
        i = (i + 1) % positions.size();
    }
    state.counters["decisions/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["positions"] = static_cast<double>(positions.size());
}

SeededRandom easyRandom(1);

const Decision kEasy = [](const Position& p) { return pimra::Mozg(p, easyRandom); };
const Decision kNormal = [](const Position& p) { return pimra::Mozg2(p); };
const Decision kHard = [](const Position& p) { return pimra::Mozg3(p); };
const Decision kVeryHard = [](const Position& p) { return pimra::Mozg4(p, pimra::Side::Top); };
const Decision kHint = [](const Position& p) { return pimra::HintPit(p); };

void BM_Easy(benchmark::State& s) {
    decide(s, kEasy);
}
void BM_Normal(benchmark::State& s) {
    decide(s, kNormal);
}
void BM_Hard(benchmark::State& s) {
    decide(s, kHard);
}
void BM_VeryHard(benchmark::State& s) {
    decide(s, kVeryHard);
}
void BM_Hint(benchmark::State& s) {
    decide(s, kHint);
}
BENCHMARK(BM_Easy);
BENCHMARK(BM_Normal);
BENCHMARK(BM_Hard);
BENCHMARK(BM_VeryHard);
BENCHMARK(BM_Hint);

Position randomPosition(std::mt19937& engine) {
    Position p;
    std::uniform_int_distribution<int> stones(0, 12);
    for (int i = 1; i <= pimra::kPitCount; ++i) p[i] = Position::isStore(i) ? 0 : stones(engine);
    if (p.rowSum(pimra::Side::Bottom) == 0) p[1] = 1;
    if (p.rowSum(pimra::Side::Top) == 0) p[8] = 1;
    return p;
}

double secondsFor(const Decision& decision, const Position& p) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(decision(p));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Searches random positions for the slowest one, then measures it properly.
void worstCase(benchmark::State& state, const Decision& decision) {
    static std::vector<Position> worst(5);
    Position& slowest = worst[static_cast<std::size_t>(state.range(0))];
    if (slowest.total() == 0) {
        std::mt19937 engine(2024);
        double slowestTime = -1;
        for (int sample = 0; sample < 20000; ++sample) {
            const Position p = randomPosition(engine);
            const double t = secondsFor(decision, p);
            if (t > slowestTime) {
                slowestTime = t;
                slowest = p;
            }
        }
        // Then climb: change one pit at a time and keep what is slower.
        std::uniform_int_distribution<int> pit(1, 12);
        std::uniform_int_distribution<int> stones(0, 12);
        for (int step = 0; step < 20000; ++step) {
            Position p = slowest;
            int index = pit(engine);
            if (index >= 7) ++index;
            p[index] = stones(engine);
            if (p.rowSum(pimra::Side::Bottom) == 0 || p.rowSum(pimra::Side::Top) == 0) continue;
            const double t = std::min(secondsFor(decision, p), secondsFor(decision, p));
            if (t > slowestTime) {
                slowestTime = t;
                slowest = p;
            }
        }
    }
    for (auto _ : state) benchmark::DoNotOptimize(decision(slowest));
    std::string label;
    for (int i = 1; i <= pimra::kPitCount; ++i)
        label += std::to_string(slowest[i]) + (i < 14 ? " " : "");
    state.SetLabel(label);
}

void BM_WorstNormal(benchmark::State& s) {
    worstCase(s, kNormal);
}
void BM_WorstHard(benchmark::State& s) {
    worstCase(s, kHard);
}
void BM_WorstVeryHard(benchmark::State& s) {
    worstCase(s, kVeryHard);
}
void BM_WorstHint(benchmark::State& s) {
    worstCase(s, kHint);
}
BENCHMARK(BM_WorstNormal)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WorstHard)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WorstVeryHard)->Arg(3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WorstHint)->Arg(4)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
