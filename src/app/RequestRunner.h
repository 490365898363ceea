#pragma once

#include <QFutureWatcher>
#include <QObject>

#include <functional>
#include <optional>
#include <string>

#include "net/FormEncoding.h"
#include "net/ServerConnection.h"

namespace pimra {

class GameSocket;

// The one way the window's exchanges go: over the game socket while it is open, else as a
// POST off the interface thread, either reported on the interface thread. Only one exchange
// runs at a time; whatever asks while one is under way is told no and sends nothing.
class RequestRunner : public QObject {
    Q_OBJECT

  public:
    // None: the exchange was cut short (the window is closing).
    using Done = std::function<void(const std::optional<net::PostResult>& result)>;
    using LoggedIn = std::function<void(bool ok)>;

    // `abortTransport` makes a waiting exchange give up; it is called from the interface thread.
    RequestRunner(net::ServerConnection& connection, std::function<void()> abortTransport);
    // Cuts a waiting exchange short and waits for its thread; no callback runs then.
    ~RequestRunner() override;

    // While it is open, exchanges go over it; it must outlive the runner.
    void setSocket(GameSocket* socket) { socket_ = socket; }

    bool busy() const { return busy_; }
    // False, and nothing sent, when another exchange is under way or the window is closing.
    bool send(const net::Request& request, Done done);
    bool login(const std::string& login, const std::string& password, LoggedIn done);
    // The window is closing: the waiting exchange ends (its callback gets none) and no new one
    // starts.
    void abort();
    // The window is shown again after a close: exchanges may start again.
    void resume();

  private:
    bool sendOverHttp(const net::Request& request, Done done);
    bool sendOverSocket(const net::Request& request, Done done);
    bool start(std::function<net::PostResult()> work, std::function<void()> finished);
    void finish();

    net::ServerConnection& connection_;
    GameSocket* socket_ = nullptr;
    std::function<void()> abortTransport_;
    QFutureWatcher<net::PostResult> watcher_;
    std::function<void()> finished_;
    bool busy_ = false;
    bool aborted_ = false;
};

}  // namespace pimra
