#pragma once

#include <random>

namespace pimra {

// The easy and variable levels draw from this; tests replace it to fix the draw.
class RandomSource {
  public:
    virtual ~RandomSource() = default;
    virtual void reseed() = 0;
    // A whole number uniformly in 0..n-1.
    virtual int next(int n) = 0;
};

// Reseeded from the high-resolution clock before every choice.
class ClockRandom : public RandomSource {
  public:
    void reseed() override;
    int next(int n) override;

  private:
    std::mt19937 engine_{std::random_device{}()};
};

// A fixed sequence for a seed, never reseeded: matches and benchmarks repeat exactly.
class SeededRandom : public RandomSource {
  public:
    explicit SeededRandom(unsigned seed) : engine_(seed) {}
    void reseed() override {}
    int next(int n) override { return std::uniform_int_distribution<int>(0, n - 1)(engine_); }

  private:
    std::mt19937 engine_;
};

}  // namespace pimra
