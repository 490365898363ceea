#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

#include "online/TableController.h"

namespace pimra {

// The open table's timers: the poll, the clock, the pause after a clock ran out, the next try
// after a failed exchange and the "still here" signal. Each timeout goes to the table and
// its effects to the window; the effects in turn start and stop the timers.
class TableTimers : public QObject {
    Q_OBJECT

  public:
    static constexpr int kPollPeriod = 2000;
    // With the game socket open the changes come pushed; the poll is only a safety net.
    static constexpr int kSocketPollPeriod = 15000;
    static constexpr int kClockPeriod = 1000;
    static constexpr int kClockRunOutPause = 1000;
    static constexpr int kAlivePeriod = 10000;

    TableTimers(online::TableController& table, std::function<void(online::Effects)> apply);

    // Starts and stops the timers as the table's effects say.
    void follow(const online::Effects& effects);
    // The window closes: nothing ticks any more.
    void stopAll();

    // The timeouts; tests deliver them without waiting.
    void pollTick();
    void clockTick();
    void aliveTick();

    // The game socket opened or closed: the poll slows down or speeds up.
    void setSocketOpen(bool open);
    int pollPeriod() const { return poll_.interval(); }

    // Tests shorten the periods; a clock period of its own ticks by itself, not by the seconds.
    void setPeriods(int pollMilliseconds, int clockMilliseconds);
    void setClockPause(int milliseconds) { pause_.setInterval(milliseconds); }
    void setAlivePeriod(int milliseconds) { alive_.setInterval(milliseconds); }
    bool polling() const { return poll_.isActive(); }
    bool clockRunning() const { return clock_.isActive(); }
    bool retryWaiting() const { return retry_.isActive(); }
    bool aliveRunning() const { return alive_.isActive(); }

  private:
    void startClock(std::optional<std::chrono::milliseconds> nextTick);

    online::TableController& table_;
    std::function<void(online::Effects)> apply_;
    QTimer poll_;
    QTimer clock_;
    QTimer pause_;
    QTimer retry_;  // the next try after a failed exchange
    QTimer alive_;
    int clockPeriod_ = kClockPeriod;
    int pollPeriod_ = kPollPeriod;
    int socketPollPeriod_ = kSocketPollPeriod;
    bool socketOpen_ = false;
};

}  // namespace pimra
