#include "TableTimers.h"

#include <algorithm>

namespace pimra {

TableTimers::TableTimers(online::TableController& table, std::function<void(online::Effects)> apply)
    : table_(table), apply_(std::move(apply)) {
    poll_.setInterval(kPollPeriod);
    clock_.setInterval(kClockPeriod);
    // The clock's ticks keep to the seconds of the server's time.
    clock_.setTimerType(Qt::PreciseTimer);
    retry_.setSingleShot(true);
    pause_.setSingleShot(true);
    pause_.setInterval(kClockRunOutPause);
    alive_.setInterval(kAlivePeriod);
    connect(&poll_, &QTimer::timeout, this, &TableTimers::pollTick);
    connect(&clock_, &QTimer::timeout, this, &TableTimers::clockTick);
    connect(&alive_, &QTimer::timeout, this, &TableTimers::aliveTick);
    connect(&pause_, &QTimer::timeout, this, [this] { apply_(table_.pauseOver()); });
    connect(&retry_, &QTimer::timeout, this, [this] { apply_(table_.retryTick()); });
}

void TableTimers::follow(const online::Effects& effects) {
    if (effects.startTimers) {
        startClock(effects.nextClockTick);
        if (!poll_.isActive()) poll_.start();
        if (!alive_.isActive()) alive_.start();
    }
    if (effects.stopTimers) {
        poll_.stop();
        clock_.stop();
        pause_.stop();
        retry_.stop();
    }
    if (effects.clockStands) {
        clock_.stop();
        pause_.stop();
    }
    if (effects.stopAlive) alive_.stop();
    if (effects.retryAfter) retry_.start(static_cast<int>(effects.retryAfter->count()));
    if (effects.pauseThenReload) {
        // The reload follows a pause, but the window keeps answering meanwhile; it restarts
        // the clock.
        clock_.stop();
        pause_.start();
    }
}

void TableTimers::stopAll() {
    for (QTimer* timer : {&poll_, &clock_, &pause_, &retry_, &alive_}) timer->stop();
}

void TableTimers::pollTick() {
    apply_(table_.pollTick());
}

void TableTimers::clockTick() {
    const online::Effects tick = table_.clockTick();
    const std::optional<std::chrono::milliseconds> next = tick.nextClockTick;
    apply_(tick);
    // Unless the run-out pause stopped it, the clock ticks again as the next second shows.
    if (clock_.isActive()) startClock(next);
}

void TableTimers::aliveTick() {
    apply_(table_.aliveTick());
}

void TableTimers::setSocketOpen(bool open) {
    socketOpen_ = open;
    poll_.setInterval(open ? socketPollPeriod_ : pollPeriod_);
}

void TableTimers::setPeriods(int pollMilliseconds, int clockMilliseconds) {
    pollPeriod_ = pollMilliseconds;
    // A test's poll that never ticks by itself stays so with the socket open.
    socketPollPeriod_ = std::max(pollMilliseconds, kSocketPollPeriod);
    setSocketOpen(socketOpen_);
    clock_.setInterval(clockMilliseconds);
    clockPeriod_ = clockMilliseconds;
}

void TableTimers::startClock(std::optional<std::chrono::milliseconds> nextTick) {
    // The ticks fall just after the shown second changes, so every screen turns together; a
    // period set by a test that ticks by itself stays as it is.
    if (nextTick && clockPeriod_ == kClockPeriod) {
        clock_.start(static_cast<int>(nextTick->count()));
        return;
    }
    clock_.start(clockPeriod_);
}

}  // namespace pimra
