#include "Glicko2.h"

#include <cmath>
#include <numbers>

namespace pimra::server {

namespace {

// Between the rating scale and the Glicko-2 scale.
constexpr double kScale = 173.7178;
constexpr double kCentre = 1500;
// Convergence tolerance of the volatility iteration.
constexpr double kEpsilon = 0.000001;

double g(double phi) {
    return 1 / std::sqrt(1 + 3 * phi * phi / (std::numbers::pi * std::numbers::pi));
}

double expectedScore(double mu, double muOpponent, double phiOpponent) {
    return 1 / (1 + std::exp(-g(phiOpponent) * (mu - muOpponent)));
}

// Step 5: the new volatility by the Illinois variant of regula falsi.
double newVolatility(double sigma, double phi, double v, double delta, double tau) {
    const double a = std::log(sigma * sigma);
    const auto f = [&](double x) {
        const double ex = std::exp(x);
        const double d = phi * phi + v + ex;
        return ex * (delta * delta - phi * phi - v - ex) / (2 * d * d) - (x - a) / (tau * tau);
    };
    double lower = a;
    double upper = 0;
    if (delta * delta > phi * phi + v) {
        upper = std::log(delta * delta - phi * phi - v);
    } else {
        int k = 1;
        while (f(a - k * tau) < 0) ++k;
        upper = a - k * tau;
    }
    double fLower = f(lower);
    double fUpper = f(upper);
    while (std::abs(upper - lower) > kEpsilon) {
        const double c = lower + (lower - upper) * fLower / (fUpper - fLower);
        const double fC = f(c);
        if (fC * fUpper <= 0) {
            lower = upper;
            fLower = fUpper;
        } else {
            fLower /= 2;
        }
        upper = c;
        fUpper = fC;
    }
    return std::exp(lower / 2);
}

}  // namespace

Glicko2Rating glicko2Update(const Glicko2Rating& player, const std::vector<Glicko2Game>& games,
                            double tau) {
    const double mu = (player.rating - kCentre) / kScale;
    const double phi = player.deviation / kScale;
    if (games.empty()) {
        const double grown = std::sqrt(phi * phi + player.volatility * player.volatility);
        return {player.rating, grown * kScale, player.volatility};
    }
    double inverseV = 0;
    double improvement = 0;
    for (const Glicko2Game& game : games) {
        const double muJ = (game.opponent.rating - kCentre) / kScale;
        const double phiJ = game.opponent.deviation / kScale;
        const double e = expectedScore(mu, muJ, phiJ);
        inverseV += g(phiJ) * g(phiJ) * e * (1 - e);
        improvement += g(phiJ) * (game.score - e);
    }
    const double v = 1 / inverseV;
    const double delta = v * improvement;
    const double sigma = newVolatility(player.volatility, phi, v, delta, tau);
    const double phiStar = std::sqrt(phi * phi + sigma * sigma);
    const double phiNew = 1 / std::sqrt(1 / (phiStar * phiStar) + 1 / v);
    const double muNew = mu + phiNew * phiNew * improvement;
    return {kScale * muNew + kCentre, kScale * phiNew, sigma};
}

}  // namespace pimra::server
