#pragma once

#include <atomic>
#include <string>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/thread_pool.hpp>

#include "ChangeRelay.h"
#include "ConnectionCount.h"
#include "CsrfToken.h"
#include "HttpServer.h"
#include "OpenAnswers.h"
#include "RequestPacer.h"
#include "SitePages.h"
#include "SocketWatchers.h"

namespace pimra::server {

// What the connections share: the limits and counts, the thread pools, the engine and the
// pages. The network thread runs `io_`; workers and the store post back to it.
class HttpServer::Impl {
  public:
    Impl(Engine& engine, Accounts& accounts, Store& store, HttpLimits limits);
    ~Impl();

    int bind(const std::string& host, int port);
    bool run();
    void stop();
    bool isRunning() const { return running_; }

    Engine& engine_;
    Store& store_;
    HttpLimits limits_;
    std::vector<std::string> trusted_;  // the front's addresses, canonical
    CsrfToken csrf_;
    const SitePages pages_;
    // Outlive the connections that the context still holds when it goes.
    ConnectionCount connections_;
    // Requests under way through the front, per client. nginx reads a whole request before it
    // passes it on and keeps its connections to us open for other clients, so a client's
    // share of the server is its requests under way here, not the front's connections.
    ConnectionCount frontClients_;
    ConnectionCount sockets_;  // game sockets per client
    RequestPacer lists_;       // table lists per client
    RequestPacer allLists_;    // table lists of all clients together
    boost::asio::io_context io_;
    boost::asio::thread_pool workers_;
    boost::asio::thread_pool hashers_;
    OpenAnswers answers_;
    // Go before the context, whose timers they hold; the sockets it still holds then find
    // them gone.
    std::shared_ptr<SocketWatchers> watchers_;
    ChangeRelay relay_;

  private:
    void checkClock(std::int64_t tableId, std::function<void(Engine::ClockCheck)> done);
    void accept();
    void admit(boost::asio::ip::tcp::socket socket, const boost::asio::ip::tcp::endpoint& peer);
    bool trusted(const std::string& address) const;

    boost::asio::ip::tcp::acceptor acceptor_;
    boost::asio::ip::tcp::endpoint peer_;  // of the connection being accepted
    std::atomic<bool> running_{false};
};

}  // namespace pimra::server
