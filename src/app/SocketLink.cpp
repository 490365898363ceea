#include "SocketLink.h"

#include <string>

#include "GameSocket.h"
#include "TableTimers.h"
#include "online/TableController.h"

namespace pimra {

SocketLink::SocketLink(GameSocket& socket, online::TableController& table, TableTimers& timers,
                       Apply applyTable, std::function<void()> lobbyChanged)
    : socket_(socket),
      table_(table),
      timers_(timers),
      applyTable_(std::move(applyTable)),
      lobbyChanged_(std::move(lobbyChanged)) {
    socket_.setHooks({
        .tableEvent =
            [this](const net::TableEvent& event) { applyTable_(table_.tableChanged(event)); },
        .lobbyEvent = [this] { lobbyChanged_(); },
        .openChanged = [this](bool open) { openChanged(open); },
    });
}

SocketLink::~SocketLink() {
    socket_.setHooks({});
}

void SocketLink::follow() {
    const int tableId = table_.isOpen() ? table_.table().TableId() : 0;
    socket_.watchTable(tableId);
    if (tableId > 0) socket_.start();
}

void SocketLink::openChanged(bool open) {
    timers_.setSocketOpen(open);
    // What changed while no socket was watching is fetched once now.
    if (open && table_.isOpen()) {
        net::TableEvent unseen;
        unseen.tableId = std::to_string(table_.table().TableId());
        applyTable_(table_.tableChanged(unseen));
    }
}

}  // namespace pimra
