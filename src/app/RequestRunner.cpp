#include "RequestRunner.h"

#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <thread>
#include <utility>

namespace pimra {

RequestRunner::RequestRunner(net::ServerConnection& connection,
                             std::function<void()> abortTransport)
    : connection_(connection), abortTransport_(std::move(abortTransport)) {}

bool RequestRunner::runAside(const std::function<void()>& work) {
    if (busy_ || aborted_) return false;
    busy_ = true;
    QEventLoop loop;
    std::atomic<bool> done{false};
    std::thread worker([&work, &loop, &done] {
        work();
        done = true;
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    // The loop also ends when the program quits; the exchange must not hold it up then.
    if (!done) abort();
    worker.join();
    busy_ = false;
    return !aborted_;
}

std::optional<net::PostResult> RequestRunner::send(const net::Request& request) {
    net::PostResult result;
    if (!runAside([&] { result = connection_.SendPost(request); })) return std::nullopt;
    return result;
}

std::optional<bool> RequestRunner::login(const std::string& login, const std::string& password) {
    bool ok = false;
    if (!runAside([&] { ok = connection_.Login(login, password); })) return std::nullopt;
    return ok;
}

void RequestRunner::resume() {
    if (!busy_) aborted_ = false;
}

void RequestRunner::abort() {
    aborted_ = true;
    if (abortTransport_) abortTransport_();
}

}  // namespace pimra
