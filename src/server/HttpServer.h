#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace pimra::server {

class Accounts;
class Engine;
class Store;

// Bounds on what one client may hold of the server.
struct HttpLimits {
    // The whole request must arrive within this time of its first byte.
    std::chrono::milliseconds requestTimeout{10'000};
    // An idle connection, before a request or between two, is closed after this time.
    std::chrono::milliseconds idleTimeout{5'000};
    std::size_t maxHeaderBytes = 8 * 1024;
    std::size_t maxBodyBytes = 64 * 1024;
    int maxConnectionsPerAddress = 64;
    int maxConnections = 10'000;
    // The front's addresses (nginx). A connection from one counts only against
    // `maxConnections`; each of its requests names the client in X-Real-IP, and the client's
    // requests under way count against `maxConnectionsPerAddress` as its connections would.
    std::vector<std::string> trustedProxies;
    // Table lists per client and in all: a burst, then a steady rate. A list over either rate waits
    // its turn; one that would wait longer than `listMaxWait` is refused after that wait.
    double listsPerSecond = 5;
    int listBurst = 10;
    double listsPerSecondInAll = 200;
    int listBurstInAll = 101;
    std::chrono::milliseconds listMaxWait{2'000};

    // The game socket (`/engine/ws`): sockets per client (they count as connections too),
    // tables each watches, the largest frame read, requests a second after a burst (which
    // also bounds the requests under way), what may wait to be sent before a client that
    // does not read is dropped, and the pings that find a client gone.
    int maxSocketsPerAddress = 32;
    int maxWatchesPerSocket = 8;
    std::size_t maxFrameBytes = 8 * 1024;
    double socketRequestsPerSecond = 10;
    int socketRequestBurst = 20;
    std::size_t socketQueueBytes = 256 * 1024;
    std::chrono::milliseconds pingInterval{20'000};
    std::chrono::milliseconds pongTimeout{60'000};
    // The lobby's watchers hear of changes at most once in this time.
    std::chrono::milliseconds lobbyInterval{1'000};
    // A watched game's clock is looked at again after at most this time, in case the
    // engine's clock and this one part.
    std::chrono::milliseconds clockRecheck{60'000};
};

// The HTTP face of the server: "/engine/", the registration page and the web pages. One
// network thread reads and writes every connection; reads run on a pool of workers, logins
// and registrations on a pool of their own as large as the machine has cores. Changes go from
// the network thread straight to a store that queues them, else to the workers.
class HttpServer {
  public:
    HttpServer(Engine& engine, Accounts& accounts, Store& store, HttpLimits limits = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds to `host`; port 0 picks a free port. Gives the port, or -1 on failure.
    int bind(const std::string& host, int port);
    // Serves until `stop`; false if it could not serve.
    bool run();
    void stop();
    bool isRunning() const;
    void waitUntilReady() const;

    // Opaque; public only so that the connections inside the implementation can reach it.
    class Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace pimra::server
