#include "HttpServer.h"

#include <sys/resource.h>
#include <unistd.h>

#include <utility>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <iostream>
#include <latch>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "Accounts.h"
#include "ArchivePages.h"
#include "ClientAddress.h"
#include "Credentials.h"
#include "CsrfToken.h"
#include "Engine.h"
#include "FormBody.h"
#include "HttpRequestReader.h"
#include "RegistrationRefusal.h"
#include "RequestPacer.h"
#include "Store.h"
#include "WebForm.h"
#include "WebPages.h"

namespace pimra::server {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

using Request = HttpRequest;
using Response = http::response<http::string_body>;

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kJson = "application/json; charset=utf-8";
constexpr const char* kCsrfCookie = "pimra_csrf";
constexpr int kListenBacklog = 16384;
constexpr std::size_t kReadChunk = 16 * 1024;
// Reads and the SQL-free part of changes run here; a change's worker goes on at once once the
// change is queued for the store, unless the store holds it until the commit (PostgreSQL), so
// there are enough workers for many changes to wait side by side while the reads go on.
constexpr unsigned kEngineWorkers = 64;
constexpr int kHasherNiceness = 10;

// Open connections (or, through the front, requests under way), in all and per address.
class ConnectionCount {
  public:
    ConnectionCount(int maxTotal, int maxPerAddress)
        : maxTotal_(maxTotal), maxPerAddress_(maxPerAddress) {}
    // An empty address counts against the total alone.
    bool take(const std::string& address) {
        std::lock_guard lock(mutex_);
        if (total_ >= maxTotal_) return false;
        if (!address.empty()) {
            int& mine = perAddress_[address];
            if (mine >= maxPerAddress_) return false;
            ++mine;
        }
        ++total_;
        return true;
    }
    void give(const std::string& address) {
        std::lock_guard lock(mutex_);
        --total_;
        const auto it = perAddress_.find(address);
        if (it != perAddress_.end() && --it->second <= 0) perAddress_.erase(it);
    }

  private:
    std::mutex mutex_;
    int maxTotal_;
    int maxPerAddress_;
    int total_ = 0;
    std::map<std::string, int> perAddress_;
};

// Gives every thread of `pool` (of `threads` threads) a lower scheduling priority. Password
// hashes take whole cores for tens of milliseconds; on lower priority their threads yield to
// the network thread and the engine workers, so a burst of logins cannot hold the polls up.
void lowerPriority(asio::thread_pool& pool, unsigned threads) {
    // Each task waits until all have started, so each runs on a thread of its own.
    const auto started = std::make_shared<std::latch>(threads);
    for (unsigned i = 0; i < threads; ++i) {
        asio::post(pool, [started] {
            const auto self = static_cast<id_t>(gettid());
            errno = 0;
            const int nice = getpriority(PRIO_PROCESS, self);
            if (errno == 0) setpriority(PRIO_PROCESS, self, std::min(nice + kHasherNiceness, 19));
            started->arrive_and_wait();
        });
    }
    started->wait();
}

// Engine requests whose reply is still to come, so that the server can wait for them before
// it goes: the store may call back after the network thread has stopped.
class OpenAnswers {
  public:
    void begin() { open_.fetch_add(1, std::memory_order_relaxed); }
    void end() {
        if (open_.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
        std::lock_guard lock(mutex_);
        none_.notify_all();
    }
    void waitForAll() {
        std::unique_lock lock(mutex_);
        none_.wait(lock, [&] { return open_.load(std::memory_order_acquire) == 0; });
    }

  private:
    std::atomic<long> open_{0};
    std::mutex mutex_;
    std::condition_variable none_;
};

}  // namespace

class HttpServer::Impl {
  public:
    Impl(Engine& engine, Accounts& accounts, Store& store, HttpLimits limits)
        : engine_(engine),
          accounts_(accounts),
          store_(store),
          limits_(limits),
          trusted_(canonical(limits.trustedProxies)),
          csrf_(storeSecret(store)),
          connections_(limits.maxConnections, limits.maxConnectionsPerAddress),
          frontClients_(std::numeric_limits<int>::max(), limits.maxConnectionsPerAddress),
          acceptor_(io_),
          lists_(limits.listsPerSecond, limits.listBurst, limits.listMaxWait),
          allLists_(limits.listsPerSecondInAll, limits.listBurstInAll, limits.listMaxWait),
          workers_(kEngineWorkers),
          hashers_(hasherCount()) {
        lowerPriority(hashers_, hasherCount());
    }

    static unsigned hasherCount() { return std::max(1u, std::thread::hardware_concurrency()); }

    ~Impl() {
        workers_.join();
        hashers_.join();
        answers_.waitForAll();
    }

    static std::string storeSecret(Store& store) {
        std::string key;
        store.write([&](StoreTransaction& tx) { key = tx.secret("csrf", randomToken()); });
        return key;
    }

    int bind(const std::string& host, int port) {
        beast::error_code ec;
        const auto address = asio::ip::make_address(host, ec);
        if (ec) return -1;
        const tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
        acceptor_.open(endpoint.protocol(), ec);
        if (ec) return -1;
        acceptor_.set_option(asio::socket_base::reuse_address(true), ec);
        acceptor_.bind(endpoint, ec);
        if (ec) return -1;
        acceptor_.listen(kListenBacklog, ec);
        if (ec) return -1;
        return acceptor_.local_endpoint().port();
    }

    bool run() {
        if (!acceptor_.is_open()) return false;
        accept();
        running_ = true;
        io_.run();
        running_ = false;
        return true;
    }

    void stop() {
        asio::post(io_, [this] {
            beast::error_code ignored;
            acceptor_.close(ignored);
            io_.stop();
        });
    }

    bool isRunning() const { return running_; }

    void accept() {
        // One thread runs the context, so a connection needs no strand of its own: what the
        // workers and the store post to it runs on that thread, one handler at a time.
        // The peer's address comes with the accepted socket, without asking the kernel again.
        acceptor_.async_accept(io_, peer_, [this](beast::error_code ec, tcp::socket socket) {
            if (ec == asio::error::operation_aborted) return;
            if (!ec) admit(std::move(socket), peer_);
            accept();
        });
    }

    void admit(tcp::socket socket, const tcp::endpoint& peer);

    bool trusted(const std::string& address) const {
        return std::find(trusted_.begin(), trusted_.end(), address) != trusted_.end();
    }

    static std::vector<std::string> canonical(const std::vector<std::string>& addresses) {
        std::vector<std::string> result;
        for (const auto& address : addresses) {
            if (const auto written = canonicalAddress(address)) result.push_back(*written);
        }
        return result;
    }

    Engine& engine_;
    Accounts& accounts_;
    Store& store_;
    HttpLimits limits_;
    std::vector<std::string> trusted_;  // the front's addresses, canonical
    CsrfToken csrf_;
    // Outlive the connections that the context still holds when it goes.
    ConnectionCount connections_;
    // Requests under way through the front, per client. nginx reads a whole request before it
    // passes it on and keeps its connections to us open for other clients, so a client's
    // share of the server is its requests under way here, not the front's connections.
    ConnectionCount frontClients_;
    asio::io_context io_;
    tcp::acceptor acceptor_;
    tcp::endpoint peer_;     // of the connection being accepted
    RequestPacer lists_;     // per client
    RequestPacer allLists_;  // of all clients together
    asio::thread_pool workers_;
    asio::thread_pool hashers_;
    OpenAnswers answers_;
    std::atomic<bool> running_{false};
};

namespace {

class Connection : public std::enable_shared_from_this<Connection> {
  public:
    Connection(HttpServer::Impl& server, tcp::socket socket, std::string address, bool front)
        : server_(server),
          stream_(std::move(socket)),
          address_(std::move(address)),
          front_(front) {}
    ~Connection() {
        releaseClient();
        server_.connections_.give(front_ ? std::string() : address_);
    }

    void start() { nextRequest(); }

  private:
    const HttpLimits& limits() const { return server_.limits_; }

    void nextRequest() {
        reader_.emplace(limits().maxHeaderBytes, limits().maxBodyBytes);
        started_ = false;
        headOnly_ = false;
        stream_.expires_after(limits().idleTimeout);
        if (buffer_.size() > 0) {
            markStarted();
            parse();
        } else {
            readMore();
        }
    }

    void markStarted() {
        if (started_) return;
        started_ = true;
        stream_.expires_after(limits().requestTimeout);
    }

    void readMore() {
        stream_.async_read_some(buffer_.prepare(kReadChunk),
                                [self = shared_from_this()](beast::error_code ec, std::size_t n) {
                                    self->onRead(ec, n);
                                });
    }

    void onRead(beast::error_code ec, std::size_t n) {
        if (ec) {
            // A timeout, a reset or the peer's end: nothing is owed to it.
            close();
            return;
        }
        buffer_.commit(n);
        markStarted();
        parse();
    }

    void parse() {
        const auto outcome = reader_->read(buffer_);
        if (outcome == HttpRequestReader::Outcome::Refused) {
            refuse(reader_->refusal());
            return;
        }
        if (reader_->headerDone() && client_.empty()) {
            if (const auto refusal = identifyClient()) {
                refuse(*refusal);
                return;
            }
        }
        if (outcome == HttpRequestReader::Outcome::Complete) {
            handle();
        } else {
            readMore();
        }
    }

    // Who the request is from, once its header is read: the peer, or behind the front the
    // client that X-Real-IP names, whose requests under way then count against its own limit.
    std::optional<http::status> identifyClient() {
        if (!front_) {
            client_ = address_;
            return std::nullopt;
        }
        const auto& header = reader_->request();
        if (header.count("X-Real-IP") > 1) return http::status::bad_request;
        const auto named = header["X-Real-IP"];
        const auto address = named.empty()
                                 ? std::optional<std::string>(address_)
                                 : canonicalAddress(std::string_view(named.data(), named.size()));
        if (!address) return http::status::bad_request;
        if (!server_.frontClients_.take(*address)) return http::status::service_unavailable;
        client_ = *address;
        countedClient_ = true;
        return std::nullopt;
    }

    void releaseClient() {
        if (countedClient_) server_.frontClients_.give(client_);
        countedClient_ = false;
        client_.clear();
    }

    // Answers a request that cannot be served and closes the connection after the reply.
    void refuse(http::status status) {
        const bool engine =
            reader_->headerDone() && isEnginePath(pathOf(reader_->request().target()));
        Response response{status, 11};
        if (engine) {
            response.set(http::field::content_type, kJson);
            response.body() = "{\"response\":\"Неверный запрос\"}";
        } else {
            htmlPage(response, errorPage(static_cast<int>(status)));
        }
        response.keep_alive(false);
        refused_ = true;
        // The request line is read before the fields whose fault may refuse the request.
        headOnly_ = reader_->request().method() == http::verb::head;
        send(std::move(response));
    }

    static void htmlPage(Response& response, std::string body) {
        response.set(http::field::content_type, kHtml);
        response.set("X-Content-Type-Options", "nosniff");
        response.set("X-Frame-Options", "DENY");
        response.set("Content-Security-Policy", pageSecurityPolicy());
        response.body() = std::move(body);
    }

    void handle() {
        request_ = reader_->release();
        headOnly_ = request_.method() == http::verb::head;
        // The handler's time counts against the request as well.
        stream_.expires_after(limits().requestTimeout);
        const std::string_view path = pathOf(request_.target());
        if (isEnginePath(path) && request_.method() == http::verb::post) {
            engineRequest();
        } else if (const auto language = registrationLanguage(path);
                   language && request_.method() == http::verb::post) {
            work(server_.hashers_, [this, language] { return registrationReply(*language); });
        } else if (isArchivePath(path) && (request_.method() == http::verb::get ||
                                           request_.method() == http::verb::head)) {
            work(server_.workers_, [this, path = std::string(path)] { return archivePage(path); });
        } else {
            send(pageReply(path));
        }
    }

    template <class Make>
    void work(asio::thread_pool& pool, Make make) {
        asio::post(pool, [self = shared_from_this(), make] {
            Response response = self->orUnavailable(make);
            asio::post(self->stream_.get_executor(),
                       [self, response = std::move(response)]() mutable {
                           self->send(std::move(response));
                       });
        });
    }

    // A store that cannot be read or written, or any other fault of the handler, costs this
    // request a 503 page, not the process.
    template <class Make>
    Response orUnavailable(const Make& make) const {
        try {
            return make();
        } catch (const std::exception& error) {
            std::cerr << "pimra-server: " << request_.target() << ": " << error.what() << '\n';
        } catch (...) {
            std::cerr << "pimra-server: " << request_.target() << ": an unknown error\n";
        }
        Response response = reply(http::status::service_unavailable);
        htmlPage(response, errorPage(503));
        return response;
    }

    Response reply(http::status status) const {
        // Replies are HTTP/1.1, also to HTTP/1.0 requests, as they have always been.
        Response response{status, 11};
        response.keep_alive(request_.keep_alive());
        return response;
    }

    std::string clientAddress() const { return client_; }

    // Logins run on the hashers, reads on the workers. A change is handed straight to a store
    // that queues writes, from this thread; its reply comes from the store once it is durable,
    // and no thread waits for it meanwhile. The store takes it without waiting for room: a
    // connection reads its next request only once this one is answered, so no more changes
    // wait than there are open connections, and a flood of changes slows the changes alone.
    void engineRequest() {
        auto fields = decodeFormBody(request_.body());
        if (!fields) {
            sendEngineReply(server_.engine_.answer(request_.body()));
            return;
        }
        if (Engine::isList(*fields)) {
            paceList(std::move(*fields));
            return;
        }
        answerEngine(std::move(*fields));
    }

    void answerEngine(FormFields fields) {
        server_.answers_.begin();
        if (Engine::onlyChanges(fields) && server_.store_.queuesWrites()) {
            server_.engine_.answer(fields, clientAddress(), replyLater());
            return;
        }
        const auto login = fields.find("action");
        const bool hashes = login != fields.end() && login->second == "login";
        asio::post(hashes ? server_.hashers_ : server_.workers_, [self = shared_from_this(),
                                                                  fields = std::move(fields)] {
            self->server_.engine_.answer(fields, self->clientAddress(), self->replyLater());
        });
    }

    // A list is the largest reply there is: each client, and all clients together, get lists
    // at a steady rate, so that a flood of them, from one host or many, cannot take the
    // network thread from the players' moves. Over the rate a list waits; over the longest
    // wait it is refused, after that wait.
    void paceList(FormFields fields) {
        const auto now = RequestPacer::Clock::now();
        auto turn = server_.lists_.turnOf(clientAddress(), now);
        if (turn) {
            const auto shared = server_.allLists_.turnOf({}, now);
            turn = shared ? std::optional(std::max(*turn, *shared)) : std::nullopt;
        }
        if (turn && *turn == RequestPacer::Clock::duration::zero()) {
            answerEngine(std::move(fields));
            return;
        }
        pause_.expires_after(turn.value_or(server_.lists_.maxWait()));
        pause_.async_wait([self = shared_from_this(), fields = std::move(fields),
                           served = turn.has_value()](beast::error_code ec) mutable {
            if (ec) return;
            if (served) {
                self->answerEngine(std::move(fields));
            } else {
                self->sendEngineReply(Engine::tooManyRequestsReply());
            }
        });
    }

    // Sends the engine's reply from the network thread, whichever thread it comes from.
    Engine::Respond replyLater() {
        return [self = shared_from_this()](std::string body) mutable {
            OpenAnswers& answers = self->server_.answers_;
            const auto executor = self->stream_.get_executor();
            asio::post(executor, [self = std::move(self), body = std::move(body)]() mutable {
                self->sendEngineReply(std::move(body));
            });
            answers.end();
        };
    }

    void sendEngineReply(std::string body) {
        Response response = reply(http::status::ok);
        response.set(http::field::content_type, kJson);
        response.body() = std::move(body);
        send(std::move(response));
    }

    // The language of the registration page at the path, if it is one.
    static std::optional<SiteLanguage> registrationLanguage(std::string_view path) {
        for (const SiteLanguage language : {SiteLanguage::Russian, SiteLanguage::English}) {
            const std::string_view page = registrationPath(language);
            if (path == page || (path.starts_with(page) && path.substr(page.size()) == "/")) {
                return language;
            }
        }
        return std::nullopt;
    }

    Response registrationReply(SiteLanguage language) const {
        const auto fields = decodeWebForm(request_.body());
        const auto value = [&](const char* name) {
            const auto it = fields->find(name);
            return it == fields->end() ? std::string() : it->second;
        };
        if (!fields) {
            Response response = reply(http::status::bad_request);
            htmlPage(response, errorPage(400));
            return response;
        }
        if (!sameOrigin(request_) ||
            !server_.csrf_.accepts(cookieValue(request_, kCsrfCookie), value("csrf"))) {
            Response response = reply(http::status::forbidden);
            htmlPage(response, errorPage(403));
            return response;
        }
        const std::string login = value("login");
        const RegistrationError error = server_.accounts_.registerAccount(
            login, value("password"), value("repeat"), clientAddress());
        Response response = reply(http::status::ok);
        if (error == RegistrationError::None) {
            htmlPage(response, registrationDonePage(login, language));
        } else {
            formPage(response, login, registrationRefusal(error, language), language);
        }
        return response;
    }

    // The cookie's path is the form's own, which it is posted back to.
    void formPage(Response& response, const std::string& login, const std::string& error,
                  SiteLanguage language) const {
        const std::string token = server_.csrf_.make();
        response.set(http::field::set_cookie, std::string(kCsrfCookie) + "=" + token + "; Path=" +
                                                  std::string(registrationPath(language)) +
                                                  "; HttpOnly; SameSite=Strict");
        response.set(http::field::cache_control, "no-store");
        htmlPage(response, registrationFormPage(login, error, token, language));
    }

    Response archivePage(const std::string& path) const {
        SiteReply page = archiveReply(server_.store_, path);
        Response response = reply(static_cast<http::status>(page.status));
        htmlPage(response, std::move(page.body));
        response.set(http::field::content_type, page.contentType);
        return response;
    }

    static SiteLanguage languageOfPath(std::string_view path) {
        return path.starts_with("/en/") ? SiteLanguage::English : SiteLanguage::Russian;
    }

    Response pageReply(std::string_view path) const {
        const bool get = request_.method() == http::verb::get;
        const bool head = request_.method() == http::verb::head;
        Response response = reply(http::status::ok);
        if (!get && !head) {
            response.result(http::status::not_found);
            htmlPage(response, errorPage(404));
        } else if (const auto language = registrationLanguage(path)) {
            formPage(response, "", "", *language);
        } else if (path == "/rules.html" || path == "/en/rules.html") {
            htmlPage(response, rulesPage(languageOfPath(path)));
        } else if (path == "/info.html" || path == "/en/info.html") {
            htmlPage(response, infoPage(languageOfPath(path)));
        } else if (path == "/") {
            response.result(http::status::found);
            response.set(http::field::location, "/info.html");
        } else {
            response.result(http::status::not_found);
            htmlPage(response, errorPage(404));
        }
        return response;
    }

    void send(Response response) {
        response.prepare_payload();
        response_ = std::make_shared<Response>(std::move(response));
        stream_.expires_after(limits().requestTimeout);
        auto written = [self = shared_from_this()](beast::error_code ec, std::size_t) {
            self->onWritten(ec);
        };
        if (headOnly_) {
            // The header of the GET reply, its Content-Length included, and no body.
            serializer_ =
                std::make_shared<http::response_serializer<http::string_body>>(*response_);
            http::async_write_header(stream_, *serializer_, std::move(written));
        } else {
            http::async_write(stream_, *response_, std::move(written));
        }
    }

    void onWritten(beast::error_code ec) {
        const bool again = !ec && response_->keep_alive();
        serializer_.reset();
        response_.reset();
        releaseClient();
        if (again) {
            nextRequest();
        } else if (!ec && refused_) {
            drainThenClose();
        } else {
            close();
        }
    }

    // Closing with unread bytes would reset the connection and could lose the reply on its
    // way; what the client still sends is read and dropped for a short while first.
    void drainThenClose() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream_.expires_after(std::min<std::chrono::milliseconds>(limits().idleTimeout,
                                                                  std::chrono::milliseconds(1000)));
        drain();
    }

    void drain() {
        buffer_.clear();
        stream_.async_read_some(buffer_.prepare(kReadChunk),
                                [self = shared_from_this()](beast::error_code ec, std::size_t) {
                                    if (ec) {
                                        self->stream_.close();
                                    } else {
                                        self->drain();
                                    }
                                });
    }

    // Closing sends the end of the stream by itself; a shutdown before it would only cost a call.
    void close() { stream_.close(); }

    HttpServer::Impl& server_;
    beast::tcp_stream stream_;
    asio::steady_timer pause_{stream_.get_executor()};
    std::string address_;
    bool front_;          // the peer is the front
    std::string client_;  // once the request's header is read
    bool countedClient_ = false;
    beast::flat_buffer buffer_;
    std::optional<HttpRequestReader> reader_;
    Request request_;
    std::shared_ptr<Response> response_;
    std::shared_ptr<http::response_serializer<http::string_body>> serializer_;
    bool started_ = false;
    bool headOnly_ = false;
    bool refused_ = false;
};

}  // namespace

void HttpServer::Impl::admit(tcp::socket socket, const tcp::endpoint& peer) {
    beast::error_code ec;
    const std::string address = canonicalAddress(peer.address().to_string()).value_or("");
    const bool front = trusted(address);
    if (!connections_.take(front ? std::string() : address)) {
        // Refused at once: a reset, not a place in a queue.
        socket.set_option(asio::socket_base::linger(true, 0), ec);
        socket.close(ec);
        return;
    }
    std::make_shared<Connection>(*this, std::move(socket), address, front)->start();
}

HttpServer::HttpServer(Engine& engine, Accounts& accounts, Store& store, HttpLimits limits)
    : impl_(std::make_unique<Impl>(engine, accounts, store, limits)) {}

HttpServer::~HttpServer() = default;

int HttpServer::bind(const std::string& host, int port) {
    return impl_->bind(host, port);
}

bool HttpServer::run() {
    return impl_->run();
}

void HttpServer::stop() {
    impl_->stop();
}

bool HttpServer::isRunning() const {
    return impl_->isRunning();
}

void HttpServer::waitUntilReady() const {
    while (!impl_->isRunning()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace pimra::server
