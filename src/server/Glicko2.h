#pragma once

#include <vector>

namespace pimra::server {

// A player's strength in Glickman's Glicko-2 system, on the usual scale.
struct Glicko2Rating {
    double rating = 1500;
    double deviation = 350;
    double volatility = 0.06;
};

// One game of a rating period: the opponent as rated before the period, and the player's
// score (1 won, 0.5 drawn, 0 lost).
struct Glicko2Game {
    Glicko2Rating opponent;
    double score = 0;
};

// Glickman's "Example of the Glicko-2 system": the rating after one rating period, with the
// system constant `tau`. Without games only the deviation grows.
Glicko2Rating glicko2Update(const Glicko2Rating& player, const std::vector<Glicko2Game>& games,
                            double tau = 0.5);

}  // namespace pimra::server
