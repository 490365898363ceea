// pimra-match: two players over many games from varied openings.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "Match.h"

namespace {

const char* const kHelp =
    "Usage: pimra-match [--games N] [--seed S] [--stones K] [--jobs J] [--losses]\n"
    "                   [--no-endgame] [--no-book] [--wall-time] [--opening-bound B] [--progress]\n"
    "                   PLAYER_A PLAYER_B\n"
    "\n"
    "Plays N games (default 200) between two players by the game's rules. Each opening of\n"
    "2..4 random moves from the start position (K stones per pit, default 6) is played twice,\n"
    "once with each player on the bottom row. A player is easy, normal, hard, veryhard,\n"
    "master (1000 ms per move), master:MS (MS milliseconds per move), master:MS:tN (the\n"
    "same on N threads that share the search; the time counts the first thread's work) or\n"
    "engine:COMMAND, another program run by /bin/sh that reads one line \"N1 .. N14 SIDE\"\n"
    "(SIDE 1 bottom, 2 top) per move and answers \"PIT CPU_MS\"; one runs per job.\n"
    "J games run at once.\n"
    "\n"
    "The master's time per move is the CPU time of the thread that searches, so a busy\n"
    "machine does not weaken it (it then takes longer by the wall clock); --wall-time counts\n"
    "wall-clock time instead, as the game's window does.\n"
    "--opening-bound B draws an opening again while a search of 8 turns finds it worth more\n"
    "than B stones to either side (default: every opening is played).\n"
    "\n"
    "Prints one line: A, B, games, wins/draws/losses of A, A's mean store margin, the mean\n"
    "wall-clock time per move of each player and their mean CPU time per move; with\n"
    "--opening-bound also how many openings were drawn again. --losses adds one line per\n"
    "game that A lost: the opening moves, A's row (bottom or top), the opening's value for A\n"
    "by the search of 8 turns, A's final margin and the moves of the game.\n"
    "The master reads the endgame table and the pit database from the cache folder (solving\n"
    "them on the first run, which takes about half a minute); --no-endgame searches without\n"
    "them. It plays the opening book's move where it has one; --no-book always searches.\n"
    "--progress prints the running tally on standard error after every game.\n";

bool readNumber(const char* text, int low, int high, int& value) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || n < low || n > high) return false;
    value = static_cast<int>(n);
    return true;
}

void printLostGame(const pimra::match::LostGame& lost) {
    std::printf("lost: opening");
    for (int pit : lost.opening.moves) std::printf(" %d", pit);
    const int value = pimra::match::openingValue(lost.opening);
    const bool aToMove = (lost.opening.sideToMove == pimra::Side::Bottom) == lost.aBottom;
    std::printf(" A %s opening value %+d margin %+d moves", lost.aBottom ? "bottom" : "top",
                aToMove ? value : -value, lost.outcome.marginA);
    for (int pit : lost.outcome.pits) std::printf(" %d", pit);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    pimra::match::MatchOptions options;
    bool showLosses = false;
    bool endgame = true;
    bool book = true;
    pimra::SearchClock clock = pimra::SearchClock::ThreadCpu;
    std::vector<std::string> players;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        int value = 0;
        if (arg == "--help" || arg == "-h") {
            std::cout << kHelp;
            return 0;
        }
        if (arg == "--no-book") {
            book = false;
            continue;
        }
        if (arg == "--progress") {
            options.progress = true;
            continue;
        }
        if (arg == "--losses" || arg == "--no-endgame") {
            (arg == "--losses" ? showLosses : endgame) = arg == "--losses";
            continue;
        }
        if (arg == "--wall-time") {
            clock = pimra::SearchClock::Wall;
            continue;
        }
        const bool hasValue = i + 1 < argc;
        if (arg == "--games" && hasValue && readNumber(argv[i + 1], 1, 1'000'000, value)) {
            options.games = value;
        } else if (arg == "--seed" && hasValue &&
                   readNumber(argv[i + 1], 0, 1'000'000'000, value)) {
            options.seed = static_cast<std::uint32_t>(value);
        } else if (arg == "--stones" && hasValue && readNumber(argv[i + 1], 1, 20, value)) {
            options.stonesPerPit = value;
        } else if (arg == "--jobs" && hasValue && readNumber(argv[i + 1], 1, 64, value)) {
            options.jobs = value;
        } else if (arg == "--opening-bound" && hasValue && readNumber(argv[i + 1], 1, 72, value)) {
            options.openingBound = value;
        } else if (arg.rfind("--", 0) == 0) {
            std::cerr << "pimra-match: bad option " << arg << " (see --help)\n";
            return 2;
        } else {
            players.push_back(arg);
            continue;
        }
        ++i;
    }
    if (players.size() != 2) {
        std::cerr << "pimra-match: name two players (see --help)\n";
        return 2;
    }
    // An engine program that has gone is a forfeit, not the end of the match.
    std::signal(SIGPIPE, SIG_IGN);
    auto a = pimra::match::parsePlayer(players[0]);
    auto b = pimra::match::parsePlayer(players[1]);
    if (!a || !b) {
        std::cerr << "pimra-match: unknown player " << (a ? players[1] : players[0]) << '\n';
        return 2;
    }
    a->endgame = b->endgame = endgame;
    a->book = b->book = book;
    a->clock = b->clock = clock;
    const pimra::match::MatchReport report = pimra::match::playMatch(*a, *b, options);
    const pimra::match::MatchTally& t = report.tally;
    std::printf("%s vs %s: games %d W/D/L %d/%d/%d margin %+.2f ms/move %.1f %.1f cpu %.1f %.1f",
                a->name.c_str(), b->name.c_str(), t.games, t.wins, t.draws, t.losses,
                t.meanMargin(), report.msPerMoveA, report.msPerMoveB, report.cpuMsPerMoveA,
                report.cpuMsPerMoveB);
    if (options.openingBound > 0) std::printf(" redrawn %d", report.redrawnOpenings);
    std::printf("\n");
    if (showLosses) {
        for (const pimra::match::LostGame& lost : report.lost) printLostGame(lost);
    }
    return 0;
}
