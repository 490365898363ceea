#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A one-thread HTTP stand-in on 127.0.0.1: answers each connection with the next canned
// reply and keeps the raw bytes of every request it read.
class LoopbackServer {
  public:
    // Each element is a complete raw HTTP reply; an empty one means "accept, read, never answer".
    explicit LoopbackServer(std::vector<std::string> replies);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::string Url() const;
    std::uint16_t Port() const { return port_; }
    std::vector<std::string> Requests() const;

    static std::string Reply(const std::string& statusLine, const std::string& body,
                             const std::string& extraHeaders = {});
    static std::string Ok(const std::string& body) { return Reply("200 OK", body); }

  private:
    void Serve();
    std::string ReadRequest(int client) const;

    std::vector<std::string> replies_;
    int listener_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::uint16_t port_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A port on 127.0.0.1 that nothing listens on.
std::uint16_t ClosedPort();
