#include "Random.h"

#include <chrono>

namespace pimra {

void ClockRandom::reseed() {
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    engine_.seed(static_cast<std::mt19937::result_type>(ticks));
}

int ClockRandom::next(int n) {
    if (n <= 1) return 0;
    return std::uniform_int_distribution<int>(0, n - 1)(engine_);
}

}  // namespace pimra
