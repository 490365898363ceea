#include "HttpServer.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <iostream>
#include <latch>
#include <limits>
#include <memory>
#include <thread>

#include <boost/asio/post.hpp>

#include "ClientAddress.h"
#include "Credentials.h"
#include "Engine.h"
#include "HttpConnection.h"
#include "HttpServerImpl.h"
#include "Store.h"

namespace pimra::server {

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;

namespace {

constexpr int kListenBacklog = 16384;
// Reads and the SQL-free part of changes run here; a change's worker goes on at once once the
// change is queued for the store, unless the store holds it until the commit (PostgreSQL), so
// there are enough workers for many changes to wait side by side while the reads go on.
constexpr unsigned kEngineWorkers = 64;
constexpr int kHasherNiceness = 10;

unsigned hasherCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

// Gives every thread of `pool` (of `threads` threads) a lower scheduling priority. Password
// hashes take whole cores for tens of milliseconds; on lower priority their threads yield to
// the network thread and the engine workers, so a burst of logins cannot hold the polls up.
void lowerPriority(asio::thread_pool& pool, unsigned threads) {
    // Each task waits until all have started, so each runs on a thread of its own.
    const auto started = std::make_shared<std::latch>(threads);
    for (unsigned i = 0; i < threads; ++i) {
        asio::post(pool, [started] {
            const auto self = static_cast<id_t>(gettid());
            errno = 0;
            const int nice = getpriority(PRIO_PROCESS, self);
            if (errno == 0) setpriority(PRIO_PROCESS, self, std::min(nice + kHasherNiceness, 19));
            started->arrive_and_wait();
        });
    }
    started->wait();
}

std::string storeSecret(Store& store) {
    std::string key;
    store.write([&](StoreTransaction& tx) { key = tx.secret("csrf", randomToken()); });
    return key;
}

std::vector<std::string> canonical(const std::vector<std::string>& addresses) {
    std::vector<std::string> result;
    for (const auto& address : addresses) {
        if (const auto written = canonicalAddress(address)) result.push_back(*written);
    }
    return result;
}

}  // namespace

HttpServer::Impl::Impl(Engine& engine, Accounts& accounts, Store& store, HttpLimits limits)
    : engine_(engine),
      store_(store),
      limits_(limits),
      trusted_(canonical(limits.trustedProxies)),
      csrf_(storeSecret(store)),
      pages_(accounts, store, csrf_, engine.clock()),
      connections_(limits.maxConnections, limits.maxConnectionsPerAddress),
      frontClients_(std::numeric_limits<int>::max(), limits.maxConnectionsPerAddress),
      sockets_(std::numeric_limits<int>::max(), limits.maxSocketsPerAddress),
      lists_(limits.listsPerSecond, limits.listBurst, limits.listMaxWait),
      allLists_(limits.listsPerSecondInAll, limits.listBurstInAll, limits.listMaxWait),
      workers_(kEngineWorkers),
      hashers_(hasherCount()),
      watchers_(std::make_shared<SocketWatchers>(
          io_.get_executor(),
          [this](std::int64_t tableId, std::function<void(Engine::ClockCheck)> done) {
              checkClock(tableId, std::move(done));
          },
          limits.lobbyInterval, limits.clockRecheck)),
      relay_(io_, *watchers_),
      acceptor_(io_) {
    lowerPriority(hashers_, hasherCount());
    relay_.listenTo(engine.changeFeed());
}

HttpServer::Impl::~Impl() {
    relay_.close();
    workers_.join();
    hashers_.join();
    answers_.waitForAll();
}

int HttpServer::Impl::bind(const std::string& host, int port) {
    beast::error_code ec;
    const auto address = asio::ip::make_address(host, ec);
    if (ec) return -1;
    const tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
    acceptor_.open(endpoint.protocol(), ec);
    if (ec) return -1;
    acceptor_.set_option(asio::socket_base::reuse_address(true), ec);
    acceptor_.bind(endpoint, ec);
    if (ec) return -1;
    acceptor_.listen(kListenBacklog, ec);
    if (ec) return -1;
    return acceptor_.local_endpoint().port();
}

bool HttpServer::Impl::run() {
    if (!acceptor_.is_open()) return false;
    accept();
    running_ = true;
    io_.run();
    running_ = false;
    return true;
}

void HttpServer::Impl::stop() {
    asio::post(io_, [this] {
        beast::error_code ignored;
        acceptor_.close(ignored);
        io_.stop();
    });
}

void HttpServer::Impl::accept() {
    // One thread runs the context, so a connection needs no strand of its own: what the
    // workers and the store post to it runs on that thread, one handler at a time.
    // The peer's address comes with the accepted socket, without asking the kernel again.
    acceptor_.async_accept(io_, peer_, [this](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted) return;
        if (!ec) admit(std::move(socket), peer_);
        accept();
    });
}

// A store that fails is asked again after the longest wait.
void HttpServer::Impl::checkClock(std::int64_t tableId,
                                  std::function<void(Engine::ClockCheck)> done) {
    answers_.begin();
    asio::post(workers_, [this, tableId, done = std::move(done)] {
        Engine::ClockCheck check;
        try {
            check = engine_.checkClock(tableId);
        } catch (const std::exception& error) {
            std::cerr << "pimra-server: a watched clock: " << error.what() << '\n';
            check.exists = true;
            check.runsOutInMs = limits_.clockRecheck.count();
        }
        asio::post(io_, [done, check] { done(check); });
        answers_.end();
    });
}

bool HttpServer::Impl::trusted(const std::string& address) const {
    return std::find(trusted_.begin(), trusted_.end(), address) != trusted_.end();
}

void HttpServer::Impl::admit(tcp::socket socket, const tcp::endpoint& peer) {
    beast::error_code ec;
    const std::string address = canonicalAddress(peer.address().to_string()).value_or("");
    const bool front = trusted(address);
    if (!connections_.take(front ? std::string() : address)) {
        // Refused at once: a reset, not a place in a queue.
        socket.set_option(asio::socket_base::linger(true, 0), ec);
        socket.close(ec);
        return;
    }
    std::make_shared<HttpConnection>(*this, std::move(socket), address, front)->start();
}

HttpServer::HttpServer(Engine& engine, Accounts& accounts, Store& store, HttpLimits limits)
    : impl_(std::make_unique<Impl>(engine, accounts, store, limits)) {}

HttpServer::~HttpServer() = default;

int HttpServer::bind(const std::string& host, int port) {
    return impl_->bind(host, port);
}

bool HttpServer::run() {
    return impl_->run();
}

void HttpServer::stop() {
    impl_->stop();
}

bool HttpServer::isRunning() const {
    return impl_->isRunning();
}

void HttpServer::waitUntilReady() const {
    while (!impl_->isRunning()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace pimra::server
