#include <gtest/gtest.h>

#include "server/TableRules.h"

namespace pimra::server {
namespace {

constexpr std::int64_t kStart = 1'000'000;

TableRow playingTable(int timeLimit = 60, int bonus = 5) {
    TableRow table = TableRules::newTable("a", timeLimit, bonus, kStart);
    table.login2 = "b";
    table.ready1 = table.ready2 = true;
    EXPECT_TRUE(TableRules::startIfReady(table, kStart));
    return table;
}

TEST(TableRules, PositionTextRoundTripsAndRejectsBrokenText) {
    const Position start = Position::start();
    EXPECT_EQ(formatPosition(start), "6|6|6|6|6|6|0|6|6|6|6|6|6|0");
    EXPECT_EQ(parsePosition(formatPosition(start)), start);
    EXPECT_FALSE(parsePosition("6|6|6|6|6|6|0|6|6|6|6|6|6"));
    EXPECT_FALSE(parsePosition("6|6|6|6|6|6|0|6|6|6|6|6|6|0|"));
    EXPECT_FALSE(parsePosition("6|6|6|6|6|6|0|6|6|6|6|6|x|0"));
}

TEST(TableRules, StartsOnlyWithBothSeatsTakenAndReady) {
    TableRow table = TableRules::newTable("a", 60, 0, kStart);
    table.ready1 = true;
    EXPECT_FALSE(TableRules::startIfReady(table, kStart));
    table.login2 = "b";
    EXPECT_FALSE(TableRules::startIfReady(table, kStart));
    table.ready2 = true;
    EXPECT_TRUE(TableRules::startIfReady(table, kStart));
    EXPECT_EQ(table.status, TableStatus::Playing);
    EXPECT_EQ(table.seatToMove, Side::Bottom);
}

TEST(TableRules, ChargesTheMoverAndAddsTheBonusWhenTheTurnPasses) {
    TableRow table = playingTable(60, 5);
    // Pit 1 ends in the own store: an extra turn, no bonus.
    ASSERT_TRUE(TableRules::playMove(table, 1, kStart + 10'000));
    EXPECT_EQ(table.seatToMove, Side::Bottom);
    EXPECT_EQ(table.time1Ms, 50'000);
    // Pit 2 passes the turn: charged 4 s, then 5 s bonus.
    const auto record = TableRules::playMove(table, 2, kStart + 14'000);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->ind, 2);
    EXPECT_EQ(table.seatToMove, Side::Top);
    EXPECT_EQ(table.time1Ms, 51'000);
    EXPECT_EQ(TableRules::reportedSeconds(table, Side::Top, kStart + 20'500), 53);
    EXPECT_EQ(TableRules::reportedSeconds(table, Side::Bottom, kStart + 20'500), 51);
}

TEST(TableRules, FlagsOnlyAfterTheGracePeriod) {
    const TableRules rules(2000);
    TableRow table = playingTable(60, 0);
    EXPECT_FALSE(rules.settleClock(table, kStart + 62'000));
    EXPECT_EQ(TableRules::reportedSeconds(table, Side::Bottom, kStart + 62'000), 0);
    TableRow late = table;
    // A move inside the grace is still played, on a clock of zero.
    ASSERT_TRUE(TableRules::playMove(late, 2, kStart + 61'500));
    EXPECT_EQ(late.time1Ms, 0);
    EXPECT_TRUE(rules.settleClock(table, kStart + 62'001));
    EXPECT_EQ(table.status, TableStatus::Finished);
    EXPECT_EQ(table.result, 2);
}

TEST(TableRules, TheGraceComesOncePerSeatAndGame) {
    const TableRules rules(2000);
    TableRow table = playingTable(60, 0);
    ASSERT_TRUE(TableRules::playMove(table, 3, kStart + 61'500));  // ann, in her grace
    EXPECT_TRUE(table.graceUsed1);
    EXPECT_FALSE(table.graceUsed2);
    // Bob has his own.
    ASSERT_TRUE(TableRules::playMove(table, 9, kStart + 123'000));
    EXPECT_TRUE(table.graceUsed2);
    // Ann's clock stood at zero: any time past it ends her game, with no second grace.
    EXPECT_FALSE(rules.settleClock(table, kStart + 123'000));
    TableRow late = table;
    EXPECT_TRUE(rules.settleClock(late, kStart + 123'001));
    EXPECT_EQ(late.result, 2);
    // A move on time spends no grace.
    TableRow onTime = playingTable(60, 0);
    ASSERT_TRUE(TableRules::playMove(onTime, 3, kStart + 60'000));
    EXPECT_FALSE(onTime.graceUsed1);
}

TEST(TableRules, RefusesWhatTheCoreRefuses) {
    TableRow table = playingTable();
    EXPECT_FALSE(TableRules::playMove(table, 7, kStart));
    EXPECT_FALSE(TableRules::playMove(table, 8, kStart));
    EXPECT_EQ(table.lastRecord, 0);
    EXPECT_TRUE(TableRules::isPitOfSeat(13, Side::Top));
    EXPECT_FALSE(TableRules::isPitOfSeat(14, Side::Top));
    EXPECT_FALSE(TableRules::isPitOfSeat(7, Side::Bottom));
}

TEST(TableRules, EndsTheGameAsTheMoveEndsItAndTheLargerStoreWins) {
    TableRow table = playingTable();
    Position position;
    position[6] = 1;  // bottom's last stone goes to store 7
    position[7] = 20;
    position[14] = 30;
    position[13] = 3;
    table.position = formatPosition(position);
    // Bottom moves into its store, keeps the turn but has no stones: top's row is swept.
    ASSERT_TRUE(TableRules::playMove(table, 6, kStart + 1000));
    EXPECT_EQ(table.status, TableStatus::Finished);
    EXPECT_EQ(table.result, 2);
    EXPECT_EQ(table.position, "0|0|0|0|0|0|21|0|0|0|0|0|0|33");
}

}  // namespace
}  // namespace pimra::server
