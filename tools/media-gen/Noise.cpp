#include "Noise.h"

#include <cmath>

namespace media_gen {

namespace {

double smooth(double t) {
    return t * t * (3.0 - 2.0 * t);
}

int wrap(int i, int n) {
    return ((i % n) + n) % n;
}

}  // namespace

std::uint32_t Rng::next() {
    // xorshift32
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

double Rng::uniform() {
    return static_cast<double>(next() >> 8) / static_cast<double>(1u << 24);
}

TileNoise::TileNoise(int width, int height, int cellsX, int cellsY, std::uint32_t seed)
    : cellWidth_(static_cast<double>(width) / cellsX),
      cellHeight_(static_cast<double>(height) / cellsY),
      cellsX_(cellsX),
      cellsY_(cellsY) {
    Rng rng(seed);
    values_.resize(static_cast<std::size_t>(cellsX * cellsY));
    for (double& v : values_) {
        v = rng.uniform();
    }
}

double TileNoise::lattice(int i, int j) const {
    return values_[static_cast<std::size_t>(wrap(j, cellsY_) * cellsX_ + wrap(i, cellsX_))];
}

double TileNoise::at(double x, double y) const {
    const double u = x / cellWidth_;
    const double v = y / cellHeight_;
    const int i = static_cast<int>(std::floor(u));
    const int j = static_cast<int>(std::floor(v));
    const double fu = smooth(u - i);
    const double fv = smooth(v - j);
    const double top = lattice(i, j) + (lattice(i + 1, j) - lattice(i, j)) * fu;
    const double bottom = lattice(i, j + 1) + (lattice(i + 1, j + 1) - lattice(i, j + 1)) * fu;
    return top + (bottom - top) * fv;
}

FractalNoise::FractalNoise(int width, int height, int cellsX, int cellsY, int octaves,
                           std::uint32_t seed) {
    for (int o = 0; o < octaves; ++o) {
        octaves_.emplace_back(width, height, cellsX << o, cellsY << o, seed + 7919u * o);
    }
}

double FractalNoise::at(double x, double y) const {
    double sum = 0.0;
    double weight = 1.0;
    double total = 0.0;
    for (const TileNoise& octave : octaves_) {
        sum += octave.at(x, y) * weight;
        total += weight;
        weight *= 0.5;
    }
    return sum / total;
}

double grain(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<double>(h & 0xFFFF) / 65535.0;
}

}  // namespace media_gen
