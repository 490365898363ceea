#include "Match.h"

#include <atomic>
#include <charconv>
#include <cstdio>
#include <mutex>
#include <random>
#include <string_view>
#include <thread>

#include "core/Levels.h"
#include "core/Move.h"
#include "core/SharedPitDatabase.h"

namespace pimra::match {

namespace {

constexpr int kMaxGameMoves = 2000;
constexpr std::size_t kMatchTableEntries = std::size_t{1} << 22;

std::vector<int> playablePits(const Position& board, Side side) {
    std::vector<int> pits;
    const int first = Position::firstPitOf(side);
    for (int pit = first; pit < first + 6; ++pit) {
        if (board[pit] > 0) pits.push_back(pit);
    }
    return pits;
}

// A whole number low..high and nothing else.
bool readWhole(std::string_view text, int low, int high, int& value) {
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, value);
    return ec == std::errc() && end == last && value >= low && value <= high;
}

PlayerSetup setupOf(const std::string& name, int level, std::chrono::milliseconds time) {
    PlayerSetup setup;
    setup.name = name;
    setup.level = level;
    setup.time = time;
    return setup;
}

}  // namespace

std::optional<PlayerSetup> parsePlayer(const std::string& text) {
    static constexpr struct {
        const char* name;
        int level;
    } kLevels[] = {{"easy", kLevelEasy},
                   {"normal", kLevelNormal},
                   {"hard", kLevelHard},
                   {"veryhard", kLevelVeryHard},
                   {"master", kLevelMaster}};
    for (const auto& level : kLevels) {
        if (text == level.name) return setupOf(text, level.level, std::chrono::milliseconds(1000));
    }
    const std::string engine = "engine:";
    if (text.rfind(engine, 0) == 0 && text.size() > engine.size()) {
        PlayerSetup setup = setupOf(text, 0, std::chrono::milliseconds(0));
        setup.command = text.substr(engine.size());
        return setup;
    }
    const std::string prefix = "master:";
    if (text.rfind(prefix, 0) != 0) return std::nullopt;
    // master:MS or master:MS:tN
    std::string_view rest(text);
    rest.remove_prefix(prefix.size());
    const std::size_t colon = rest.find(':');
    const std::string_view time = rest.substr(0, colon);
    int ms = 0;
    int threads = 1;
    if (!readWhole(time, 1, 3'600'000, ms)) return std::nullopt;
    if (colon != std::string_view::npos) {
        const std::string_view count = rest.substr(colon + 1);
        if (count.empty() || count[0] != 't' ||
            !readWhole(count.substr(1), 1, MasterSearch::kMaxThreads, threads)) {
            return std::nullopt;
        }
    }
    PlayerSetup setup = setupOf(text, kLevelMaster, std::chrono::milliseconds(ms));
    setup.threads = threads;
    return setup;
}

Player::Player(const PlayerSetup& setup, unsigned seed)
    : setup_(setup), random_(std::make_unique<SeededRandom>(seed)) {
    if (!setup.command.empty()) {
        pipe_ = std::make_unique<EnginePipe>(setup.command);
    } else if (setup.level == kLevelMaster) {
        search_ = std::make_unique<MasterSearch>(kMatchTableEntries);
        search_->setThreads(setup.threads);
        if (setup.endgame) {
            search_->setEndgame(sharedEndgameWait());
            search_->setPitDatabase(sharedPitDatabaseWait());
        }
        if (setup.book) search_->setBook(sharedOpeningBook());
    }
}

int Player::choose(const Position& board, Side sideToMove) {
    const auto started = std::chrono::steady_clock::now();
    const std::chrono::nanoseconds cpuStarted =
        threadCpuTime().value_or(std::chrono::nanoseconds{0});
    int pit = 0;
    if (pipe_) {
        // The program's own CPU time; a program that fails forfeits the rest of the game.
        const std::optional<EnginePipe::Answer> answer = pipe_->ask(board, sideToMove);
        thinking_ += std::chrono::steady_clock::now() - started;
        ++moves_;
        if (!answer) return 0;
        cpuThinking_ += answer->cpu;
        return canPlayPit(board, answer->pit) ? answer->pit : 0;
    }
    if (search_) {
        SearchLimits limits;
        limits.time = setup_.time;
        limits.clock = setup_.clock;
        pit = search_->search(board, sideToMove, limits).pit;
        if (!canPlayPit(board, pit)) pit = 0;
    }
    if (pit == 0) {
        // The levels play the top row: show them the board from there.
        const bool top = sideToMove == Side::Top;
        const int index = ChooseComputerMove(top ? board : mirrored(board), setup_.level, *random_);
        pit = top ? index : index - 7;
    }
    thinking_ += std::chrono::steady_clock::now() - started;
    cpuThinking_ += threadCpuTime().value_or(cpuStarted) - cpuStarted;
    ++moves_;
    return pit;
}

Position mirrored(const Position& board) {
    Position result;
    for (int i = 1; i <= 7; ++i) {
        result[i] = board[i + 7];
        result[i + 7] = board[i];
    }
    return result;
}

namespace {

Opening drawOpening(std::mt19937& engine, int stonesPerPit) {
    for (;;) {
        Opening opening;
        for (int i = 1; i <= kPitCount; ++i) {
            opening.position[i] = Position::isStore(i) ? 0 : stonesPerPit;
        }
        const int count = std::uniform_int_distribution<int>(2, 4)(engine);
        bool over = false;
        for (int k = 0; k < count && !over; ++k) {
            const std::vector<int> pits = playablePits(opening.position, opening.sideToMove);
            const int pit =
                pits[std::uniform_int_distribution<std::size_t>(0, pits.size() - 1)(engine)];
            const MoveResult move = playMove(opening.position, opening.sideToMove, pit);
            opening.position = move.position;
            opening.sideToMove = move.sideToMove;
            opening.moves.push_back(pit);
            over = move.gameOver;
        }
        if (!over) return opening;
    }
}

}  // namespace

Opening randomOpening(std::uint32_t seed, int stonesPerPit) {
    std::mt19937 engine(seed);
    return drawOpening(engine, stonesPerPit);
}

int openingValue(const Opening& opening) {
    MasterSearch search(std::size_t{1} << 16);
    SearchLimits limits;
    limits.time = std::chrono::milliseconds(0);
    limits.depth = kOpeningValueDepth;
    return search.search(opening.position, opening.sideToMove, limits).value;
}

Opening boundedOpening(std::uint32_t seed, int stonesPerPit, int bound, int& redrawn) {
    std::mt19937 engine(seed);
    for (;;) {
        Opening opening = drawOpening(engine, stonesPerPit);
        if (bound <= 0) return opening;
        const int value = openingValue(opening);
        if (value <= bound && value >= -bound) return opening;
        ++redrawn;
    }
}

GameOutcome playGame(const Opening& opening, Player& a, Player& b, bool aBottom) {
    Position board = opening.position;
    Side side = opening.sideToMove;
    GameOutcome outcome;
    for (; outcome.moves < kMaxGameMoves; ++outcome.moves) {
        if (board.rowSum(side) == 0) break;
        Player& mover = (side == Side::Bottom) == aBottom ? a : b;
        const int pit = mover.choose(board, side);
        const MoveResult move = playMove(board, side, pit);
        if (!move.accepted) break;  // a player without a playable choice forfeits the rest
        outcome.pits.push_back(pit);
        board = move.position;
        side = move.sideToMove;
        if (move.gameOver) break;
    }
    const int bottomMargin = board[kBottomStore] - board[kTopStore];
    outcome.marginA = aBottom ? bottomMargin : -bottomMargin;
    return outcome;
}

MatchReport playMatch(const PlayerSetup& a, const PlayerSetup& b, const MatchOptions& options) {
    const int openings = (options.games + 1) / 2;
    std::atomic<int> nextOpening{0};
    std::mutex mutex;
    MatchReport report;
    std::chrono::nanoseconds thinkingA{0}, thinkingB{0}, cpuA{0}, cpuB{0};
    long long movesA = 0, movesB = 0;

    auto work = [&](int job) {
        Player playerA(a, options.seed * 7919u + static_cast<unsigned>(job));
        Player playerB(b, options.seed * 104729u + static_cast<unsigned>(job));
        for (int k = nextOpening++; k < openings; k = nextOpening++) {
            int redrawn = 0;
            const Opening opening =
                boundedOpening(options.seed * 1000003u + static_cast<unsigned>(k),
                               options.stonesPerPit, options.openingBound, redrawn);
            {
                const std::lock_guard lock(mutex);
                report.redrawnOpenings += redrawn;
            }
            for (bool aBottom : {true, false}) {
                const GameOutcome game = playGame(opening, playerA, playerB, aBottom);
                const std::lock_guard lock(mutex);
                MatchTally& t = report.tally;
                ++t.games;
                t.marginSum += game.marginA;
                if (game.marginA > 0) ++t.wins;
                if (game.marginA == 0) ++t.draws;
                if (game.marginA < 0) {
                    ++t.losses;
                    report.lost.push_back(LostGame{opening, aBottom, game});
                }
                if (options.progress) {
                    std::fprintf(stderr, "games %d W/D/L %d/%d/%d margin %+.2f\n", t.games, t.wins,
                                 t.draws, t.losses, t.meanMargin());
                }
            }
        }
        const std::lock_guard lock(mutex);
        thinkingA += playerA.thinking();
        thinkingB += playerB.thinking();
        cpuA += playerA.cpuThinking();
        cpuB += playerB.cpuThinking();
        movesA += playerA.movesMade();
        movesB += playerB.movesMade();
    };
    std::vector<std::jthread> workers;
    for (int job = 1; job < options.jobs; ++job) workers.emplace_back(work, job);
    work(0);
    workers.clear();
    const auto ms = [](std::chrono::nanoseconds total, long long moves) {
        return moves == 0 ? 0.0 : std::chrono::duration<double, std::milli>(total).count() / moves;
    };
    report.msPerMoveA = ms(thinkingA, movesA);
    report.msPerMoveB = ms(thinkingB, movesB);
    report.cpuMsPerMoveA = ms(cpuA, movesA);
    report.cpuMsPerMoveB = ms(cpuB, movesB);
    return report;
}

}  // namespace pimra::match
