#pragma once

#include <memory>
#include <mutex>

#include <boost/asio/io_context.hpp>

#include "ChangeFeed.h"

namespace pimra::server {

class SocketWatchers;

// Brings the feed's changes, from whatever thread publishes them, to the watchers on the
// network thread, until `close`: the engine and its feed outlive the server's network.
class ChangeRelay {
  public:
    ChangeRelay(boost::asio::io_context& io, SocketWatchers& watchers);
    void listenTo(ChangeFeed& feed);
    // Nothing is passed on afterwards; waits for a change being passed on now.
    void close();

  private:
    struct Shared {
        std::mutex mutex;
        boost::asio::io_context* io = nullptr;
        SocketWatchers* watchers = nullptr;
    };
    std::shared_ptr<Shared> shared_;
};

}  // namespace pimra::server
