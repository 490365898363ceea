#include "Clock.h"

#include <chrono>

namespace pimra::server {

std::int64_t SystemClock::nowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace pimra::server
