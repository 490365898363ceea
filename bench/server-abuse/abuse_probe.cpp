// Attacks an HTTP server on loopback the way the abuse benchmark needs, and measures what a
// legitimate client sees meanwhile. Not a test: it prints figures, one "name value" per line.
//
//   abuse_probe slowloris PORT REQUEST_FILE SECONDS TRICKLERS IDLERS
//       TRICKLERS connections send a request header one byte every 2 s, IDLERS connections
//       send nothing; both reconnect when closed. Meanwhile REQUEST_FILE is sent on a fresh
//       connection every 50 ms. Prints the slowest and the p99 reply time and the failures.
//   abuse_probe flood PORT KIND SECONDS CONNECTIONS PID[,PID...]
//       KIND chunked (100 MB chunked bodies), nolength (100 MB after a header without a
//       length), headers (100,000 header lines) or connections (CONNECTIONS held open, each
//       with a begun request). Samples the summed RSS of the processes; prints the start and
//       the peak.
//   abuse_probe logins PORT POLL_FILE SECONDS RATE LOGIN_FILE...
//       Sends RATE login attempts per second (bodies taken in turn from the LOGIN_FILEs),
//       while POLL_FILE is sent every 50 ms; prints the poll reply times.
//   abuse_probe timing PORT COUNT UNKNOWN_FILE WRONG_FILE
//       Alternates COUNT logins of an unknown user and COUNT with a wrong password, each
//       from an address of its own so that no throttle interferes; prints the median times.
//   abuse_probe listflood PORT SECONDS LISTERS LIST_FILE NORTH_AUTH SOUTH_AUTH [PER_ADDRESS]
//       LISTERS keep-alive connections (PER_ADDRESS of them from each loopback address, 50 unless
//       given) send LIST_FILE (a tablelist request) back to back while
//       the players north and south ("sid=...&code=...&" each) play games move after move,
//       each move sent as soon as a poll shows it is the player's turn. Prints the move reply
//       times, the mean time between sending two moves of a game, the lists answered and the first
//       and last table played, whose records give the clock charged per move.
//
// Attack connections come from many loopback addresses (127.x.y.z), as from many hosts, so
// that a bound per address does not hide the effect of a bound in all.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kPerAddress = 50;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// 127.<block>.<n / 250>.<n % 250 + 1>: a distinct loopback source per slot.
std::string sourceAddress(int block, int n) {
    return "127." + std::to_string(block) + "." + std::to_string(n / 250) + "." +
           std::to_string(n % 250 + 1);
}

// A connected socket from `source` (empty: any), or -1.
int connectTo(int port, const std::string& source, bool nonBlocking = false) {
    const int fd = socket(AF_INET, SOCK_STREAM | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
    if (fd < 0) return -1;
    if (!source.empty()) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        inet_pton(AF_INET, source.c_str(), &local.sin_addr);
        if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            close(fd);
            return -1;
        }
    }
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<unsigned short>(port));
    inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0 &&
        errno != EINPROGRESS) {
        close(fd);
        return -1;
    }
    return fd;
}

void setTimeouts(int fd, int ms) {
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

bool sendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// True once `reply` holds a whole response framed by Content-Length.
bool replyComplete(const std::string& reply) {
    const std::size_t end = reply.find("\r\n\r\n");
    if (end == std::string::npos) return false;
    std::string header = reply.substr(0, end);
    std::transform(header.begin(), header.end(), header.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::size_t length = header.find("\r\ncontent-length:");
    if (length == std::string::npos) return false;  // then the server's close ends it
    return reply.size() >= end + 4 + std::stoul(header.substr(length + 17));
}

// One legitimate exchange on a fresh connection, as the desktop client makes it: milliseconds
// until a whole 200 reply, or a negative number for a failure.
double exchange(int port, const std::string& request, const std::string& source = "") {
    const auto start = Clock::now();
    const int fd = connectTo(port, source);
    if (fd < 0) return -1;
    setTimeouts(fd, 15000);
    std::string reply;
    if (sendAll(fd, request.data(), request.size())) {
        char buffer[16384];
        ssize_t n;
        while (!replyComplete(reply) && (n = recv(fd, buffer, sizeof buffer, 0)) > 0) {
            reply.append(buffer, static_cast<std::size_t>(n));
        }
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    close(fd);
    return reply.rfind("HTTP/1.1 200", 0) == 0 ? ms : -1;
}

struct Sample {
    std::mutex mutex;
    std::vector<double> times;
    int failures = 0;
    void add(double ms) {
        std::lock_guard lock(mutex);
        if (ms < 0) {
            ++failures;
        } else {
            times.push_back(ms);
        }
    }
    void print(const std::string& name) {
        std::lock_guard lock(mutex);
        std::sort(times.begin(), times.end());
        const auto at = [&](double q) {
            return times.empty() ? 0.0
                                 : times[std::min(times.size() - 1,
                                                  static_cast<std::size_t>(q * times.size()))];
        };
        std::printf(
            "%s_count %zu\n%s_failures %d\n%s_p50_ms %.2f\n%s_p99_ms %.2f\n%s_max_ms %.2f\n",
            name.c_str(), times.size(), name.c_str(), failures, name.c_str(), at(0.5), name.c_str(),
            at(0.99), name.c_str(), times.empty() ? 0.0 : times.back());
    }
};

// Sends `request` every `periodMs` until `end`, one exchange at a time, recording the times.
void pollUntil(int port, const std::string& request, Clock::time_point end, Sample& sample,
               int periodMs = 50) {
    auto next = Clock::now();
    while (Clock::now() < end) {
        sample.add(exchange(port, request));
        next += milliseconds(periodMs);
        std::this_thread::sleep_until(std::max(next, Clock::now()));
    }
}

// --- slow loris -------------------------------------------------------------------------------

struct Attacker {
    int fd = -1;
    std::size_t sent = 0;
    Clock::time_point nextByte;
};

int slowLoris(int port, const std::string& request, int seconds, int tricklers, int idlers) {
    const std::string header = "POST /engine/ HTTP/1.1\r\nHost: x\r\nContent-Length: 26\r\n" +
                               std::string(200, 'X') + ": y\r\n\r\n";
    std::vector<Attacker> attackers(static_cast<std::size_t>(tricklers + idlers));
    std::atomic<bool> done{false};
    long reconnects = 0;
    std::thread attack([&] {
        const auto open = [&](std::size_t i) {
            attackers[i].fd =
                connectTo(port, sourceAddress(10, static_cast<int>(i) / kPerAddress), true);
            attackers[i].sent = 0;
            attackers[i].nextByte = Clock::now() + milliseconds(2000);
        };
        for (std::size_t i = 0; i < attackers.size(); ++i) open(i);
        std::vector<pollfd> fds(attackers.size());
        while (!done) {
            for (std::size_t i = 0; i < attackers.size(); ++i) {
                fds[i] = {attackers[i].fd, POLLIN, 0};
            }
            poll(fds.data(), fds.size(), 100);
            const auto now = Clock::now();
            for (std::size_t i = 0; i < attackers.size(); ++i) {
                Attacker& a = attackers[i];
                bool lost = a.fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
                if (!lost && i < static_cast<std::size_t>(tricklers) && now >= a.nextByte) {
                    lost = send(a.fd, &header[a.sent % header.size()], 1, MSG_NOSIGNAL) != 1 &&
                           errno != EAGAIN;
                    ++a.sent;
                    a.nextByte = now + milliseconds(2000);
                }
                if (lost) {
                    if (a.fd >= 0) close(a.fd);
                    ++reconnects;
                    open(i);
                }
            }
        }
        for (auto& a : attackers) {
            if (a.fd >= 0) close(a.fd);
        }
    });
    // Let the attack take hold first.
    std::this_thread::sleep_for(milliseconds(3000));
    Sample sample;
    pollUntil(port, request, Clock::now() + std::chrono::seconds(seconds), sample);
    done = true;
    attack.join();
    sample.print("legit");
    std::printf("attack_reconnects %ld\n", reconnects);
    return 0;
}

// --- floods -----------------------------------------------------------------------------------

long rssKib(const std::vector<int>& pids) {
    long total = 0;
    for (const int pid : pids) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("VmRSS:", 0) == 0) total += std::stol(line.substr(6));
        }
    }
    return total;
}

// One connection's worth of a flood: sends until the server stops taking it.
void floodOnce(int port, const std::string& kind, const std::string& source) {
    const int fd = connectTo(port, source);
    if (fd < 0) return;
    setTimeouts(fd, 2000);
    const std::string block(64 * 1024, 'a');
    constexpr std::size_t kTotal = 100u * 1000 * 1000;
    bool ok = true;
    if (kind == "chunked") {
        const std::string head =
            "POST /engine/ HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n";
        ok = sendAll(fd, head.data(), head.size());
        const std::string chunk = "10000\r\n" + block + "\r\n";
        for (std::size_t sent = 0; ok && sent < kTotal; sent += block.size()) {
            ok = sendAll(fd, chunk.data(), chunk.size());
        }
    } else if (kind == "nolength") {
        const std::string head = "POST /engine/ HTTP/1.0\r\n\r\n";
        ok = sendAll(fd, head.data(), head.size());
        for (std::size_t sent = 0; ok && sent < kTotal; sent += block.size()) {
            ok = sendAll(fd, block.data(), block.size());
        }
    } else {
        std::string lines = "GET /info.html HTTP/1.1\r\nHost: x\r\n";
        for (int i = 0; i < 1000; ++i) lines += "X-Line: y\r\n";
        for (int i = 0; ok && i < 100; ++i) ok = sendAll(fd, lines.data(), lines.size());
    }
    close(fd);
}

int flood(int port, const std::string& kind, int seconds, int connections,
          const std::vector<int>& pids) {
    const long before = rssKib(pids);
    std::atomic<long> peak{before};
    std::atomic<bool> done{false};
    std::thread sampler([&] {
        while (!done) {
            peak = std::max(peak.load(), rssKib(pids));
            std::this_thread::sleep_for(milliseconds(20));
        }
    });
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    std::vector<std::thread> threads;
    std::atomic<long> attempts{0};
    if (kind == "connections") {
        std::vector<int> held;
        for (int i = 0; i < connections; ++i) {
            const int fd = connectTo(port, sourceAddress(20, i / kPerAddress));
            if (fd < 0) continue;
            const std::string begun = "POST /engine/ HTTP/1.1\r\nHost: x\r\n";
            sendAll(fd, begun.data(), begun.size());
            held.push_back(fd);
        }
        attempts = static_cast<long>(held.size());
        std::this_thread::sleep_until(end);
        for (const int fd : held) close(fd);
    } else {
        for (int t = 0; t < connections; ++t) {
            threads.emplace_back([&, t] {
                while (Clock::now() < end) {
                    floodOnce(port, kind, sourceAddress(30, t / kPerAddress));
                    ++attempts;
                }
            });
        }
        for (auto& thread : threads) thread.join();
    }
    done = true;
    sampler.join();
    std::printf("rss_before_kib %ld\nrss_peak_kib %ld\nrss_growth_kib %ld\nflood_connections %ld\n",
                before, peak.load(), peak.load() - before, attempts.load());
    return 0;
}

// --- logins -----------------------------------------------------------------------------------

int logins(int port, const std::string& pollRequest, int seconds, int rate,
           const std::vector<std::string>& attempts) {
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    Sample polls;
    Sample loginTimes;
    std::atomic<bool> done{false};
    std::vector<std::thread> senders;
    // Each login in flight has a thread of its own, so slow replies do not lower the rate.
    const int inFlight = std::max(1, rate);
    std::atomic<long> index{0};
    for (int s = 0; s < inFlight && rate > 0; ++s) {
        senders.emplace_back([&, s] {
            auto next = Clock::now() + milliseconds(1000 * s / rate);
            while (!done) {
                std::this_thread::sleep_until(next);
                if (done) break;
                const long i = index++;
                // Many addresses, so that the per-address bound lets every attempt be hashed.
                const std::string& body = attempts[static_cast<std::size_t>(i) % attempts.size()];
                loginTimes.add(exchange(port, body, sourceAddress(40, static_cast<int>(i % 997))));
                next += milliseconds(1000 * inFlight / rate);
            }
        });
    }
    pollUntil(port, pollRequest, end, polls);
    done = true;
    for (auto& thread : senders) thread.join();
    polls.print("poll");
    loginTimes.print("login");
    return 0;
}

// --- login timing -----------------------------------------------------------------------------

int timing(int port, int count, const std::string& unknown, const std::string& wrong) {
    Sample unknownTimes;
    Sample wrongTimes;
    for (int i = 0; i < count; ++i) {
        unknownTimes.add(exchange(port, unknown, sourceAddress(50, 2 * i)));
        wrongTimes.add(exchange(port, wrong, sourceAddress(50, 2 * i + 1)));
    }
    unknownTimes.print("unknown");
    wrongTimes.print("wrong");
    return 0;
}

// --- list flood -----------------------------------------------------------------------------

std::string enginePost(const std::string& body) {
    return "POST /engine/ HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded\r\n"
           "Connection: keep-alive\r\nHost: 127.0.0.1\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The body of a whole reply on a fresh connection; empty on a failure.
std::string fetch(int port, const std::string& body, double* ms = nullptr) {
    const auto start = Clock::now();
    const int fd = connectTo(port, "");
    if (fd < 0) return "";
    setTimeouts(fd, 15000);
    const std::string request = enginePost(body);
    std::string reply;
    if (sendAll(fd, request.data(), request.size())) {
        char buffer[16384];
        ssize_t n;
        while (!replyComplete(reply) && (n = recv(fd, buffer, sizeof buffer, 0)) > 0) {
            reply.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    if (ms) *ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const std::size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? "" : reply.substr(end + 4);
}

// A string member of a flat JSON reply.
std::string member(const std::string& json, const std::string& name) {
    const std::string key = "\"" + name + "\":\"";
    const std::size_t from = json.find(key);
    if (from == std::string::npos) return "";
    const std::size_t start = from + key.size();
    return json.substr(start, json.find('"', start) - start);
}

// Sends `request` back to back on one keep-alive connection until `done`, reconnecting when
// the server closes it; counts the replies.
void listLoop(int port, const std::string& request, const std::string& source,
              const std::atomic<bool>& done, std::atomic<long>& replies) {
    int fd = -1;
    std::string reply;
    char buffer[65536];
    while (!done) {
        if (fd < 0) {
            fd = connectTo(port, source);
            if (fd < 0) {
                std::this_thread::sleep_for(milliseconds(10));
                continue;
            }
            setTimeouts(fd, 2000);
        }
        reply.clear();
        bool ok = sendAll(fd, request.data(), request.size());
        ssize_t n = 0;
        while (ok && !replyComplete(reply) && (n = recv(fd, buffer, sizeof buffer, 0)) > 0) {
            reply.append(buffer, static_cast<std::size_t>(n));
        }
        ok = ok && replyComplete(reply);
        if (ok) ++replies;
        if (!ok || reply.find("Connection: close") != std::string::npos) {
            close(fd);
            fd = -1;
        }
    }
    if (fd >= 0) close(fd);
}

// Plays games between north and south, move after move, until `end`.
class Mover {
  public:
    Mover(int port, std::string north, std::string south)
        : port_(port), north_(std::move(north)), south_(std::move(south)) {}

    void playUntil(Clock::time_point end) {
        while (Clock::now() < end) {
            if (table_.empty() && !openTable()) return;
            const std::string state =
                fetch(port_, "action=gettable&appid=pimra&tableid=" + table_ + "&");
            if (member(state, "result") != "0") {
                table_.clear();
                continue;
            }
            const std::string active = member(state, "activelogin");
            const int pit = firstPit(member(state, "position"), active == "north");
            noteSend();
            double ms = 0;
            const std::string reply =
                fetch(port_,
                      "action=move&" + (active == "north" ? north_ : south_) + "tableid=" + table_ +
                          "&move=" + std::to_string(pit) + "&",
                      &ms);
            moves_.add(reply.find("Success") != std::string::npos ? ms : -1);
        }
    }
    void print() {
        moves_.print("move");
        std::printf("send_interval_ms %.1f\n", intervals_ > 0 ? intervalSumMs_ / intervals_ : 0.0);
        std::printf("first_table %s\nlast_table %s\n", first_.c_str(), last_.c_str());
    }

  private:
    // The time between the mover's consecutive moves of one game as the mover sent them: what
    // a server timing moves on arrival charges, whatever its own delays.
    void noteSend() {
        const auto now = Clock::now();
        if (lastTable_ == table_) {
            intervalSumMs_ += std::chrono::duration<double, std::milli>(now - lastSend_).count();
            ++intervals_;
        }
        lastTable_ = table_;
        lastSend_ = now;
    }
    bool openTable() {
        table_ = member(
            fetch(port_, "action=newtable&gameid=1&" + north_ + "timelimit=7200&bonus=0&"), "ind");
        if (table_.empty()) return false;
        fetch(port_, "action=regtable&tableid=" + table_ + "&" + south_);
        fetch(port_, "action=ready&" + north_ + "tableid=" + table_ + "&");
        fetch(port_, "action=ready&" + south_ + "tableid=" + table_ + "&");
        if (first_.empty()) first_ = table_;
        last_ = table_;
        return true;
    }
    // The first pit holding stones in the mover's row (north sits at the bottom, pits 1-6).
    static int firstPit(const std::string& position, bool bottom) {
        std::vector<int> pits{0};
        std::stringstream in(position);
        std::string count;
        while (std::getline(in, count, '|')) pits.push_back(std::stoi(count));
        const int first = bottom ? 1 : 8;
        for (int pit = first; pit < first + 6 && pit < static_cast<int>(pits.size()); ++pit) {
            if (pits[static_cast<std::size_t>(pit)] > 0) return pit;
        }
        return first;
    }

    int port_;
    std::string north_;
    std::string south_;
    std::string table_;
    std::string first_;
    std::string last_;
    std::string lastTable_;
    Clock::time_point lastSend_;
    double intervalSumMs_ = 0;
    long intervals_ = 0;
    Sample moves_;
};

int listFlood(int port, int seconds, int listers, const std::string& list, const std::string& north,
              const std::string& south, int perAddress) {
    std::atomic<bool> done{false};
    std::atomic<long> lists{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < listers; ++i) {
        threads.emplace_back(
            [&, i] { listLoop(port, list, sourceAddress(60, i / perAddress), done, lists); });
    }
    Mover mover(port, north, south);
    mover.playUntil(Clock::now() + std::chrono::seconds(seconds));
    done = true;
    for (auto& thread : threads) thread.join();
    mover.print();
    std::printf("lists_answered %ld\n", lists.load());
    return 0;
}

std::vector<int> pidList(const std::string& text) {
    std::vector<int> pids;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        if (!item.empty()) pids.push_back(std::stoi(item));
    }
    return pids;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto number = [&](std::size_t i) { return std::stoi(args.at(i)); };
    try {
        const std::string& mode = args.at(0);
        if (mode == "slowloris") {
            return slowLoris(number(1), readFile(args.at(2)), number(3), number(4), number(5));
        }
        if (mode == "flood") {
            return flood(number(1), args.at(2), number(3), number(4), pidList(args.at(5)));
        }
        if (mode == "logins") {
            std::vector<std::string> bodies;
            for (std::size_t i = 5; i < args.size(); ++i) bodies.push_back(readFile(args[i]));
            return logins(number(1), readFile(args.at(2)), number(3), number(4), bodies);
        }
        if (mode == "listflood") {
            return listFlood(number(1), number(2), number(3), readFile(args.at(4)), args.at(5),
                             args.at(6), args.size() > 7 ? number(7) : kPerAddress);
        }
        if (mode == "timing") {
            return timing(number(1), number(2), readFile(args.at(3)), readFile(args.at(4)));
        }
    } catch (const std::exception& e) {
        std::cerr << "abuse_probe: " << e.what() << '\n';
    }
    std::cerr
        << "usage: abuse_probe slowloris|flood|logins|timing|listflood ... (see the source)\n";
    return 2;
}
