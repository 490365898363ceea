#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace pimra::server::test {

struct HttpReply {
    int status = 0;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
    std::string header(std::string name) const {
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const auto it = headers.find(name);
        return it == headers.end() ? std::string() : it->second;
    }
};

// One TCP connection to the server under test, driven byte by byte when a test needs it.
class RawSocket {
  public:
    explicit RawSocket(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~RawSocket() {
        if (fd_ >= 0) ::close(fd_);
    }
    RawSocket(const RawSocket&) = delete;
    RawSocket& operator=(const RawSocket&) = delete;

    bool connected() const { return connected_; }
    // False once the peer has closed or reset the connection.
    bool send(const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }
    void shutdownWrite() { ::shutdown(fd_, SHUT_WR); }

    // Reads one reply (framed by Content-Length, or by the end of the connection).
    // Long enough for a reply that waits out the store's busy timeout of 5 s.
    std::optional<HttpReply> readReply(int timeoutMs = 10000) {
        std::size_t headerEnd;
        while ((headerEnd = data_.find("\r\n\r\n")) == std::string::npos) {
            if (!readSome(timeoutMs)) return std::nullopt;
        }
        HttpReply reply;
        const std::string head = data_.substr(0, headerEnd);
        std::size_t lineEnd = head.find("\r\n");
        const std::string statusLine = head.substr(0, lineEnd);
        if (statusLine.size() < 12) return std::nullopt;
        reply.status = std::stoi(statusLine.substr(9, 3));
        while (lineEnd != std::string::npos) {
            const std::size_t start = lineEnd + 2;
            lineEnd = head.find("\r\n", start);
            const std::string line = head.substr(start, lineEnd - start);
            const std::size_t colon = line.find(':');
            if (colon == std::string::npos) continue;
            std::string name = line.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            reply.headers[name] = value;
        }
        data_.erase(0, headerEnd + 4);
        if (reply.headers.count("content-length")) {
            const std::size_t length = std::stoul(reply.headers["content-length"]);
            while (data_.size() < length) {
                if (!readSome(timeoutMs)) return std::nullopt;
            }
            reply.body = data_.substr(0, length);
            data_.erase(0, length);
        } else {
            while (readSome(timeoutMs)) {
            }
            reply.body = std::move(data_);
            data_.clear();
        }
        return reply;
    }

    // True when the server ends the connection (end of stream or reset) within the time.
    bool closedByPeer(int timeoutMs) {
        while (true) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0) return false;
            char buffer[4096];
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) return true;
            data_.append(buffer, static_cast<std::size_t>(n));
        }
    }

    // Every byte until the server ends the connection or the time between bytes runs out,
    // unparsed: for replies whose framing is itself under test.
    std::string readUntilClosed(int timeoutMs = 2000) {
        while (readSome(timeoutMs)) {
        }
        return std::exchange(data_, std::string());
    }

  private:
    bool readSome(int timeoutMs) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return false;
        char buffer[16384];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        data_.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    int fd_ = -1;
    bool connected_ = false;
    std::string data_;
};

// A request as a browser or a script would send it, on a fresh connection.
inline std::optional<HttpReply> httpRequest(
    int port, const std::string& method, const std::string& path, const std::string& body = "",
    const std::string& extraHeaders = "",
    const std::string& type = "application/x-www-form-urlencoded") {
    RawSocket socket(port);
    if (!socket.connected()) return std::nullopt;
    std::string request = method + " " + path +
                          " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                          "\r\nConnection: close\r\n" + extraHeaders;
    if (method == "POST") {
        request +=
            "Content-Type: " + type + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    }
    request += "\r\n" + body;
    if (!socket.send(request)) return std::nullopt;
    return socket.readReply();
}

// Percent-encoding of a browser form value (UTF-8 bytes).
inline std::string formValue(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

}  // namespace pimra::server::test
