#include "Palette.h"

#include <algorithm>
#include <cmath>

namespace media_gen {

Rgb mix(Rgb a, Rgb b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    auto channel = [t](int from, int to) {
        return static_cast<std::uint8_t>(std::lround(from + (to - from) * t));
    };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

std::vector<Rgb> gradient(std::initializer_list<Rgb> stops, int count) {
    const std::vector<Rgb> points(stops);
    std::vector<Rgb> colors;
    for (int i = 0; i < count; ++i) {
        if (points.size() == 1 || count == 1) {
            colors.push_back(points.front());
            continue;
        }
        const double pos = static_cast<double>(i) / (count - 1) * (points.size() - 1);
        const auto segment = std::min(static_cast<std::size_t>(pos), points.size() - 2);
        colors.push_back(mix(points[segment], points[segment + 1], pos - segment));
    }
    return colors;
}

int step(double value, int count) {
    const double v = std::clamp(value, 0.0, 1.0);
    return std::min(count - 1, static_cast<int>(v * count));
}

}  // namespace media_gen
