#pragma once

#include <chrono>
#include <memory>
#include <pqxx/pqxx>
#include <string>

namespace pimra::server {

// A connection of the change feed: it gives up connecting after a while and notices a database
// that went silent (TCP keepalives), so that its thread never waits on the network for long.
std::unique_ptr<pqxx::connection> openFeedConnection(const std::string& uri);
// The connection text with those settings added where it does not set them itself.
std::string withFeedTimeouts(const std::string& uri);

// Waits between attempts to reach the database: doubling from `first` up to `max`.
class FeedBackoff {
  public:
    FeedBackoff(std::chrono::milliseconds first, std::chrono::milliseconds max)
        : first_(first), max_(max), next_(first) {}
    std::chrono::milliseconds next();
    void reset() { next_ = first_; }

  private:
    std::chrono::milliseconds first_;
    std::chrono::milliseconds max_;
    std::chrono::milliseconds next_;
};

}  // namespace pimra::server
