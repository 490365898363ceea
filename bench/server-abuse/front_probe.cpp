// One greedy client against pimra-server behind the nginx front (plain http on loopback), and
// what the other clients see meanwhile. Not a test: it prints figures, one "name value" a line.
//
//   front_probe PORT REQUEST_FILE SECONDS SLOW FLOOD OTHERS
//       The greedy client, from 127.0.0.2, keeps SLOW requests open whose bodies arrive a
//       byte a second, and FLOOD connections that send REQUEST_FILE back to back, each
//       reopened as soon as it ends. OTHERS clients, each from an address of its own
//       (127.0.1.x), send REQUEST_FILE on a fresh connection every 250 ms. Prints how many of
//       the others' requests got a 200 and how fast, and what became of the greedy ones.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int connectFrom(const std::string& source, int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, source.c_str(), &local.sin_addr);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<unsigned short>(port));
    inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) {
        close(fd);
        return -1;
    }
    timeval tv{20, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    return fd;
}

bool sendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// The status of the reply, read until the server closes or the header is in (the requests
// ask for no keep-alive); 0 for none.
int exchange(const std::string& source, int port, const std::string& request) {
    const int fd = connectFrom(source, port);
    if (fd < 0) return 0;
    std::string reply;
    if (sendAll(fd, request)) {
        char buffer[4096];
        ssize_t n;
        while (reply.find("\r\n") == std::string::npos &&
               (n = recv(fd, buffer, sizeof buffer, 0)) > 0) {
            reply.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return reply.size() >= 12 && reply.rfind("HTTP/", 0) == 0 ? std::stoi(reply.substr(9, 3)) : 0;
}

// Replies by status, and the times of the others' exchanges.
struct Tally {
    std::mutex mutex;
    std::map<int, long> statuses;
    std::vector<double> times;
    void add(int status, double ms) {
        std::lock_guard lock(mutex);
        ++statuses[status];
        if (status == 200) times.push_back(ms);
    }
    long count() {
        long all = 0;
        for (const auto& [status, n] : statuses) all += n;
        return all;
    }
    void print(const char* name) {
        std::lock_guard lock(mutex);
        for (const auto& [status, n] : statuses) std::printf("%s_status_%d %ld\n", name, status, n);
        const long all = count();
        const long ok = statuses.count(200) ? statuses[200] : 0;
        std::printf("%s_requests %ld\n%s_ok %ld\n%s_success_pct %.1f\n", name, all, name, ok, name,
                    all > 0 ? 100.0 * static_cast<double>(ok) / static_cast<double>(all) : 0.0);
        std::sort(times.begin(), times.end());
        if (!times.empty()) {
            std::printf("%s_p50_ms %.1f\n%s_p99_ms %.1f\n", name, times[times.size() / 2], name,
                        times[std::min(times.size() - 1, times.size() * 99 / 100)]);
        }
    }
};

// A POST whose header goes at once and whose body trickles in, a byte a second, until the end.
void slowRequest(int port, Clock::time_point end, Tally& tally) {
    const std::string body(400, 'x');
    const std::string header =
        "POST /engine/ HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"
        "Content-Type: application/x-www-form-urlencoded\r\n"
        "Content-Length: " +
        std::to_string(body.size()) + "\r\n\r\n";
    while (Clock::now() < end) {
        const int fd = connectFrom("127.0.0.2", port);
        if (fd < 0) {
            std::this_thread::sleep_for(milliseconds(100));
            continue;
        }
        bool open = sendAll(fd, header);
        for (std::size_t i = 0; open && i < body.size() && Clock::now() < end; ++i) {
            open = sendAll(fd, body.substr(i, 1));
            // A refusal arrives while the body trickles: then the connection is spent.
            char peek[16];
            const ssize_t n = recv(fd, peek, sizeof peek, MSG_DONTWAIT | MSG_PEEK);
            if (n > 0) {
                const std::string start(peek, static_cast<std::size_t>(n));
                tally.add(start.size() >= 12 ? std::stoi(start.substr(9, 3)) : 0, 0);
                open = false;
            } else if (n == 0) {
                open = false;
            }
            if (open) std::this_thread::sleep_for(milliseconds(1000));
        }
        close(fd);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: front_probe PORT REQUEST_FILE SECONDS SLOW FLOOD OTHERS\n");
        return 2;
    }
    const int port = std::stoi(argv[1]);
    std::string request = readFile(argv[2]);
    const int seconds = std::stoi(argv[3]);
    const int slow = std::stoi(argv[4]);
    const int flood = std::stoi(argv[5]);
    const int others = std::stoi(argv[6]);
    const auto end = Clock::now() + std::chrono::seconds(seconds);

    Tally greedySlow, greedyFlood, other;
    std::vector<std::thread> threads;
    for (int i = 0; i < slow; ++i)
        threads.emplace_back([&] { slowRequest(port, end, greedySlow); });
    for (int i = 0; i < flood; ++i) {
        threads.emplace_back([&] {
            while (Clock::now() < end) greedyFlood.add(exchange("127.0.0.2", port, request), 0);
        });
    }
    // The greedy client takes what it can first.
    std::this_thread::sleep_for(milliseconds(1000));
    for (int i = 0; i < others; ++i) {
        threads.emplace_back([&, i] {
            const std::string source = "127.0.1." + std::to_string(i + 1);
            auto next = Clock::now();
            while (Clock::now() < end) {
                const auto start = Clock::now();
                const int status = exchange(source, port, request);
                other.add(status,
                          std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                next += milliseconds(250);
                std::this_thread::sleep_until(std::max(next, Clock::now()));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    other.print("others");
    greedyFlood.print("greedy_flood");
    greedySlow.print("greedy_slow_refused");
    return 0;
}
