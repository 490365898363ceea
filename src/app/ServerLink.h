#pragma once

#include <QUrl>

#include <memory>

#include "GameSocket.h"
#include "RequestRunner.h"
#include "net/CurlTransport.h"
#include "net/ServerConnection.h"

namespace pimra {

// The window's line to the game server: the HTTP client, the game socket, the connection with
// its session and failure latch, and the runner that sends each exchange the way open now.
class ServerLink : public net::HttpTransport {
  public:
    explicit ServerLink(const QUrl& site);

    // The server's web site; its engine answers at "/engine/". Ignored while an exchange runs.
    void setSite(const QUrl& site);
    const QUrl& site() const { return site_; }
    // A page of the site, e.g. "/ru/reg".
    QUrl page(const QString& path) const;
    // The player's own page, "/u/LOGIN".
    QUrl playerPage(const std::string& login) const;

    // After the window closed while a request waited: it may talk to the server again.
    void resume();

    net::HttpResult Post(const std::string& body) override { return curl_->Post(body); }

    net::ServerConnection& connection() { return connection_; }
    const net::ServerConnection& connection() const { return connection_; }
    GameSocket& socket() { return socket_; }
    const GameSocket& socket() const { return socket_; }
    RequestRunner& runner() { return runner_; }
    const RequestRunner& runner() const { return runner_; }

  private:
    QUrl site_;
    std::unique_ptr<net::CurlTransport> curl_;
    net::ServerConnection connection_{*this};
    GameSocket socket_;
    RequestRunner runner_{connection_, [this] { curl_->Abort(); }};
};

}  // namespace pimra
