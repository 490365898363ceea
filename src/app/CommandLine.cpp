#include "CommandLine.h"

#include "pimra/Version.h"

namespace pimra {

namespace {

constexpr const char* kHelp =
    "Usage: pimra [--server URL]\n"
    "Pimra, a game of kalah against the computer or against other players online.\n"
    "\n"
    "Options:\n"
    "  --server URL  the game server (http or https), instead of the one in the settings\n"
    "                or http://127.0.0.1:8455\n"
    "  -h, --help    print this help and exit\n"
    "  --version     print the version and exit\n";

}  // namespace

std::optional<std::string> immediateAnswer(const std::vector<std::string>& arguments) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") break;
        if (argument == "--help" || argument == "-h") return std::string(kHelp);
        if (argument == "--version") return std::string("pimra " PIMRA_VERSION "\n");
    }
    return std::nullopt;
}

}  // namespace pimra
