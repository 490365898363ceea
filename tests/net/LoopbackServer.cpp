#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace {

int BindLoopback(std::uint16_t& port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        throw std::runtime_error("socket");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        throw std::runtime_error("bind");
    }
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

// Waits for `fd` to become readable; false when the wake pipe fired first.
bool WaitReadable(int fd, int wake) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
    while (poll(fds, 2, -1) < 0) {
    }
    return (fds[1].revents & POLLIN) == 0;
}

// A request to open a web socket, whatever its path.
bool IsUpgrade(const std::string& request) {
    std::string head = request.substr(0, request.find("\r\n\r\n"));
    std::transform(head.begin(), head.end(), head.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return head.starts_with("get ") && head.find("\r\nupgrade: websocket") != std::string::npos;
}

}  // namespace

LoopbackServer::LoopbackServer(std::vector<std::string> replies) : replies_(std::move(replies)) {
    listener_ = BindLoopback(port_);
    listen(listener_, 8);
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        throw std::runtime_error("pipe");
    }
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
    const char byte = 0;
    [[maybe_unused]] const auto written = write(wakeWrite_, &byte, 1);
    thread_.join();
    close(listener_);
    close(wakeRead_);
    close(wakeWrite_);
}

std::string LoopbackServer::Url() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/engine/";
}

std::vector<std::string> LoopbackServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::string LoopbackServer::Reply(const std::string& statusLine, const std::string& body,
                                  const std::string& extraHeaders) {
    return "HTTP/1.0 " + statusLine +
           "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n" + extraHeaders + "\r\n" + body;
}

std::string LoopbackServer::ReadRequest(int client) const {
    std::string request;
    std::size_t expected = std::string::npos;
    char buffer[4096];
    while (expected == std::string::npos || request.size() < expected) {
        if (!WaitReadable(client, wakeRead_)) {
            break;
        }
        const ssize_t got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) {
            break;
        }
        request.append(buffer, static_cast<std::size_t>(got));
        const std::size_t headerEnd = request.find("\r\n\r\n");
        if (expected == std::string::npos && headerEnd != std::string::npos) {
            const std::size_t field = request.find("Content-Length: ");
            std::size_t bodyLength = 0;
            if (field != std::string::npos && field < headerEnd) {
                bodyLength = std::stoul(request.substr(field + 16));
            }
            expected = headerEnd + 4 + bodyLength;
        }
    }
    return request;
}

void LoopbackServer::Serve() {
    std::size_t next = 0;
    while (next < replies_.size()) {
        if (!WaitReadable(listener_, wakeRead_)) {
            return;
        }
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0) {
            continue;
        }
        const std::string request = ReadRequest(client);
        // Like a server of the older kind, it has no socket; the window's tries at one are
        // answered at once and take nothing from the script.
        if (IsUpgrade(request)) {
            const std::string refusal = Reply("404 Not Found", "");
            send(client, refusal.data(), refusal.size(), MSG_NOSIGNAL);
            close(client);
            continue;
        }
        const std::string& reply = replies_[next++];
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        if (reply.empty()) {
            WaitReadable(wakeRead_, wakeRead_);  // hold the connection until shut down
        } else {
            send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
        }
        close(client);
    }
}

std::uint16_t ClosedPort() {
    std::uint16_t port = 0;
    close(BindLoopback(port));
    return port;
}
