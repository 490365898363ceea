#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pimra::server {

struct Options {
    static constexpr int kDefaultPort = 8455;
    std::string bind = "127.0.0.1";
    int port = kDefaultPort;
    std::string db;  // empty: the default file
    bool help = false;
    bool version = false;
    // The front's addresses (nginx): only connections from them are read for X-Real-IP.
    std::vector<std::string> trustedProxies;

    int waitingTableMinutes = 30;
    int requestTimeoutMs = 10'000;
    int idleTimeoutMs = 5'000;
    int maxHeaderBytes = 8 * 1024;
    int maxBodyBytes = 64 * 1024;
    int maxConnectionsPerAddress = 64;
    int maxConnections = 10'000;
    int listsPerSecond = 5;
    int allListsPerSecond = 200;
    int maxSocketsPerAddress = 32;
    int socketWatches = 8;
    int socketFrameBytes = 8 * 1024;
    int socketRequestsPerSecond = 10;
    int socketQueueBytes = 256 * 1024;
    int socketPingSeconds = 20;
    int socketPongTimeoutSeconds = 60;
};

// Parses the command line (without the program name); gives nothing and fills `error` for a
// bad one.
std::optional<Options> parseOptions(const std::vector<std::string>& args, std::string& error);

std::string usageText();

// $XDG_DATA_HOME/pimra/server.db, or ~/.local/share/pimra/server.db; creates the folder.
std::string defaultDatabasePath();

}  // namespace pimra::server
