#pragma once

#include <functional>

#include "online/Effects.h"

namespace pimra {

class GameSocket;
class TableTimers;

namespace online {
class TableController;
}

// The game socket's part in the window: the open table is watched, its pushed changes go to
// the table as events, the lobby's to the lobby, and the poll slows down while the socket is
// open.
class SocketLink {
  public:
    using Apply = std::function<void(online::Effects)>;

    SocketLink(GameSocket& socket, online::TableController& table, TableTimers& timers,
               Apply applyTable, std::function<void()> lobbyChanged);
    ~SocketLink();
    SocketLink(const SocketLink&) = delete;
    SocketLink& operator=(const SocketLink&) = delete;

    // After every event of the window: the socket watches the table open now, if any.
    void follow();

  private:
    void openChanged(bool open);

    GameSocket& socket_;
    online::TableController& table_;
    TableTimers& timers_;
    Apply applyTable_;
    std::function<void()> lobbyChanged_;
};

}  // namespace pimra
