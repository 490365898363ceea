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
        {Finished("1", "120", "0"),
         open,
         {"Ann", true, "0:0", "", false},
         "Победил: Ann по времени !   0:0"},
        {Finished("2", "0", "5"),
         open,
         {"Bob", true, "0:0", "", false},
         "Победил: Bob по времени !   0:0"},
        // The winner's own clock at 0 says nothing about how the loser lost.
        {Finished("1", "0", "30"), open, {"Ann", false, "0:0", "", false}, "Победил: Ann !   0:0"},
        {Finished("2", "0", "0"),
         Stores(30, 42),
         {"Bob", false, "30:42", "", false},
         "Победил: Bob !   30:42"},
        // A draw is never a loss on time.
        {Finished("3", "0", "0"),
         Stores(36, 36),
         {"", false, "36:36", "", false},
         "Ничья !   36:36"},
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

TEST(GameResultTest, AResignationAndAnAgreedDrawSayHowTheGameEnded) {
    TableState resigned = Finished("1", "0", "0");
    resigned.Table.finish = net::FinishReason::Resign;
    // A clock at zero does not make a resignation a loss on time.
    const ResultBox box = ResultBoxOf(resigned, Stores(12, 8));
    EXPECT_EQ(box, (ResultBox{"Ann", false, "12:8", "Bob", false}));
    EXPECT_EQ(ResultBoxText(box), "Победил: Ann. Сдался: Bob !   12:8");
    resigned.Table.result = net::TableResult::Seat2Won;
    EXPECT_EQ(ResultBoxText(resigned, Stores(12, 8)), "Победил: Bob. Сдался: Ann !   12:8");

    TableState agreed = Finished("3", "40", "50");
    agreed.Table.finish = net::FinishReason::Agreement;
    EXPECT_EQ(ResultBoxOf(agreed, Stores(20, 18)), (ResultBox{"", false, "20:18", "", true}));
    EXPECT_EQ(ResultBoxText(agreed, Stores(20, 18)), "Ничья по согласию !   20:18");
    // A reason this client does not know: the result alone, as before.
    agreed.Table.finish = net::FinishReason::Unknown;
    EXPECT_EQ(ResultBoxText(agreed, Stores(20, 18)), "Ничья !   20:18");
}
