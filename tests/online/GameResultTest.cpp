#include <gtest/gtest.h>

#include "online/GameResult.h"
#include "online/OnlineTable.h"

using namespace pimra;
using namespace pimra::online;

namespace {

TableState Finished(const char* result, const char* time1, const char* time2) {
    TableState state;
    state.Table = net::DecodeTableReply({{"login1", "Ann"},
                                         {"login2", "Bob"},
                                         {"result", result},
                                         {"time1", time1},
                                         {"time2", time2}});
    return state;
}

Position Stores(int bottom, int top) {
    Position board;
    for (int i = 1; i <= kPitCount; ++i) board[i] = 0;
    board[kBottomStore] = bottom;
    board[kTopStore] = top;
    return board;
}

}  // namespace

TEST(GameResultTest, TheBoxInPartsAndInWords) {
    const Position open = Position::start();
    struct Case {
        TableState state;
        Position board;
        ResultBox box;
        const char* words;
    };
    const Case cases[] = {
        {Finished("1", "120", "0"), open, {"Ann", true, "0:0"}, "Победил: Ann по времени !   0:0"},
        {Finished("2", "0", "5"), open, {"Bob", true, "0:0"}, "Победил: Bob по времени !   0:0"},
        // The winner's own clock at 0 says nothing about how the loser lost.
        {Finished("1", "0", "30"), open, {"Ann", false, "0:0"}, "Победил: Ann !   0:0"},
        {Finished("2", "0", "0"),
         Stores(30, 42),
         {"Bob", false, "30:42"},
         "Победил: Bob !   30:42"},
        // A draw is never a loss on time.
        {Finished("3", "0", "0"), Stores(36, 36), {"", false, "36:36"}, "Ничья !   36:36"},
    };
    for (const Case& c : cases) {
        const ResultBox box = ResultBoxOf(c.state, c.board);
        EXPECT_EQ(box, c.box) << c.words;
        EXPECT_EQ(ResultBoxText(box), c.words);
        EXPECT_EQ(ResultBoxText(c.state, c.board), c.words);
    }
}

TEST(GameResultTest, PartsKeepALoginApartFromTheWordsAroundIt) {
    // The words alone cannot tell this login winning on the board from "Ann" winning on time.
    TableState state = Finished("1", "300", "300");
    state.Table.seat1.login = "Ann по времени";
    const ResultBox box = ResultBoxOf(state, Stores(40, 20));
    EXPECT_EQ(box.winner, "Ann по времени");
    EXPECT_FALSE(box.onTime);
    EXPECT_EQ(ResultBoxText(box), "Победил: Ann по времени !   40:20");

    EXPECT_EQ(SeatLabelText({"Bob", "1512", true}), std::string("Bob (1512) ") + kAwayText);
    EXPECT_EQ(SeatLabelText({"Bob", "", false}), "Bob");
    EXPECT_EQ(SeatLabelText({"", "1500", true}), "");
}
