#pragma once

#include <memory>
#include <string>

namespace httplib {
class Server;
}

namespace pimra::server {

class Accounts;
class Engine;

// The HTTP face of the server: "/engine/", the registration page and the web pages.
class HttpServer {
  public:
    static constexpr std::size_t kMaxBodyBytes = 64 * 1024;

    HttpServer(Engine& engine, Accounts& accounts);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds to `host`; port 0 picks a free port. Gives the port, or -1 on failure.
    int bind(const std::string& host, int port);
    // Serves until `stop`; false if it could not serve.
    bool run();
    void stop();
    bool isRunning() const;
    void waitUntilReady() const;

  private:
    void addRoutes();

    Engine& engine_;
    Accounts& accounts_;
    std::unique_ptr<httplib::Server> server_;
    int socket_ = -1;
};

}  // namespace pimra::server
