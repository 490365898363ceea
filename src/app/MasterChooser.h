#pragma once

#include <QObject>

#include <chrono>
#include <memory>

#include "core/MasterLevel.h"
#include "core/MasterThinker.h"
#include "core/MoveChooser.h"

namespace pimra {

// The computer's move for the window: the levels of today answer at once, the master level
// thinks on a worker thread and answers later from this object's thread (the window's), by a
// queued call. A thought that is cancelled or superseded never answers.
class MasterChooser : public QObject, public MoveChooser {
    Q_OBJECT

  public:
    explicit MasterChooser(QObject* parent = nullptr);
    ~MasterChooser() override;

    void choose(const Position& position, int level, Answer answer) override;
    void cancel() override;

    void setThinkTime(std::chrono::milliseconds time) { thinkTime_ = time; }
    std::chrono::milliseconds thinkTime() const { return thinkTime_; }
    bool thinking() const { return static_cast<bool>(pending_); }
    // Threads of the master's search; a thought under way keeps its own.
    void setThreads(int threads) { threads_ = threads; }
    int threads() const { return threads_; }

  private:
    void startThought(const Position& position);
    void thoughtDone(unsigned thought, const SearchResult& result);

    ClockRandom random_;
    LevelMoveChooser levels_{random_};
    std::unique_ptr<MasterThinker> thinker_;  // made on first use: its table is large
    std::chrono::milliseconds thinkTime_ = kDefaultMasterTime;
    int threads_ = MasterSearch::defaultThreads();
    Position position_;
    Answer pending_;
    unsigned thought_ = 0;
};

}  // namespace pimra
