#pragma once

#include <mutex>

#include "ChangeFeed.h"

namespace pimra::server {

// The feed of one server process alone (SQLite): a published change goes straight to the
// listener, on the thread that publishes it.
class LocalChangeFeed final : public ChangeFeed {
  public:
    void publish(const TableChange& change) override;
    void listen(Listener onChange, Resync onResync) override;

  private:
    std::mutex mutex_;
    Listener onChange_;
};

}  // namespace pimra::server
