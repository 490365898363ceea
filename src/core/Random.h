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

}  // namespace pimra
