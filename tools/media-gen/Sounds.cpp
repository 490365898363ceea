#include "Sounds.h"

#include <cmath>
#include <numbers>

#include "Noise.h"

namespace media_gen {

namespace {

constexpr double kPi = std::numbers::pi;

double seconds(std::size_t i) {
    return static_cast<double>(i) / kSampleRate;
}

// Two stones knocking together: a bright, quickly dying ring over a noise transient.
void addClick(std::vector<double>& out, double at, double amplitude, double pitch, double decay,
              Rng& rng) {
    const auto start = static_cast<std::size_t>(at * kSampleRate);
    for (std::size_t i = start; i < out.size(); ++i) {
        const double t = seconds(i - start);
        const double envelope = std::exp(-t / decay);
        if (envelope < 0.001) {
            break;
        }
        const double ring =
            0.65 * std::sin(2 * kPi * pitch * t) + 0.35 * std::sin(2 * kPi * pitch * 1.63 * t);
        const double noise = (rng.uniform() * 2 - 1) * std::exp(-t / 0.0015);
        out[i] += amplitude * envelope * (ring + 0.8 * noise);
    }
}

// Short fades at both ends so that no sound starts or stops with a crack.
void fadeEdges(std::vector<double>& out, double fadeIn, double fadeOut) {
    const auto in = static_cast<std::size_t>(fadeIn * kSampleRate);
    const auto outLength = static_cast<std::size_t>(fadeOut * kSampleRate);
    for (std::size_t i = 0; i < in && i < out.size(); ++i) {
        out[i] *= static_cast<double>(i) / in;
    }
    for (std::size_t i = 0; i < outLength && i < out.size(); ++i) {
        out[out.size() - 1 - i] *= static_cast<double>(i) / outLength;
    }
}

std::vector<double> select() {
    std::vector<double> out(990 / 2);
    Rng rng(101);
    addClick(out, 0.0, 0.55, 2300, 0.006, rng);
    addClick(out, 0.004, 0.2, 1500, 0.008, rng);
    fadeEdges(out, 0.0005, 0.006);
    return out;
}

std::vector<double> take() {
    std::vector<double> out(8010 / 2);
    Rng rng(102);
    // A hand sweeping the stones up: band-passed noise whose centre rises.
    double low = 0.0;
    double band = 0.0;
    const double length = seconds(out.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = seconds(i);
        const double centre = 350.0 + 1300.0 * (t / length);
        const double f = 2 * std::sin(kPi * centre / kSampleRate);
        const double high = (rng.uniform() * 2 - 1) - low - 0.5 * band;
        band += f * high;
        low += f * band;
        const double envelope = std::pow(std::sin(kPi * t / length), 2);
        out[i] = 0.28 * envelope * band;
    }
    // Stones clicking against each other as they are gathered.
    const double clicks[][2] = {{0.02, 0.30}, {0.055, 0.24}, {0.08, 0.34}, {0.125, 0.22},
                                {0.15, 0.26}, {0.2, 0.16},   {0.245, 0.12}};
    for (const auto& click : clicks) {
        addClick(out, click[0], click[1], rng.uniform(1700, 2600), 0.005, rng);
    }
    fadeEdges(out, 0.002, 0.02);
    return out;
}

std::vector<double> put() {
    std::vector<double> out(8838);
    Rng rng(103);
    double low = 0.0;
    double phase = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = seconds(i);
        // A heavy, falling body: the pitch sinks as the board stops ringing.
        const double pitch = 80.0 + 70.0 * std::exp(-t / 0.05);
        phase += 2 * kPi * pitch / kSampleRate;
        // The overtone keeps the thud audible on small speakers that cannot give the bass.
        const double body = (std::sin(phase) + 0.35 * std::sin(2 * phase)) * std::exp(-t / 0.14);
        low += 0.08 * ((rng.uniform() * 2 - 1) - low);
        const double knock = 3.0 * low * std::exp(-t / 0.025);
        out[i] = 0.6 * body + 0.3 * knock;
    }
    // The captured stones settling into the store.
    const double clicks[][2] = {{0.03, 0.18}, {0.07, 0.12}, {0.11, 0.09}, {0.18, 0.06}};
    for (const auto& click : clicks) {
        addClick(out, click[0], click[1], rng.uniform(1200, 1900), 0.007, rng);
    }
    fadeEdges(out, 0.001, 0.05);
    return out;
}

}  // namespace

std::vector<Sound> makeSounds() {
    return {{"select", 16, select()}, {"take", 16, take()}, {"put", 8, put()}};
}

}  // namespace media_gen
