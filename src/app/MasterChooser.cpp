#include "MasterChooser.h"

#include <utility>

namespace pimra {

MasterChooser::MasterChooser(QObject* parent) : QObject(parent) {}

MasterChooser::~MasterChooser() {
    // The worker must be gone before this object is: it posts its result to it.
    cancel();
}

void MasterChooser::choose(const Position& position, int level, Answer answer) {
    cancel();
    if (!isMasterLevel(level)) {
        levels_.choose(position, level, std::move(answer));
        return;
    }
    if (position.rowSum(Side::Top) == 0) {
        answer(0);
        return;
    }
    pending_ = std::move(answer);
    startThought(position);
}

void MasterChooser::startThought(const Position& position) {
    if (!thinker_) thinker_ = std::make_unique<MasterThinker>();
    if (thinker_->threads() != threads_) thinker_->setThreads(threads_);
    position_ = position;
    const unsigned thought = ++thought_;
    SearchLimits limits;
    limits.time = thinkTime_;
    // Runs on the worker; only the queued call touches this object, on its own thread.
    thinker_->start(position, Side::Top, limits, [this, thought](const SearchResult& result) {
        QMetaObject::invokeMethod(
            this, [this, thought, result] { thoughtDone(thought, result); }, Qt::QueuedConnection);
    });
}

void MasterChooser::thoughtDone(unsigned thought, const SearchResult& result) {
    if (thought != thought_ || !pending_) return;  // cancelled or superseded meanwhile
    Answer answer = std::exchange(pending_, nullptr);
    if (!result.searched || result.pit == 0) {
        // A board the search cannot take: the very hard level answers instead.
        levels_.choose(position_, kLevelVeryHard, std::move(answer));
        return;
    }
    answer(result.pit);
}

void MasterChooser::cancel() {
    ++thought_;
    pending_ = nullptr;
    if (thinker_) thinker_->stop();
}

}  // namespace pimra
