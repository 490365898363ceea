// pimra-engine: what the computer would play in a position.

#include <cstring>
#include <iostream>
#include <string>

#include "EngineReport.h"
#include "core/SavedGame.h"
#include "pimra/Version.h"

namespace {

constexpr int kBadInput = 2;

const char* const kHelp =
    "Usage: pimra-engine N1 N2 ... N14\n"
    "       pimra-engine --file GAME.sav\n"
    "       pimra-engine < positions.txt\n"
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
    "Bad input is reported on standard error and gives exit status 2; on standard input the\n"
    "following lines are still analysed.\n";

int analyseFile(const char* path) {
    const pimra::LoadedGame loaded = pimra::readSavedGame(path);
    if (!loaded.position) {
        std::cerr << "pimra-engine: " << path << ": "
                  << (loaded.status == pimra::kLoadTooShortText ? "shorter than 14 bytes"
                                                                : "cannot be read")
                  << '\n';
        return kBadInput;
    }
    std::cout << pimra::engine::analyse(*loaded.position);
    return 0;
}

int analyseArguments(int argc, char** argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) text += std::string(argv[i]) + ' ';
    std::string error;
    const auto position = pimra::engine::parsePosition(text, error);
    if (!position) {
        std::cerr << "pimra-engine: " << error << '\n';
        return kBadInput;
    }
    std::cout << pimra::engine::analyse(*position);
    return 0;
}

int analyseStandardInput() {
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
        std::cout << pimra::engine::analyse(*position) << std::flush;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << kHelp;
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "pimra-engine " PIMRA_VERSION "\n";
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--file") == 0) {
        if (argc != 3) {
            std::cerr << "pimra-engine: --file needs exactly one file name\n";
            return kBadInput;
        }
        return analyseFile(argv[2]);
    }
    if (argc >= 2) return analyseArguments(argc, argv);
    return analyseStandardInput();
}
