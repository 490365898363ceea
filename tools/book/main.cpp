// pimra-book: searches the positions of the first turns from the 6-stone start deep and
// keeps the master's move for each in the opening book.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "BookPositions.h"
#include "core/MasterSearch.h"
#include "core/OpeningBook.h"
#include "core/SharedPitDatabase.h"

namespace {

const char* const kHelp =
    "Usage: pimra-book [--turns T] [--depth D] [--threads N] [--cpu-seconds S] [--count] BOOK\n"
    "\n"
    "Searches every position of the first T turns (default 3) from the start with 6 stones\n"
    "per pit, D turns deep (default 16; proven where the search reaches the end), and keeps\n"
    "the master's move for each in the opening book BOOK. The book is written again after\n"
    "every position, so a run that is stopped goes on from there when started again:\n"
    "positions already in BOOK at depth D or more (or proven) are not searched again.\n"
    "--cpu-seconds S stops once the process has used S seconds of CPU time.\n"
    "--count prints how many positions each number of turns has and searches nothing.\n";

struct Options {
    int turns = 3;
    int depth = 16;
    int threads = 1;
    double cpuSeconds = 0;
    bool count = false;
    std::filesystem::path book;
};

bool readNumber(const char* text, int low, int high, int& value) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || n < low || n > high) return false;
    value = static_cast<int>(n);
    return true;
}

std::optional<Options> readOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        int value = 0;
        const bool hasValue = i + 1 < argc;
        if (arg == "--count") {
            options.count = true;
        } else if (arg == "--turns" && hasValue && readNumber(argv[++i], 1, 12, value)) {
            options.turns = value;
        } else if (arg == "--depth" && hasValue && readNumber(argv[++i], 1, 60, value)) {
            options.depth = value;
        } else if (arg == "--threads" && hasValue &&
                   readNumber(argv[++i], 1, pimra::MasterSearch::kMaxThreads, value)) {
            options.threads = value;
        } else if (arg == "--cpu-seconds" && hasValue &&
                   readNumber(argv[++i], 1, 10'000'000, value)) {
            options.cpuSeconds = value;
        } else if (arg.rfind("--", 0) != 0 && options.book.empty()) {
            options.book = arg;
        } else {
            return std::nullopt;
        }
    }
    if (options.book.empty() && !options.count) return std::nullopt;
    return options;
}

double cpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

int countPositions(const Options& options) {
    std::size_t before = 0;
    for (int turns = 1; turns <= options.turns; ++turns) {
        const std::size_t all = pimra::book::openingPositions(pimra::kStartStones, turns).size();
        std::printf("turn %d: %zu positions (%zu in all)\n", turns, all - before, all);
        before = all;
    }
    return 0;
}

bool isDone(const pimra::OpeningBook& book, const pimra::Position& p, int depth) {
    const std::optional<pimra::BookEntry> entry = book.find(p, pimra::Side::Bottom);
    return entry && (entry->exact || entry->depth >= depth);
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = readOptions(argc, argv);
    if (!options) {
        std::cerr << kHelp;
        return argc > 1 && std::string(argv[1]) == "--help" ? 0 : 2;
    }
    if (options->count) return countPositions(*options);

    pimra::OpeningBook book;
    std::error_code error;
    if (std::filesystem::exists(options->book, error)) {
        pimra::OpeningBook::Loaded loaded = pimra::OpeningBook::load(options->book);
        if (!loaded.book) {
            // Not overwritten: it may be the work of hours.
            std::cerr << "pimra-book: " << options->book.string() << ": " << loaded.error << '\n';
            return 1;
        }
        book = std::move(*loaded.book);
    }
    const std::vector<pimra::Position> positions =
        pimra::book::openingPositions(pimra::kStartStones, options->turns);
    pimra::MasterSearch search(std::size_t{1} << 23);
    search.setThreads(options->threads);
    // Every move searched to the full depth: the book is what play cannot afford.
    search.setSelective(false);
    search.setEndgame(pimra::sharedEndgameWait());
    search.setPitDatabase(pimra::sharedPitDatabaseWait());
    pimra::SearchLimits limits;
    limits.time = std::chrono::milliseconds(0);
    limits.depth = options->depth;
    std::size_t done = 0;
    for (const pimra::Position& p : positions) {
        ++done;
        if (isDone(book, p, options->depth)) continue;
        if (options->cpuSeconds > 0 && cpuSeconds() >= options->cpuSeconds) {
            std::printf("stopped after %.0f s of CPU time at %zu of %zu\n", cpuSeconds(), done - 1,
                        positions.size());
            return 0;
        }
        const double started = cpuSeconds();
        const pimra::SearchResult r = search.search(p, pimra::Side::Bottom, limits);
        pimra::BookEntry entry{p, pimra::Side::Bottom, r.pit, r.value, r.depth, r.exact};
        if (!book.add(entry)) {
            std::cerr << "pimra-book: no move found for position " << done << '\n';
            continue;
        }
        if (const std::optional<std::string> failed = book.save(options->book)) {
            std::cerr << "pimra-book: " << *failed << '\n';
            return 1;
        }
        std::printf("%zu/%zu pit %d value %+d depth %d%s cpu %.1f s\n", done, positions.size(),
                    r.pit, r.value, r.depth, r.exact ? " exact" : "", cpuSeconds() - started);
        std::fflush(stdout);
    }
    std::printf("book of %zu positions, %.0f s of CPU time\n", book.size(), cpuSeconds());
    return 0;
}
