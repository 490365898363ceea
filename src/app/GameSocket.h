#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "net/FormEncoding.h"
#include "net/Reply.h"
#include "net/SocketMessages.h"

namespace pimra {

// The game server's socket, "/engine/ws" beside the site: requests answered by id, and the
// events of the tables it watches. It opens when asked to and stays open; a socket that
// fails or a server without one is tried again after a pause that grows, and meanwhile the
// window talks HTTP without a word to the user.
class GameSocket : public QObject {
    Q_OBJECT

  public:
    // The reply; none when the socket dropped before it came.
    using ReplyDone = std::function<void(std::optional<net::Reply> reply)>;
    struct Hooks {
        std::function<void(const net::TableEvent&)> tableEvent;
        std::function<void()> lobbyEvent;
        // The socket opened, or it is closed again.
        std::function<void(bool open)> openChanged;
    };
    struct Pauses {
        std::chrono::milliseconds first{1000};
        std::chrono::milliseconds longest{30000};
        // A server that answered the upgrade with 404 has no socket: asked again rarely.
        std::chrono::milliseconds noSocket{600000};
        // An upgrade or a request unanswered this long, or a server silent this long, ends the
        // socket.
        std::chrono::milliseconds replyTimeout{30000};
        std::chrono::milliseconds ping{20000};
        std::chrono::milliseconds silence{60000};
    };
    // Larger replies (a table with its chat is a few kilobytes) end the socket.
    static constexpr quint64 kLargestMessage = 1 << 20;

    GameSocket();
    ~GameSocket() override;

    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    void setPauses(const Pauses& pauses) { pauses_ = pauses; }
    // The site's "/engine/ws"; a new address closes the socket and starts afresh.
    void setSite(const QUrl& site);
    const QUrl& url() const { return url_; }

    // The socket is wanted from now on: it connects unless it is open or waits to retry.
    void start();
    bool isOpen() const { return open_; }
    // Sends over the open socket; false, and nothing sent, while it is not open.
    bool send(const net::Request& request, ReplyDone done);
    // What to watch: the open table (0: none) and the lobby. Kept, and sent anew on every
    // reconnection.
    void watchTable(int tableId);
    void watchLobby(bool on);
    // Tests: the next try is due; how many tries were made.
    bool retryWaiting() const { return retry_.isActive(); }
    int retryInterval() const { return retry_.interval(); }
    int attempts() const { return attempts_; }

  private:
    void connectNow();
    void opened();
    void closed();
    void received(const QString& text);
    void failed();
    void watchChanged();
    void sendWatch(std::string_view action, const std::string& tableId);
    std::int64_t transmit(net::Request request);
    void checkSilence();

    Hooks hooks_;
    Pauses pauses_;
    QUrl url_;
    QWebSocket socket_;
    bool wanted_ = false;
    bool open_ = false;
    bool noSocket_ = false;  // the last try was refused with 404
    std::chrono::milliseconds nextPause_ = pauses_.first;
    int attempts_ = 0;
    QTimer retry_;
    QTimer replyTimer_;
    QTimer ping_;
    QElapsedTimer heard_;  // since the server last said anything
    std::int64_t lastId_ = 0;
    std::map<std::int64_t, ReplyDone> waiting_;  // the window's requests by id
    std::set<std::int64_t> watchIds_;            // watch and unwatch, whose replies say little
    int tableId_ = 0;
    bool lobby_ = false;
    std::set<std::string> watched_;  // what the server has been asked to watch
};

// "ws://host:port/engine/ws" beside "http://host:port", "wss://" beside "https://".
QUrl socketUrlOf(const QUrl& site);

}  // namespace pimra
