#include "SharedPitDatabase.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "EndgameTable.h"

namespace pimra {

namespace {

// A stone count from the environment, else `stones`.
int stonesFrom(const char* variable, int stones, int largest) {
    const char* text = std::getenv(variable);
    if (text == nullptr) return stones;
    char* end = nullptr;
    const long wanted = std::strtol(text, &end, 10);
    if (end == text || *end != '\0') return stones;
    return static_cast<int>(std::clamp<long>(wanted, 0, largest));
}

// PIMRA_PIT_STONES chooses a smaller database, for tests that must not build the large one.
int stonesWanted(int stones = PitDatabase::kDefaultStones) {
    return stonesFrom("PIMRA_PIT_STONES", stones, PitDatabase::kLargestStones);
}

// The program's one database, loaded on a thread of its own on first use. It is never
// changed once made, so searches on any thread may read it.
class SharedPitDatabase {
  public:
    std::shared_ptr<const PitDatabase> get(bool wait) {
        std::unique_lock lock(mutex_);
        if (status_.state == PitDatabaseStatus::State::NotStarted) start();
        if (wait) ready_.wait(lock, [this] { return done_; });
        return database_;
    }

    PitDatabaseStatus status() {
        const std::lock_guard lock(mutex_);
        PitDatabaseStatus status = status_;
        if (!done_ && status.state != PitDatabaseStatus::State::NotStarted) {
            status.seconds = secondsSinceStart();
        }
        return status;
    }

  private:
    // Called with the mutex held.
    void start() {
        status_.state = PitDatabaseStatus::State::Loading;
        status_.stones = stonesWanted();
        started_ = std::chrono::steady_clock::now();
        worker_ = std::jthread([this](std::stop_token stop) { load(stop); });
    }

    void load(std::stop_token stop) {
        const auto progress = [this](double share) {
            const std::lock_guard lock(mutex_);
            status_.state = PitDatabaseStatus::State::Building;
            status_.progress = share;
        };
        PitDatabaseLoad load =
            loadOrBuildPitDatabase(endgameCacheFolder(), status_.stones, std::move(stop), progress);
        const std::lock_guard lock(mutex_);
        database_ = std::move(load.database);
        status_.state =
            database_ ? PitDatabaseStatus::State::Ready : PitDatabaseStatus::State::Failed;
        status_.progress = database_ ? 1.0 : status_.progress;
        status_.bytes = database_ ? database_->size() : 0;
        status_.seconds = secondsSinceStart();
        status_.fromCache = load.fromCache;
        status_.cacheError = load.cacheError;
        done_ = true;
        ready_.notify_all();
    }

    double secondsSinceStart() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::shared_ptr<const PitDatabase> database_;
    PitDatabaseStatus status_;
    std::chrono::steady_clock::time_point started_;
    bool done_ = false;
    std::jthread worker_;  // last: stopped and joined before the rest goes
};

SharedPitDatabase& holder() {
    static SharedPitDatabase shared;
    return shared;
}

}  // namespace

std::shared_ptr<const PitDatabase> sharedPitDatabase() {
    return holder().get(false);
}

std::shared_ptr<const PitDatabase> sharedPitDatabaseWait() {
    return holder().get(true);
}

PitDatabaseStatus sharedPitDatabaseStatus() {
    return holder().status();
}

PitDatabaseLoad loadProofPitDatabase(const PitDatabase::Progress& progress) {
    return loadOrBuildPitDatabase(endgameCacheFolder(), stonesWanted(PitDatabase::kLargestStones),
                                  {}, progress);
}

LimitDatabaseLoad loadProofLimitDatabase(int total, const PitDatabase& pits) {
    // The most stones whose database stays within its size, unless a count is asked for.
    int stones = std::min(LimitDatabase::kDefaultStones, pits.maxStones());
    while (stones > 0 && LimitDatabase::sizeFor(total, stones) > LimitDatabase::kProofBytes) {
        --stones;
    }
    stones = std::min(stonesFrom("PIMRA_LIMIT_STONES", stones, pits.maxStones()), pits.maxStones());
    if (LimitDatabase::sizeFor(total, stones) == 0) return {};
    return loadOrBuildLimitDatabase(endgameCacheFolder(), total, stones, pits);
}

}  // namespace pimra
