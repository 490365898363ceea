#include "ChangeRelay.h"

#include <boost/asio/post.hpp>

#include "SocketWatchers.h"

namespace pimra::server {

ChangeRelay::ChangeRelay(boost::asio::io_context& io, SocketWatchers& watchers)
    : shared_(std::make_shared<Shared>()) {
    shared_->io = &io;
    shared_->watchers = &watchers;
}

void ChangeRelay::listenTo(ChangeFeed& feed) {
    // The posted work runs only while the network thread runs, when the watchers exist.
    feed.listen(
        [shared = shared_](const TableChange& change) {
            std::lock_guard lock(shared->mutex);
            if (!shared->io) return;
            boost::asio::post(
                *shared->io, [watchers = shared->watchers, change] { watchers->onChange(change); });
        },
        [shared = shared_] {
            std::lock_guard lock(shared->mutex);
            if (!shared->io) return;
            boost::asio::post(*shared->io, [watchers = shared->watchers] { watchers->resync(); });
        });
}

void ChangeRelay::close() {
    std::lock_guard lock(shared_->mutex);
    shared_->io = nullptr;
    shared_->watchers = nullptr;
}

}  // namespace pimra::server
