#include "RequestRunner.h"

#include <QtConcurrent/QtConcurrentRun>

#include <utility>

#include "net/Requests.h"

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

bool RequestRunner::login(const std::string& login, const std::string& password, LoggedIn done) {
    net::ServerConnection& connection = connection_;
    return start(
        [&connection, login, password] {
            net::PostResult result;
            result.ok = connection.Login(login, password);
            return result;
        },
        [this, done = std::move(done)] { done(!aborted_ && watcher_.result().ok); });
}

void RequestRunner::resume() {
    if (!busy_) aborted_ = false;
}

void RequestRunner::abort() {
    aborted_ = true;
    if (busy_ && abortTransport_) abortTransport_();
}

}  // namespace pimra
