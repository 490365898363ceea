#include "Options.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace pimra::server {

std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string& error) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            continue;
        }
        if (arg == "--version") {
            options.version = true;
            continue;
        }
        if (arg != "--bind" && arg != "--port" && arg != "--db") {
            error = "unknown option " + arg;
            return std::nullopt;
        }
        if (i + 1 == args.size() || args[i + 1].empty()) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (arg == "--bind") {
            options.bind = value;
        } else if (arg == "--db") {
            options.db = value;
        } else {
            int port = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), port);
            if (ec != std::errc() || end != value.data() + value.size() || port < 0 ||
                port > 65535) {
                error = "bad port " + value;
                return std::nullopt;
            }
            options.port = port;
        }
    }
    return options;
}

std::string usageText() {
    return "usage: pimra-server [--bind ADDR] [--port PORT] [--db FILE] | --version\n"
           "  --bind ADDR  address to listen on (default 127.0.0.1)\n"
           "  --port PORT  port to listen on (default 8455; 0 picks a free one)\n"
           "  --db FILE    SQLite database file, or :memory: (default "
           "$XDG_DATA_HOME/pimra/server.db)\n";
}

std::string defaultDatabasePath() {
    std::filesystem::path dir;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        dir = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        dir = std::filesystem::path(home) / ".local" / "share";
    } else {
        throw std::runtime_error("neither XDG_DATA_HOME nor HOME is set; give --db");
    }
    dir /= "pimra";
    std::filesystem::create_directories(dir);
    return (dir / "server.db").string();
}

}  // namespace pimra::server
