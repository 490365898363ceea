#pragma once

#include <cstdint>
#include <vector>

namespace media_gen {

// A small fixed generator, so that every build makes the same files on every machine.
class Rng {
  public:
    explicit Rng(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    std::uint32_t next();
    // Uniform in [0, 1).
    double uniform();
    double uniform(double low, double high) { return low + (high - low) * uniform(); }
    int below(int n) { return static_cast<int>(uniform() * n); }

  private:
    std::uint32_t state_;
};

// Smooth value noise on a lattice that wraps at the tile's edges, so that the texture made
// from it tiles without seams. Values lie in 0..1.
class TileNoise {
  public:
    TileNoise(int width, int height, int cellsX, int cellsY, std::uint32_t seed);
    double at(double x, double y) const;

  private:
    double lattice(int i, int j) const;

    double cellWidth_;
    double cellHeight_;
    int cellsX_;
    int cellsY_;
    std::vector<double> values_;
};

// Several octaves of TileNoise, each with twice the cells and half the weight, scaled to 0..1.
class FractalNoise {
  public:
    FractalNoise(int width, int height, int cellsX, int cellsY, int octaves, std::uint32_t seed);
    double at(double x, double y) const;

  private:
    std::vector<TileNoise> octaves_;
};

// Fine grain that depends on the pixel only, in 0..1.
double grain(int x, int y, std::uint32_t seed);

}  // namespace media_gen
