#include <gtest/gtest.h>

#include <deque>

#include "TestPositions.h"
#include "core/Levels.h"

namespace pimra {
namespace {

using test::board;

// Hands out the given draws in order, then zeros.
class ScriptedRandom : public RandomSource {
  public:
    explicit ScriptedRandom(std::deque<int> draws) : draws_(std::move(draws)) {}
    void reseed() override { ++reseeds; }
    int next(int n) override {
        lastRange = n;
        if (draws_.empty()) return 0;
        const int d = draws_.front();
        draws_.pop_front();
        return d % n;
    }
    int reseeds = 0;
    int lastRange = 0;

  private:
    std::deque<int> draws_;
};

std::array<std::optional<int>, 6> scores(std::initializer_list<std::optional<int>> values) {
    std::array<std::optional<int>, 6> result{};
    std::copy(values.begin(), values.end(), result.begin());
    return result;
}

const Position kExample = board({1, 0, 2, 0, 1, 0}, 0, {0, 4, 1, 0, 3, 0}, 0);

TEST(Levels, WorkedExampleAtEveryLevel) {
    EXPECT_EQ(Mozg2(kExample), 3);  // Board 10, chain gain 3

    const ScoredChoice hard = Mozg3Scores(kExample);
    EXPECT_EQ(hard.pit, 2);  // Board 9
    EXPECT_EQ(hard.scores, scores({std::nullopt, 1, -1, std::nullopt, 0, std::nullopt}));

    const ScoredChoice deep =
        DeepLineScores(ChainEvaluator(SearchPosition::fromBoard(kExample)), Side::Top);
    EXPECT_EQ(deep.pit, 5);  // Board 12
    EXPECT_EQ(deep.scores, scores({std::nullopt, 5, 0, std::nullopt, 6, std::nullopt}));

    // The easy level takes Board 10's capture whatever the draw.
    for (int draw = 0; draw < 6; ++draw) {
        ScriptedRandom random({draw, 1, 1, 1, 1, 1, 1, 1});
        EXPECT_EQ(Mozg(kExample, random), 10) << draw;
    }
}

TEST(Levels, StartPosition) {
    const Position start = Position::start();
    ScriptedRandom random({3});
    EXPECT_EQ(Mozg(start, random), 8);
    EXPECT_EQ(Mozg2(start) + 7, 8);
    const ScoredChoice hard = Mozg3Scores(start);
    EXPECT_EQ(hard.pit, 1);
    EXPECT_EQ(hard.scores, scores({0, 0, 0, 0, 0, 0}));
    const ScoredChoice deep =
        DeepLineScores(ChainEvaluator(SearchPosition::fromBoard(start)), Side::Top);
    EXPECT_EQ(deep.pit, 1);
    EXPECT_EQ(deep.scores, scores({16, 0, 0, 0, 0, 1}));
    EXPECT_EQ(HintPit(start), 1);
}

TEST(Levels, EasyLevelRulesOfThumb) {
    struct Case {
        const char* name;
        Position position;
        int expected;
    };
    const Case cases[] = {
        {"thirteen rule beats a capture", board({1, 1, 1, 1, 1, 1}, 0, {13, 0, 0, 1, 0, 0}, 0), 8},
        {"capture above the exact pit", board({2, 0, 0, 0, 2, 0}, 0, {1, 0, 0, 3, 1, 0}, 0), 12},
        {"capture with nothing reaching the store",
         board({1, 1, 1, 1, 1, 1}, 0, {1, 1, 0, 0, 0, 0}, 0), 9},
    };
    for (const Case& c : cases) {
        for (int draw = 0; draw < 6; ++draw) {
            ScriptedRandom random({draw, 0, 1, 2, 3, 4, 5});
            EXPECT_EQ(Mozg(c.position, random), c.expected) << c.name << " draw " << draw;
            EXPECT_EQ(random.reseeds, 1);
        }
    }
}

TEST(Levels, EasyDrawSkipsEmptyPits) {
    // Only Board 13 holds stones and nothing else applies: draws of empty pits are redrawn.
    const Position p = board({5, 5, 5, 5, 5, 5}, 0, {0, 0, 0, 0, 0, 9}, 0);
    ScriptedRandom random({0, 1, 2, 5});
    EXPECT_EQ(Mozg(p, random), 13);
}

TEST(Levels, ComputerMoveAlwaysNamesATopPitWithStones) {
    const Position emptyTop = board({1, 2, 3, 4, 5, 6}, 0, {0, 0, 0, 0, 0, 0}, 0);
    ScriptedRandom random({});
    for (int level = 0; level <= 4; ++level)
        EXPECT_EQ(ChooseComputerMove(emptyTop, level, random), 0);

    const Position oneStone = board({1, 2, 3, 4, 5, 6}, 0, {0, 0, 0, 0, 1, 0}, 0);
    for (int level = 0; level <= 4; ++level) {
        ScriptedRandom draws({level, 0, 1, 2, 3, 4, 5});
        EXPECT_EQ(ChooseComputerMove(oneStone, level, draws), 12) << level;
    }
}

TEST(Levels, VariableLevelDrawsOneOfTheFourLevels) {
    // Draw 0 is the easy level, whose own draw then picks Board 9 (no rule applies).
    const Position p = board({9, 9, 9, 9, 9, 9}, 0, {0, 1, 0, 0, 0, 0}, 0);
    ScriptedRandom random({0, 1});
    EXPECT_EQ(ChooseComputerMove(p, kLevelVariable, random), 9);
    EXPECT_EQ(random.reseeds, 2);

    ScriptedRandom hard({2});
    EXPECT_EQ(ChooseComputerMove(kExample, kLevelVariable, hard), 9);
    EXPECT_EQ(hard.lastRange, 4);
    ScriptedRandom veryHard({3});
    EXPECT_EQ(ChooseComputerMove(kExample, kLevelVariable, veryHard), 12);
}

TEST(Levels, WrappedScoresFallBackToTheFirstPitWithStones) {
    // So many stones that every line's gains wrap the signed byte to -100 or below.
    const Position p = board({0, 0, 0, 0, 0, 0}, 0, {0, 0, 200, 0, 0, 0}, 0);
    const ScoredChoice deep =
        DeepLineScores(ChainEvaluator(SearchPosition::fromBoard(p)), Side::Top);
    EXPECT_EQ(deep.pit, 3);
}

TEST(Levels, HintWithAnEmptyBottomRowShowsNothing) {
    EXPECT_EQ(HintPit(board({0, 0, 0, 0, 0, 0}, 10, {1, 2, 3, 4, 5, 6}, 10)), 0);
}

}  // namespace
}  // namespace pimra
