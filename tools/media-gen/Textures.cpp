#include "Textures.h"

#include <cmath>
#include <numbers>

#include "Noise.h"
#include "Palette.h"

namespace media_gen {

namespace {

constexpr double kPi = std::numbers::pi;

std::vector<Rgb> join(std::vector<Rgb> a, const std::vector<Rgb>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Spreads fractal noise, which clusters around 0.5, over most of 0..1.
double stretch(double noise, double gain) {
    return 0.5 + (noise - 0.5) * gain;
}

// Offset from `from` to `to` on a ring of length `period`, in -period/2..period/2.
double ringDelta(double from, double to, double period) {
    double d = std::fmod(to - from, period);
    if (d > period / 2) {
        d -= period;
    } else if (d < -period / 2) {
        d += period;
    }
    return d;
}

struct Disc {
    double x;
    double y;
    double r;
};

// Discs that do not touch each other, also across the tile's edges.
std::vector<Disc> scatterDiscs(int width, int height, int count, double minR, double maxR,
                               double gap, std::uint32_t seed) {
    Rng rng(seed);
    std::vector<Disc> discs;
    for (int attempt = 0; attempt < 4000 && static_cast<int>(discs.size()) < count; ++attempt) {
        const Disc d{rng.uniform(0, width), rng.uniform(0, height), rng.uniform(minR, maxR)};
        bool free = true;
        for (const Disc& o : discs) {
            const double dx = ringDelta(o.x, d.x, width);
            const double dy = ringDelta(o.y, d.y, height);
            if (std::hypot(dx, dy) < d.r + o.r + gap) {
                free = false;
                break;
            }
        }
        if (free) {
            discs.push_back(d);
        }
    }
    return discs;
}

Bitmap ground() {
    constexpr int kSize = 96;
    Bitmap bmp(kSize, kSize, 4,
               gradient({{46, 34, 26}, {78, 58, 42}, {110, 84, 60}, {146, 116, 84}}, 16));
    const FractalNoise soil(kSize, kSize, 3, 3, 4, 11);
    const FractalNoise clumps(kSize, kSize, 8, 8, 2, 12);
    const auto pebbles = scatterDiscs(kSize, kSize, 22, 1.2, 3.2, 2.0, 13);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            double t = 0.42 + 0.6 * (soil.at(x, y) - 0.5) + 0.45 * (clumps.at(x, y) - 0.5) +
                       0.18 * (grain(x, y, 14) - 0.5);
            for (const Disc& p : pebbles) {
                const double dx = ringDelta(p.x, x + 0.5, kSize);
                const double dy = ringDelta(p.y, y + 0.5, kSize);
                const double d = std::hypot(dx, dy) / p.r;
                if (d < 1.0) {
                    // Lit from the top left, like the rest of the window.
                    t = 0.62 - 0.22 * (dx + dy) / p.r - 0.15 * d;
                } else if (d < 1.0 + 1.2 / p.r && dx + dy > 0) {
                    t -= 0.18;  // shadow at the lower right
                }
            }
            bmp.setIndex(x, y, step(t, 16));
        }
    }
    return bmp;
}

Bitmap wall() {
    constexpr int kSize = 40;
    constexpr int kBrickWidth = 20;
    constexpr int kCourse = 10;  // brick height including the joint
    constexpr int kBrickShades = 160;
    constexpr int kMortarShades = 64;
    const auto palette = join(
        join(gradient({{66, 32, 27}, {104, 50, 39}, {136, 70, 52}, {160, 96, 74}}, kBrickShades),
             gradient({{84, 78, 72}, {120, 114, 104}, {150, 144, 132}}, kMortarShades)),
        gradient({{36, 28, 26}, {66, 32, 27}}, 256 - kBrickShades - kMortarShades));
    Bitmap bmp(kSize, kSize, 8, palette);
    const FractalNoise surface(kSize, kSize, 4, 4, 3, 21);
    Rng rng(22);
    double tones[kSize / kCourse][kSize / kBrickWidth];
    for (auto& course : tones) {
        for (double& tone : course) {
            tone = rng.uniform(0.32, 0.68);
        }
    }
    for (int y = 0; y < kSize; ++y) {
        const int course = y / kCourse;
        const int inY = y % kCourse;
        const int shift = (course % 2) * (kBrickWidth / 2);
        for (int x = 0; x < kSize; ++x) {
            const int bx = (x + shift) % kSize;
            const int inX = bx % kBrickWidth;
            const double g = grain(x, y, 23) - 0.5;
            if (inY >= kCourse - 2 || inX >= kBrickWidth - 2) {
                const bool shadow = inY == kCourse - 2 && inX < kBrickWidth - 2;
                if (shadow) {
                    bmp.setIndex(x, y, kBrickShades + kMortarShades + step(0.5 + g, 32));
                } else {
                    const double t = 0.5 + 0.8 * (surface.at(x, y) - 0.5) + 0.5 * g;
                    bmp.setIndex(x, y, kBrickShades + step(t, kMortarShades));
                }
                continue;
            }
            double t = tones[course][bx / kBrickWidth] + 0.7 * (surface.at(x, y) - 0.5) + 0.22 * g;
            if (inY == 0) {
                t += 0.14;
            } else if (inY == kCourse - 3) {
                t -= 0.12;
            }
            if (inX == 0) {
                t += 0.08;
            } else if (inX == kBrickWidth - 3) {
                t -= 0.1;
            }
            bmp.setIndex(x, y, step(t, kBrickShades));
        }
    }
    return bmp;
}

Bitmap bubbles() {
    constexpr int kSize = 64;
    constexpr int kWater = 9;
    constexpr int kBody = 4;
    const auto palette = join(join(gradient({{28, 54, 68}, {42, 76, 92}, {56, 94, 110}}, kWater),
                                   gradient({{58, 100, 118}, {80, 124, 140}}, kBody)),
                              {{108, 152, 166}, {160, 196, 206}, {206, 228, 234}});
    Bitmap bmp(kSize, kSize, 4, palette);
    const FractalNoise water(kSize, kSize, 2, 2, 4, 31);
    const auto discs = scatterDiscs(kSize, kSize, 8, 3.0, 9.5, 3.0, 32);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            int index = step(stretch(water.at(x, y), 1.3) + 0.1 * (grain(x, y, 33) - 0.5), kWater);
            for (const Disc& b : discs) {
                const double dx = ringDelta(b.x, x + 0.5, kSize);
                const double dy = ringDelta(b.y, y + 0.5, kSize);
                const double d = std::hypot(dx, dy);
                if (d >= b.r) {
                    continue;
                }
                const double hx = dx + 0.4 * b.r;
                const double hy = dy + 0.4 * b.r;
                if (std::hypot(hx, hy) < 0.18 * b.r + 0.6) {
                    index = kWater + kBody + 2;
                } else if (b.r - d < 1.1) {
                    index = kWater + kBody + (dx + dy < 0 ? 1 : 0);
                } else {
                    // A bubble is clear in the middle and brighter towards its skin.
                    index = kWater + step((d / b.r) * (d / b.r), kBody);
                }
            }
            bmp.setIndex(x, y, index);
        }
    }
    return bmp;
}

Bitmap tiles() {
    constexpr int kSize = 32;
    constexpr int kTile = 16;
    constexpr int kFace = 5;
    const auto palette = join(
        join(gradient({{118, 84, 64}, {140, 104, 80}}, kFace),
             gradient({{138, 120, 94}, {160, 142, 112}}, kFace)),
        {{162, 122, 96}, {182, 164, 132}, {90, 64, 50}, {110, 94, 74}, {58, 50, 44}, {74, 66, 58}});
    Bitmap bmp(kSize, kSize, 4, palette);
    const FractalNoise glaze(kSize, kSize, 4, 4, 2, 41);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const int inX = x % kTile;
            const int inY = y % kTile;
            const int kind = ((x / kTile) + (y / kTile)) % 2;  // checkerboard of two glazes
            int index;
            if (inX == kTile - 1 || inY == kTile - 1) {
                index = 14 + static_cast<int>(grain(x, y, 42) > 0.6);
            } else if (inX == 0 || inY == 0) {
                index = 10 + kind;
            } else if (inX == kTile - 2 || inY == kTile - 2) {
                index = 12 + kind;
            } else {
                const double t = stretch(glaze.at(x, y), 1.6) + 0.25 * (grain(x, y, 43) - 0.5);
                index = kind * kFace + step(t, kFace);
            }
            bmp.setIndex(x, y, index);
        }
    }
    return bmp;
}

Bitmap blue() {
    constexpr int kSize = 50;
    Bitmap bmp(kSize, kSize, 4,
               gradient({{16, 30, 66}, {28, 52, 100}, {44, 78, 132}, {76, 110, 160}}, 16));
    const FractalNoise sky(kSize, kSize, 2, 2, 5, 51);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const double wave = std::sin(2 * kPi * (x + 2.0 * y) / kSize);
            const double t =
                stretch(sky.at(x, y), 1.25) + 0.05 * wave + 0.08 * (grain(x, y, 52) - 0.5);
            bmp.setIndex(x, y, step(t, 16));
        }
    }
    return bmp;
}

Bitmap stripes() {
    constexpr int kWidth = 30;
    constexpr int kHeight = 32;
    constexpr int kStripes = 2;  // whole stripes per tile, so the edges meet
    constexpr int kSub = 4;
    Bitmap bmp(kWidth, kHeight, 4,
               gradient({{50, 60, 78}, {70, 82, 100}, {96, 110, 130}, {128, 140, 156}}, 16));
    const FractalNoise cloth(kWidth, kHeight, 3, 3, 2, 61);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            // Supersampled so that the slanted edges are smooth.
            double cover = 0.0;
            double seam = 0.0;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    const double px = x + (sx + 0.5) / kSub;
                    const double py = y + (sy + 0.5) / kSub;
                    double s = kStripes * (px / kWidth + py / kHeight);
                    s -= std::floor(s);
                    cover += s < 0.5 ? 1.0 : 0.0;
                    seam += (s >= 0.5 && s < 0.56) ? 1.0 : 0.0;
                }
            }
            cover /= kSub * kSub;
            seam /= kSub * kSub;
            const double t = 0.16 + 0.34 * cover + 0.45 * seam + 0.3 * (cloth.at(x, y) - 0.5) +
                             0.08 * (grain(x, y, 62) - 0.5);
            bmp.setIndex(x, y, step(t, 16));
        }
    }
    return bmp;
}

Bitmap relief() {
    constexpr int kWidth = 54;
    constexpr int kHeight = 96;
    Bitmap bmp(kWidth, kHeight, 4,
               gradient({{56, 52, 48}, {92, 86, 78}, {128, 120, 108}, {164, 156, 140}}, 16));
    const FractalNoise stone(kWidth, kHeight, 3, 6, 3, 71);
    auto height = [&](double x, double y) {
        // Wavy ribs: two across the tile, swaying twice down it.
        const double sway = 0.22 * std::sin(2 * kPi * 2 * y / kHeight);
        return 0.5 * std::cos(2 * kPi * (2 * x / kWidth + sway)) + 0.35 * stone.at(x, y);
    };
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double gx = height(x + 1, y) - height(x - 1 + kWidth, y);
            const double gy = height(x, y + 1) - height(x, y - 1 + kHeight);
            // Light from the top left: slopes facing it are bright.
            const double t = 0.5 - 1.1 * (gx + gy) + 0.1 * (grain(x, y, 72) - 0.5);
            bmp.setIndex(x, y, step(t, 16));
        }
    }
    return bmp;
}

Bitmap green() {
    constexpr int kSize = 100;
    Bitmap bmp(kSize, kSize, 24);
    const FractalNoise felt(kSize, kSize, 4, 4, 5, 81);
    const FractalNoise mottle(kSize, kSize, 2, 2, 2, 82);
    const Rgb dark{22, 62, 36};
    const Rgb light{56, 110, 66};
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const double t = stretch(felt.at(x, y), 1.1) + 0.2 * (mottle.at(x, y) - 0.5) +
                             0.14 * (grain(x, y, 83) - 0.5);
            bmp.setColor(x, y, mix(dark, light, t));
        }
    }
    return bmp;
}

}  // namespace

std::vector<Texture> makeTextures() {
    std::vector<Texture> textures;
    textures.push_back({"GROUND", ground()});
    textures.push_back({"WALL", wall()});
    textures.push_back({"PUZIRI", bubbles()});
    textures.push_back({"PLITKA", tiles()});
    textures.push_back({"SINEVA", blue()});
    textures.push_back({"POLOSKI", stripes()});
    textures.push_back({"RELEF", relief()});
    textures.push_back({"GREEN", green()});
    return textures;
}

}  // namespace media_gen
