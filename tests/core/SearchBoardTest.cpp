#include <gtest/gtest.h>

#include "TestPositions.h"
#include "core/SearchBoard.h"

namespace pimra {
namespace {

using test::search;

struct SimulateCase {
    const char* name;
    SearchPosition before;
    Side side;
    int pit;
    SearchPosition after;
    int extra;
};

TEST(SimulateMove, WorkedExamples) {
    const SimulateCase cases[] = {
        {"start, pit 1 ends in the store", search({6, 6, 6, 6, 6, 6}, 0, {6, 6, 6, 6, 6, 6}, 0),
         Side::Bottom, 1, search({0, 7, 7, 7, 7, 7}, 1, {6, 6, 6, 6, 6, 6}, 0), 1},
        {"eight stones wrap and capture", search({0, 2, 2, 2, 2, 8}, 0, {1, 1, 1, 1, 1, 1}, 0),
         Side::Bottom, 6, search({0, 2, 2, 2, 2, 0}, 4, {2, 2, 2, 2, 2, 0}, 0), 0},
        {"capture against an empty pit", search({1, 0, 3, 3, 3, 3}, 0, {2, 2, 2, 2, 0, 2}, 0),
         Side::Bottom, 1, search({0, 0, 3, 3, 3, 3}, 1, {2, 2, 2, 2, 0, 2}, 0), 0},
        {"emptied row sweeps and cancels the extra move",
         search({1, 2, 0, 0, 0, 0}, 10, {0, 0, 0, 0, 0, 1}, 20), Side::Top, 6,
         search({0, 0, 0, 0, 0, 0}, 13, {0, 0, 0, 0, 0, 0}, 21), 0},
        {"thirteen stones capture in the start pit",
         search({13, 0, 0, 0, 0, 0}, 0, {1, 1, 1, 1, 1, 1}, 0), Side::Bottom, 1,
         search({0, 1, 1, 1, 1, 1}, 4, {2, 2, 2, 2, 2, 0}, 0), 0},
        {"empty pit changes nothing even with an empty row",
         search({0, 0, 0, 0, 0, 0}, 5, {1, 0, 0, 0, 0, 0}, 5), Side::Bottom, 3,
         search({0, 0, 0, 0, 0, 0}, 5, {1, 0, 0, 0, 0, 0}, 5), 0},
    };
    for (const SimulateCase& c : cases) {
        const SimulatedMove moved = SimulateMove(c.before, c.side, c.pit);
        EXPECT_EQ(moved.position, c.after) << c.name;
        EXPECT_EQ(moved.extra, c.extra) << c.name;
    }
}

TEST(SimulateMove, ByteArithmeticWraps) {
    // 255 stones in the store plus one sown stone wrap to 0, as the search's bytes do.
    const SearchPosition p = search({1, 1, 1, 1, 1, 1}, 255, {1, 1, 1, 1, 1, 1}, 0);
    const SimulatedMove moved = SimulateMove(p, Side::Bottom, 6);
    EXPECT_EQ(moved.position.at(Side::Bottom, 7), 0);
    EXPECT_EQ(moved.extra, 1);
}

TEST(BestChainMove, ChainExample) {
    const SearchPosition root = search({3, 3, 3, 3, 3, 3}, 0, {0, 0, 0, 0, 2, 1}, 0);
    const ChainEvaluator evaluator(root);
    EXPECT_EQ(evaluator.BestChainMove(root, Side::Top, 1).value, 255);
    EXPECT_EQ(evaluator.BestChainMove(root, Side::Top, 1).bestPit, 0);
    EXPECT_EQ(evaluator.BestChainMove(root, Side::Top, 5).value, 2);
    EXPECT_EQ(evaluator.BestChainMove(root, Side::Top, 6).value, 3);
    const ChainValue all = evaluator.BestChainMove(root, Side::Top, 0);
    EXPECT_EQ(all.value, 3);
    EXPECT_EQ(all.bestPit, 6);
}

TEST(BestChainMove, EmptyRowTiesAndGainsSinceTheRoot) {
    const SearchPosition root = search({0, 0, 0, 0, 0, 0}, 7, {1, 1, 1, 1, 1, 1}, 3);
    const ChainEvaluator evaluator(root);
    // A side without stones scores its current gain with pit 1.
    ChainValue v = evaluator.BestChainMove(root, Side::Bottom, 0);
    EXPECT_EQ(v.value, 0);
    EXPECT_EQ(v.bestPit, 1);

    // Gains are measured from the root, not from the position passed in.
    SearchPosition later = root;
    later.at(Side::Bottom, 7) = 12;
    v = evaluator.BestChainMove(later, Side::Bottom, 0);
    EXPECT_EQ(v.value, 5);

    // Pits 2 and 5 both capture three stones: the lower pit is reported.
    const SearchPosition tie = search({2, 2, 2, 2, 2, 2}, 0, {0, 1, 0, 0, 1, 0}, 0);
    const ChainEvaluator tieEvaluator(tie);
    EXPECT_EQ(tieEvaluator.BestChainMove(tie, Side::Top, 0).value, 3);
    EXPECT_EQ(tieEvaluator.BestChainMove(tie, Side::Top, 0).bestPit, 2);
}

TEST(SearchPosition, BoardCountsAboveAByteStayNonEmpty) {
    Position p = Position::start();
    p[3] = 256;
    EXPECT_EQ(SearchPosition::fromBoard(p).at(Side::Bottom, 3), 255);
}

}  // namespace
}  // namespace pimra
