#include "RequestRunner.h"

#include <QtConcurrent/QtConcurrentRun>

#include <utility>

#include "GameSocket.h"
#include "net/Requests.h"
#include "net/ResendPolicy.h"

namespace pimra {

RequestRunner::RequestRunner(net::ServerConnection& connection,
                             std::function<void()> abortTransport)
    : connection_(connection), abortTransport_(std::move(abortTransport)) {
    connect(&watcher_, &QFutureWatcher<net::PostResult>::finished, this, &RequestRunner::finish);
}

RequestRunner::~RequestRunner() {
    if (!busy_) return;
    watcher_.disconnect(this);
    if (abortTransport_) abortTransport_();
    watcher_.waitForFinished();
}

bool RequestRunner::start(std::function<net::PostResult()> work, std::function<void()> finished) {
    if (busy_ || aborted_) return false;
    busy_ = true;
    finished_ = std::move(finished);
    watcher_.setFuture(QtConcurrent::run(std::move(work)));
    return true;
}

void RequestRunner::finish() {
    busy_ = false;
    std::function<void()> finished = std::move(finished_);
    finished_ = nullptr;
    if (finished) finished();
}

bool RequestRunner::send(const net::Request& request, Done done) {
    if (socket_ != nullptr && socket_->isOpen()) return sendOverSocket(request, std::move(done));
    return sendOverHttp(request, std::move(done));
}

bool RequestRunner::sendOverHttp(const net::Request& request, Done done) {
    net::ServerConnection& connection = connection_;
    return start([&connection, request] { return connection.SendPost(request); },
                 [this, done = std::move(done)] {
                     if (aborted_) {
                         done(std::nullopt);
                         return;
                     }
                     done(watcher_.result());
                 });
}

bool RequestRunner::sendOverSocket(const net::Request& request, Done done) {
    if (busy_ || aborted_) return false;
    busy_ = true;
    auto replied = [this, request, done](std::optional<net::Reply> reply) {
        busy_ = false;
        // Asked again over HTTP only what changes nothing: a lost change may have been made.
        if (!reply && !aborted_ && net::MayResend(request) && sendOverHttp(request, done)) {
            return;
        }
        if (aborted_) {
            done(std::nullopt);
            return;
        }
        done(reply ? connection_.TakeReply(std::move(*reply)) : connection_.LostReply());
    };
    if (socket_->send(request, std::move(replied))) return true;
    busy_ = false;
    return sendOverHttp(request, std::move(done));
}

bool RequestRunner::login(const std::string& login, const std::string& password, LoggedIn done) {
    return send(
        net::LoginRequest(login, password),
        [this, login, done = std::move(done)](const std::optional<net::PostResult>& result) {
            done(result && connection_.AcceptLogin(*result, login));
        });
}

void RequestRunner::resume() {
    if (!busy_) aborted_ = false;
}

void RequestRunner::abort() {
    aborted_ = true;
    if (busy_ && abortTransport_) abortTransport_();
}

}  // namespace pimra
