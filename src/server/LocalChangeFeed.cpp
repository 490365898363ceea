#include "LocalChangeFeed.h"

namespace pimra::server {

void LocalChangeFeed::publish(const TableChange& change) {
    Listener listener;
    {
        std::lock_guard lock(mutex_);
        listener = onChange_;
    }
    if (listener) listener(change);
}

// Nothing is ever missed in one process, so there is nothing to resync.
void LocalChangeFeed::listen(Listener onChange, Resync /*onResync*/) {
    std::lock_guard lock(mutex_);
    onChange_ = std::move(onChange);
}

}  // namespace pimra::server
