#include <pthread.h>
#include <sys/resource.h>
#include <chrono>
#include <csignal>
#include <functional>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "pimra/Version.h"
#include "server/Accounts.h"
#include "server/Clock.h"
#include "server/Credentials.h"
#include "server/DatabaseClock.h"
#include "server/Engine.h"
#include "server/HttpServer.h"
#include "server/Options.h"
#include "server/PeriodicReport.h"
#include "server/PostgresStore.h"
#include "server/SqliteStore.h"

using namespace pimra::server;

namespace {

// The store named by --db and the clock that goes with it: a shared database also gives the
// time, so that all processes on it agree on the clocks of a game.
struct StoreAndClock {
    std::unique_ptr<Store> store;
    std::unique_ptr<Clock> clock;
    std::string description;
    // A line about what the store did since the last call, empty when it did nothing.
    std::function<std::string()> report;
};

// What a store did since the last call of the returned function.
template <class ConcreteStore>
std::function<std::string()> changesSinceLastCall(ConcreteStore& store) {
    return [&store, last = store.stats()]() mutable {
        const auto now = store.stats();
        return ConcreteStore::describeChanges(std::exchange(last, now), now);
    };
}

StoreAndClock openStore(const std::string& db) {
    if (PostgresStore::isConnectionUri(db)) {
        auto store = std::make_unique<PostgresStore>(db);
        auto clock =
            std::make_unique<DatabaseClock>([&shared = *store] { return shared.databaseTimeMs(); });
        auto report = changesSinceLastCall(*store);
        return {std::move(store), std::move(clock), PostgresStore::withoutPassword(db),
                std::move(report)};
    }
    const std::string path = db.empty() ? defaultDatabasePath() : db;
    auto store = std::make_unique<SqliteStore>(path);
    auto report = changesSinceLastCall(*store);
    return {std::move(store), std::make_unique<SystemClock>(), path, std::move(report)};
}

// An error as one line of the log: SQLite's verdict on a damaged file runs to a line per
// damaged page.
std::string oneLine(std::string_view text) {
    constexpr std::size_t kMaxLength = 400;
    std::string line;
    for (const char c : text) {
        if (c == '\n' || c == '\r') {
            if (!line.empty() && !line.ends_with("; ")) line += "; ";
        } else {
            line += c;
        }
    }
    while (line.ends_with("; ") || line.ends_with(' ')) line.pop_back();
    if (line.size() > kMaxLength) line = line.substr(0, kMaxLength) + " ...";
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = parseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "pimra-server: " << error << '\n' << usageText();
        return 2;
    }
    if (options->version) {
        std::cout << "pimra-server " PIMRA_VERSION "\n";
        return 0;
    }
    if (options->help) {
        std::cout << usageText();
        return 0;
    }

    // The signals are taken by sigwait below, not by a handler, so stopping runs normal code.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // Ten thousand connections need more descriptors than the usual soft limit of 1024.
    if (rlimit files{}; getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }

    try {
        const auto opened = openStore(options->db);
        Store& store = *opened.store;
        const Clock& clock = *opened.clock;
        PasswordHasher hasher;
        Accounts accounts(store, clock, hasher);
        EngineSettings settings;
        settings.waitingTableMs = std::int64_t{options->waitingTableMinutes} * 60 * 1000;
        Engine engine(store, clock, accounts, settings);
        HttpLimits limits;
        limits.requestTimeout = std::chrono::milliseconds(options->requestTimeoutMs);
        limits.idleTimeout = std::chrono::milliseconds(options->idleTimeoutMs);
        limits.maxHeaderBytes = static_cast<std::size_t>(options->maxHeaderBytes);
        limits.maxBodyBytes = static_cast<std::size_t>(options->maxBodyBytes);
        limits.maxConnectionsPerAddress = options->maxConnectionsPerAddress;
        limits.maxConnections = options->maxConnections;
        limits.trustedProxies = options->trustedProxies;
        limits.listsPerSecond = options->listsPerSecond;
        limits.listBurst = 2 * options->listsPerSecond;
        limits.listsPerSecondInAll = options->allListsPerSecond;
        limits.listBurstInAll = options->allListsPerSecond / 2 + 1;
        limits.maxSocketsPerAddress = options->maxSocketsPerAddress;
        limits.maxWatchesPerSocket = options->socketWatches;
        limits.maxFrameBytes = static_cast<std::size_t>(options->socketFrameBytes);
        limits.socketRequestsPerSecond = options->socketRequestsPerSecond;
        limits.socketRequestBurst = 2 * options->socketRequestsPerSecond;
        limits.socketQueueBytes = static_cast<std::size_t>(options->socketQueueBytes);
        limits.pingInterval = std::chrono::seconds(options->socketPingSeconds);
        limits.pongTimeout = std::chrono::seconds(options->socketPongTimeoutSeconds);
        HttpServer http(engine, accounts, store, limits);
        const int port = http.bind(options->bind, options->port);
        if (port < 0) {
            std::cerr << "pimra-server: cannot listen on " << options->bind << ':' << options->port
                      << '\n';
            return 1;
        }
        std::cerr << "pimra-server: listening on http://" << options->bind << ':' << port
                  << "/ with " << opened.description << '\n';
        // Once a minute, what the store did: the first thing to look at when moves slow down.
        PeriodicReport storeReport(
            std::chrono::minutes(1), opened.report,
            [](const std::string& line) { std::cerr << "pimra-server: " << line << '\n'; });
        std::thread serving([&] { http.run(); });
        int received = 0;
        sigwait(&signals, &received);
        std::cerr << "pimra-server: stopping on signal " << received << '\n';
        http.stop();
        serving.join();
    } catch (const std::exception& e) {
        std::cerr << "pimra-server: " << oneLine(e.what()) << '\n';
        return 1;
    }
    return 0;
}
