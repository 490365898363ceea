#include "PeriodicReport.h"

#include <iostream>
#include <utility>

namespace pimra::server {

PeriodicReport::PeriodicReport(std::chrono::milliseconds period, Line line, Writer write)
    : period_(period), line_(std::move(line)), write_(std::move(write)) {
    thread_ = std::thread([this] { run(); });
}

PeriodicReport::~PeriodicReport() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    stopping_.notify_all();
    thread_.join();
}

void PeriodicReport::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_.wait_for(lock, period_, [&] { return stop_; })) return;
        lock.unlock();
        report();
        lock.lock();
    }
}

void PeriodicReport::report() const {
    // A report that fails (a store that cannot be reached) is skipped; the next one may work.
    try {
        const std::string text = line_();
        if (!text.empty()) write_(text);
    } catch (const std::exception& error) {
        std::cerr << "pimra-server: no report: " << error.what() << '\n';
    } catch (...) {
        std::cerr << "pimra-server: no report\n";
    }
}

}  // namespace pimra::server
