#include "Options.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string_view>

#include "ClientAddress.h"

namespace pimra::server {

namespace {

struct NumberOption {
    const char* name;
    int Options::*field;
    int min;
    int max;
};

const NumberOption kNumberOptions[] = {
    {"--port", &Options::port, 0, 65535},
    {"--waiting-table-minutes", &Options::waitingTableMinutes, 1, 7 * 24 * 60},
    {"--request-timeout-ms", &Options::requestTimeoutMs, 1, 3'600'000},
    {"--idle-timeout-ms", &Options::idleTimeoutMs, 1, 3'600'000},
    {"--max-header-bytes", &Options::maxHeaderBytes, 256, 1024 * 1024},
    {"--max-body-bytes", &Options::maxBodyBytes, 1024, 16 * 1024 * 1024},
    {"--max-connections-per-address", &Options::maxConnectionsPerAddress, 1, 1'000'000},
    {"--max-connections", &Options::maxConnections, 1, 1'000'000},
    {"--lists-per-second", &Options::listsPerSecond, 1, 1'000'000},
    {"--all-lists-per-second", &Options::allListsPerSecond, 1, 1'000'000},
    {"--max-sockets-per-address", &Options::maxSocketsPerAddress, 1, 1'000'000},
    {"--socket-watches", &Options::socketWatches, 1, 1000},
    {"--socket-frame-bytes", &Options::socketFrameBytes, 256, 1024 * 1024},
    {"--socket-requests-per-second", &Options::socketRequestsPerSecond, 1, 1'000'000},
    {"--socket-queue-bytes", &Options::socketQueueBytes, 4096, 64 * 1024 * 1024},
    {"--socket-ping-seconds", &Options::socketPingSeconds, 1, 3600},
    {"--socket-pong-timeout-seconds", &Options::socketPongTimeoutSeconds, 1, 3600},
};

const NumberOption* findNumberOption(const std::string& name) {
    for (const auto& option : kNumberOptions) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

std::optional<int> parseNumber(const std::string& text, int min, int max) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

// The addresses of --trust-proxy, each in its canonical form; none if one is not an address.
std::optional<std::vector<std::string>> parseAddresses(std::string_view list) {
    std::vector<std::string> addresses;
    while (true) {
        const std::size_t comma = list.find(',');
        const auto address = canonicalAddress(list.substr(0, comma));
        if (!address) return std::nullopt;
        addresses.push_back(*address);
        if (comma == std::string_view::npos) return addresses;
        list.remove_prefix(comma + 1);
    }
}

}  // namespace

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
        if (arg == "--trust-proxy") {
            // Bare, as the scripts have always given it: a front on this machine.
            if (i + 1 == args.size() || args[i + 1].starts_with('-')) {
                options.trustedProxies = {"127.0.0.1", "::1"};
                continue;
            }
            const auto addresses = parseAddresses(args[++i]);
            if (!addresses) {
                error = "bad address list " + args[i] + " for --trust-proxy";
                return std::nullopt;
            }
            options.trustedProxies = *addresses;
            continue;
        }
        const NumberOption* number = findNumberOption(arg);
        if (arg != "--bind" && arg != "--db" && number == nullptr) {
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
        } else if (const auto parsed = parseNumber(value, number->min, number->max)) {
            options.*(number->field) = *parsed;
        } else {
            error = "bad value " + value + " for " + arg + " (" + std::to_string(number->min) +
                    " to " + std::to_string(number->max) + ")";
            return std::nullopt;
        }
    }
    return options;
}

std::string usageText() {
    return "usage: pimra-server [OPTION]... | --version\n"
           "  --bind ADDR                 address to listen on (default 127.0.0.1)\n"
           "  --port PORT                 port to listen on (default 8455; 0 picks a free one)\n"
           "  --db FILE|URI               SQLite database file, or :memory: (default\n"
           "                              $XDG_DATA_HOME/pimra/server.db); or a PostgreSQL\n"
           "                              database that several servers share:\n"
           "                              postgresql://USER@HOST:PORT/DB or\n"
           "                              postgresql:///DB?host=SOCKET_DIR&port=PORT\n"
           "  --waiting-table-minutes N   a table whose game has not started goes away N\n"
           "                              minutes after its last change (default 30)\n"
           "  --request-timeout-ms N      a whole request must arrive within N ms of its first\n"
           "                              byte, or the connection is closed (default 10000)\n"
           "  --idle-timeout-ms N         an idle connection is closed after N ms (default 5000)\n"
           "  --max-header-bytes N        request line and headers at most N bytes (default 8192)\n"
           "  --max-body-bytes N          request body at most N bytes, however it is framed\n"
           "                              (default 65536)\n"
           "  --max-connections-per-address N\n"
           "                              open connections from one address (default 64)\n"
           "  --max-connections N         open connections in all (default 10000)\n"
           "  --lists-per-second N        table lists for one client a second, after a burst\n"
           "                              of twice as many; more wait, at most 2 s, or are\n"
           "                              refused (default 5)\n"
           "  --all-lists-per-second N    table lists for all clients together a second, the\n"
           "                              same way (default 200)\n"
           "  --max-sockets-per-address N game sockets (/engine/ws) of one client (default 32);\n"
           "                              each counts as a connection too\n"
           "  --socket-watches N          tables one socket watches at a time (default 8)\n"
           "  --socket-frame-bytes N      largest frame read from a socket (default 8192)\n"
           "  --socket-requests-per-second N\n"
           "                              requests on one socket a second, after a burst of\n"
           "                              twice as many; more are refused (default 10)\n"
           "  --socket-queue-bytes N      replies and events waiting for a client that does not\n"
           "                              read; over it the socket is dropped (default 262144)\n"
           "  --socket-ping-seconds N     a ping every N s (default 20)\n"
           "  --socket-pong-timeout-seconds N\n"
           "                              a socket silent for N s is dropped (default 60)\n"
           "  --trust-proxy [ADDR[,ADDR]...]\n"
           "                              the front's addresses (default 127.0.0.1,::1): on\n"
           "                              connections from them the client's address is read\n"
           "                              from X-Real-IP, and the limits per address apply to\n"
           "                              that client, not to the front\n"
           "  --version                   show the version\n"
           "  -h, --help                  show this text\n";
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
