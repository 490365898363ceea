// pimra-engine: what the computer would play in a position.

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "EngineReport.h"
#include "RecordReport.h"
#include "core/RecordFormat.h"
#include "core/SavedGame.h"
#include "core/SharedPitDatabase.h"
#include "pimra/Version.h"

namespace {

constexpr int kBadInput = 2;

const char* const kHelp =
    "Usage: pimra-engine [--master] [--analyse] [--solve] [--book] [--time MS] [--depth D]\n"
    "                    [--threads N] N1 N2 ... N14\n"
    "       pimra-engine [options] --file GAME.sav\n"
    "       pimra-engine [options] < positions.txt\n"
    "       pimra-engine [--time MS] [--depth D] --record GAME.pgn\n"
    "       pimra-engine --version\n"
    "\n"
    "Shows what the computer plays in a position. A position is the stones of board pits\n"
    "1..14 in order: the bottom pits 1..6 from left to right, the bottom store 7, the top\n"
    "pits 8..13 from right to left and the top store 14, each 0..255. Without arguments,\n"
    "one position per line is read from standard input.\n"
    "\n"
    "For each position four lines are printed:\n"
    "  normal P                      the top row's move at the normal level\n"
    "  hard P scores S1 .. S6        the hard level's move and the score of top pits 1..6\n"
    "  veryhard P scores S1 .. S6    the same for the very hard level\n"
    "  hint P                        the bottom row's suggested pit\n"
    "P is a board index (8..13 for the top row, 1..6 for the hint); \"-\" stands for no\n"
    "move and for the score of an empty pit.\n"
    "\n"
    "--master adds a fifth line, the master search's move for the top row:\n"
    "  master P value V depth D [exact]\n"
    "V is the final store 14 minus store 7 the search expects with the top row to move, D\n"
    "the depth in turns it reached (extra moves not counted); \"exact\" follows when the\n"
    "value is proven.\n"
    "--analyse adds the master line and one line per playable top pit:\n"
    "  move P value V depth D [exact]\n"
    "--solve adds a line with the proven value of the position for the top row and a move\n"
    "that reaches it, and the positions searched:\n"
    "  solve P value V exact positions N\n"
    "The master and the analysis read the endgame table and the pit database of positions\n"
    "with up to 16 stones in the pits from the cache folder, solving them on the first run\n"
    "(about half a minute); the proof reads a pit database of up to 20 stones (226 MB, about\n"
    "a minute to solve on the first run) and keeps 128 MB of searched positions. With 56\n"
    "or more stones in all it also reads the positions of that total where both stores can\n"
    "still pass 36, with up to 18 stones in the pits (at most 512 MB; for 60 stones 318 MB,\n"
    "about three minutes and 2 GB of memory to solve on the first run).\n"
    "The proof has no time limit unless --time is given; cut short, it prints the bounds it\n"
    "found instead: \"solve P value L..U positions N\".\n"
    "--book adds the opening book's move for the top row, searched ahead of time:\n"
    "  book P value V depth D [exact]\n"
    "or \"book -\" when the book does not have the position. The master plays the book's\n"
    "move where there is one; the book is read from PIMRA_BOOK, else from\n"
    "../share/pimra/opening-book.txt beside the program.\n"
    "--time MS gives the search MS milliseconds per position (default 1000); --depth D\n"
    "stops it at D turns (then the time is not limited unless --time is also given).\n"
    "--threads N searches on N threads that share what they find (default 1).\n"
    "--record replays a game record and prints, for each move, its value for the player\n"
    "who made it and the master's preferred move when that one is better:\n"
    "  N. P by WHO value V [best Q value W]\n"
    "\n"
    "Bad input is reported on standard error and gives exit status 2; on standard input the\n"
    "following lines are still analysed.\n";

struct Options {
    bool master = false;
    bool analyse = false;
    bool solve = false;
    bool book = false;
    int threads = 1;
    // A proof has no time limit unless one is given.
    pimra::SearchLimits proofLimits;
    pimra::SearchLimits limits;
    const char* record = nullptr;
};

// What is printed for one position.
class PositionReporter {
  public:
    explicit PositionReporter(const Options& options)
        : options_(options),
          search_(options.solve ? pimra::MasterSearch::kProofTableEntries
                                : pimra::MasterSearch::kDefaultTableEntries) {
        search_.setThreads(options.threads);
    }
    std::string report(const pimra::Position& position) {
        std::string text = pimra::engine::analyse(position);
        if ((options_.master || options_.analyse || options_.solve) && !search_.endgame()) {
            search_.setEndgame(pimra::sharedEndgameWait());
            search_.setPitDatabase(options_.solve ? pimra::loadProofPitDatabase().database
                                                  : pimra::sharedPitDatabaseWait());
        }
        if (options_.master || options_.analyse) {
            text += pimra::engine::masterReport(position, search_, options_.limits);
        }
        if (options_.analyse) {
            text += pimra::engine::analysisReport(position, search_, options_.limits);
        }
        if (options_.book) {
            text += pimra::engine::bookReport(position, pimra::sharedOpeningBook().get());
        }
        if (options_.solve) {
            useLimitDatabaseFor(position);
            text += pimra::engine::solveReport(position, search_, options_.proofLimits);
        }
        return text;
    }

  private:
    // Proofs of positions with many stones spend most of their time where both stores can
    // pass the limit; that depends on the total of stones, so each total has its database.
    void useLimitDatabaseFor(const pimra::Position& position) {
        int total = 0;
        for (int i = 1; i <= pimra::kPitCount; ++i) total += position[i];
        const auto& current = search_.limitDatabase();
        if (current && current->total() == total) return;
        search_.setLimitDatabase(nullptr);
        if (const auto& pits = search_.pitDatabase()) {
            search_.setLimitDatabase(pimra::loadProofLimitDatabase(total, *pits).database);
        }
    }

    Options options_;
    pimra::MasterSearch search_;
};

int analyseFile(const char* path, PositionReporter& reporter) {
    const pimra::LoadedGame loaded = pimra::readSavedGame(path);
    if (!loaded.position) {
        std::cerr << "pimra-engine: " << path << ": "
                  << (loaded.outcome == pimra::LoadOutcome::NotASavedGame ? "not a saved game"
                                                                          : "cannot be read")
                  << '\n';
        return kBadInput;
    }
    std::cout << reporter.report(*loaded.position);
    return 0;
}

int analyseArguments(const std::vector<std::string>& arguments, PositionReporter& reporter) {
    std::string text;
    for (const std::string& argument : arguments) text += argument + ' ';
    std::string error;
    const auto position = pimra::engine::parsePosition(text, error);
    if (!position) {
        std::cerr << "pimra-engine: " << error << '\n';
        return kBadInput;
    }
    std::cout << reporter.report(*position);
    return 0;
}

int analyseStandardInput(PositionReporter& reporter) {
    int status = 0;
    std::string line;
    for (int number = 1; std::getline(std::cin, line); ++number) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        std::string error;
        const auto position = pimra::engine::parsePosition(line, error);
        if (!position) {
            std::cerr << "pimra-engine: line " << number << ": " << error << '\n';
            status = kBadInput;
            continue;
        }
        std::cout << reporter.report(*position) << std::flush;
    }
    return status;
}

bool readLimit(const char* text, int high, int& value) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || n < 1 || n > high) return false;
    value = static_cast<int>(n);
    return true;
}

int limitOf(const std::string& option) {
    if (option == "--time") return 3'600'000;
    if (option == "--threads") return pimra::MasterSearch::kMaxThreads;
    return pimra::MasterSearch::kMaxDepth;
}

int replayRecord(const Options& options) {
    const pimra::RecordReading reading = pimra::readRecordFile(options.record);
    if (!reading.record) {
        std::cerr << "pimra-engine: " << options.record;
        if (reading.problem.line > 0) std::cerr << ": line " << reading.problem.line;
        std::cerr << ": " << reading.problem.message << '\n';
        return kBadInput;
    }
    pimra::MasterSearch search;
    search.setThreads(options.threads);
    search.setEndgame(pimra::sharedEndgameWait());
    search.setPitDatabase(pimra::sharedPitDatabaseWait());
    std::cout << pimra::engine::recordReport(*reading.record, search, options.limits);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    bool timeGiven = false;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        int value = 0;
        if (arg == "--help" || arg == "-h") {
            std::cout << kHelp;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "pimra-engine " PIMRA_VERSION "\n";
            return 0;
        }
        if (arg == "--master") {
            options.master = true;
        } else if (arg == "--analyse") {
            options.analyse = true;
        } else if (arg == "--solve") {
            options.solve = true;
        } else if (arg == "--book") {
            options.book = true;
        } else if (arg == "--time" || arg == "--depth" || arg == "--record" || arg == "--threads") {
            if (i + 1 >= argc) {
                std::cerr << "pimra-engine: " << arg << " needs a value\n";
                return kBadInput;
            }
            const char* next = argv[++i];
            if (arg == "--record") {
                options.record = next;
            } else if (!readLimit(next, limitOf(arg), value)) {
                std::cerr << "pimra-engine: bad value for " << arg << ": " << next << '\n';
                return kBadInput;
            } else if (arg == "--threads") {
                options.threads = value;
            } else if (arg == "--time") {
                options.limits.time = std::chrono::milliseconds(value);
                timeGiven = true;
            } else {
                options.limits.depth = value;
            }
        } else {
            rest.push_back(arg);
        }
    }
    if (options.limits.depth > 0 && !timeGiven) options.limits.time = std::chrono::milliseconds(0);
    options.proofLimits.time = timeGiven ? options.limits.time : std::chrono::milliseconds(0);
    if (options.record != nullptr) {
        if (!rest.empty()) {
            std::cerr << "pimra-engine: --record takes no position\n";
            return kBadInput;
        }
        return replayRecord(options);
    }
    PositionReporter reporter(options);
    if (!rest.empty() && rest[0] == "--file") {
        if (rest.size() != 2) {
            std::cerr << "pimra-engine: --file needs exactly one file name\n";
            return kBadInput;
        }
        return analyseFile(rest[1].c_str(), reporter);
    }
    if (!rest.empty()) return analyseArguments(rest, reporter);
    return analyseStandardInput(reporter);
}
