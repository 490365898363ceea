#pragma once

#include <functional>
#include <optional>
#include <string>

#include "net/FormEncoding.h"
#include "net/ServerConnection.h"

namespace pimra {

// Runs the exchanges with the server off the interface thread, while that thread waits in a
// local event loop: the window keeps repainting and stays movable. Only one exchange runs at
// a time; whatever asks while one is under way is told no and sends nothing.
class RequestRunner {
  public:
    // `abortTransport` makes a waiting exchange give up; it is called from the interface thread.
    RequestRunner(net::ServerConnection& connection, std::function<void()> abortTransport);

    bool busy() const { return busy_; }
    // None when another exchange is under way or the window is closing.
    std::optional<net::PostResult> send(const net::Request& request);
    std::optional<bool> login(const std::string& login, const std::string& password);
    // The window is closing: the waiting exchange ends and no new one starts.
    void abort();
    // The window is shown again after a close: exchanges may start again.
    void resume();

  private:
    bool runAside(const std::function<void()>& work);

    net::ServerConnection& connection_;
    std::function<void()> abortTransport_;
    bool busy_ = false;
    bool aborted_ = false;
};

}  // namespace pimra
