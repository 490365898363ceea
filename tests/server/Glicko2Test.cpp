#include "server/Glicko2.h"

#include <gtest/gtest.h>

namespace pimra::server {
namespace {

TEST(Glicko2Test, MatchesTheWorkedExampleOfGlickmansPaper) {
    const Glicko2Rating player{1500, 200, 0.06};
    const std::vector<Glicko2Game> games = {
        {{1400, 30, 0.06}, 1},
        {{1550, 100, 0.06}, 0},
        {{1700, 300, 0.06}, 0},
    };
    const Glicko2Rating after = glicko2Update(player, games);
    EXPECT_NEAR(after.rating, 1464.06, 0.01);
    EXPECT_NEAR(after.deviation, 151.52, 0.01);
    EXPECT_NEAR(after.volatility, 0.05999, 0.00001);
}

TEST(Glicko2Test, OneGameBetweenNewPlayersMovesThemApartEvenlyAndADrawNotAtAll) {
    const Glicko2Rating fresh;
    const Glicko2Rating winner = glicko2Update(fresh, {{fresh, 1}});
    const Glicko2Rating loser = glicko2Update(fresh, {{fresh, 0}});
    EXPECT_GT(winner.rating, 1600);
    EXPECT_NEAR(winner.rating - 1500, 1500 - loser.rating, 1e-9);
    EXPECT_LT(winner.deviation, 350);
    EXPECT_DOUBLE_EQ(winner.deviation, loser.deviation);
    const Glicko2Rating drawn = glicko2Update(fresh, {{fresh, 0.5}});
    EXPECT_NEAR(drawn.rating, 1500, 1e-9);
    EXPECT_LT(drawn.deviation, 350);
}

TEST(Glicko2Test, AnUpsetMovesTheRatingFurtherThanAnExpectedResult) {
    const Glicko2Rating player{1500, 80, 0.06};
    const Glicko2Rating strong{1900, 60, 0.06};
    const Glicko2Rating weak{1100, 60, 0.06};
    const double upset = glicko2Update(player, {{strong, 1}}).rating - 1500;
    const double expected = glicko2Update(player, {{weak, 1}}).rating - 1500;
    EXPECT_GT(upset, 0);
    EXPECT_GT(expected, 0);
    EXPECT_GT(upset, 5 * expected);
    // A period without games only widens the deviation.
    const Glicko2Rating idle = glicko2Update(player, {});
    EXPECT_DOUBLE_EQ(idle.rating, 1500);
    EXPECT_GT(idle.deviation, 80);
    EXPECT_DOUBLE_EQ(idle.volatility, 0.06);
}

}  // namespace
}  // namespace pimra::server
