#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>

#include "ExhaustiveSolver.h"
#include "TestPositions.h"
#include "core/EndgameTable.h"
#include "core/MasterSearch.h"
#include "core/PitDatabase.h"
#include "core/PitIndex.h"
#include "core/SharedPitDatabase.h"

namespace pimra {
namespace {

using test::board;
using test::ExhaustiveSolver;

constexpr int kStones = 7;

const PitDatabase& smallDatabase() {
    static const PitDatabase database = *PitDatabase::build(kStones);
    return database;
}

// `stones` stones over the pits; stores that keep the limit out of reach when `far`, else
// close enough to it that it can end the game.
Position randomPosition(std::mt19937& random, int stones, bool far) {
    Position p;
    for (int k = 0; k < stones; ++k) {
        const int pit = std::uniform_int_distribution<int>(0, 11)(random);
        ++p[pit < 6 ? pit + 1 : pit + 2];
    }
    const int highest = kStoreLimit - stones;
    std::uniform_int_distribution<int> farStore(0, highest), nearStore(highest + 1, kStoreLimit);
    p[kBottomStore] = far ? farStore(random) : nearStore(random);
    p[kTopStore] = far || random() % 2 ? farStore(random) : nearStore(random);
    return p;
}

TEST(PitIndex, EveryFillingHasItsOwnPlaceInOrder) {
    for (const int n : {0, 1, 4}) {
        std::uint64_t expected = 0;
        forEachFilling(n, [&](const PitCells& cells) { EXPECT_EQ(rankOf(cells, n), expected++); });
        EXPECT_EQ(expected, fillingsWith(n)) << n;
        EXPECT_EQ(fillingsBelow(n + 1) - fillingsBelow(n), fillingsWith(n)) << n;
    }
    EXPECT_EQ(PitDatabase::sizeFor(16), std::size_t{30421755});
}

TEST(PitDatabase, AgreesWithPlainSearchWhereTheLimitIsOutOfReach) {
    const PitDatabase& database = smallDatabase();
    std::mt19937 random(5);
    ExhaustiveSolver solver;
    int compared = 0;
    for (int k = 0; k < 240; ++k) {
        // Most of them at the largest count, where the database's last stones are.
        const Position p = randomPosition(random, k % 3 == 0 ? 1 + k % kStones : kStones, true);
        const Side side = k % 2 == 0 ? Side::Bottom : Side::Top;
        if (p.rowSum(side) == 0) continue;
        const auto rules = RulesBoard::from(p, side);
        const std::optional<int> gain = database.gain(*rules);
        ASSERT_TRUE(gain) << k;
        EXPECT_EQ(rules->storeMargin(side) + *gain, solver.value(p, side)) << k;
        ++compared;
    }
    EXPECT_GT(compared, 160);
}

TEST(PitDatabase, LeavesBoardsWhereTheLimitCanBiteOrWithMoreStones) {
    const PitDatabase& database = smallDatabase();
    std::mt19937 random(6);
    for (int k = 0; k < 100; ++k) {
        const Position p = randomPosition(random, 1 + k % kStones, false);
        EXPECT_FALSE(database.gain(*RulesBoard::from(p, Side::Bottom))) << k;
    }
    // One stone more than it holds, stores empty.
    const Position many = board({2, 2, 2, 2, 0, 0}, 0, {0, 0, 0, 0, 0, 0}, 0);
    EXPECT_FALSE(database.gain(*RulesBoard::from(many, Side::Top)));
    // The limit exactly in reach: 30 + 7 stones passes 36.
    const Position edge = board({1, 1, 1, 1, 1, 1}, 30, {0, 0, 0, 0, 0, 1}, 29);
    EXPECT_FALSE(database.gain(*RulesBoard::from(edge, Side::Bottom)));
    const Position justOut = board({1, 1, 1, 1, 1, 1}, 29, {0, 0, 0, 0, 0, 1}, 29);
    EXPECT_TRUE(database.gain(*RulesBoard::from(justOut, Side::Bottom)));
}

TEST(PitDatabase, SearchWithBothTablesFindsTheProvenValuesNearAndFarFromTheLimit) {
    auto database = std::make_shared<const PitDatabase>(smallDatabase());
    auto table = std::make_shared<const EndgameTable>(*EndgameTable::build(3));
    MasterSearch search(1 << 16);
    search.setEndgame(table);
    search.setPitDatabase(database);
    SearchLimits unlimited;
    unlimited.time = std::chrono::milliseconds(0);
    std::mt19937 random(9);
    ExhaustiveSolver solver;
    // Up to the database's stones, where a store near the limit leaves only its bounds, and
    // past them, where the search goes down to them.
    for (int k = 0; k < 36; ++k) {
        const Position p = randomPosition(random, k < 24 ? 5 + k % 3 : 8, k % 3 == 0);
        const Side side = k % 4 < 2 ? Side::Bottom : Side::Top;
        if (p.rowSum(side) == 0) continue;
        const SearchResult result = search.prove(p, side, unlimited);
        ASSERT_TRUE(result.exact) << k;
        EXPECT_EQ(result.value, solver.value(p, side)) << k;
    }
    // One store about to pass the limit, the other far behind: passing it ends the game well
    // short of what playing on would give, for either side to move.
    for (int k = 0; k < 24; ++k) {
        Position p = randomPosition(random, 5 + k % 3, true);
        p[kBottomStore] = 36 - k % 3;
        p[kTopStore] = k % 4;
        const Side side = k % 2 == 0 ? Side::Bottom : Side::Top;
        if (p.rowSum(side) == 0) continue;
        const SearchResult result = search.prove(p, side, unlimited);
        ASSERT_TRUE(result.exact) << k;
        EXPECT_EQ(result.value, solver.value(p, side)) << k;
    }
    // One store able to pass the limit and the other close behind: passing it is worth only a
    // few stones, so whether the value without the limit is the value turns on those few.
    for (int k = 0; k < 24; ++k) {
        Position p = randomPosition(random, 5 + k % 3, true);
        const int open = p.rowSum(Side::Bottom) + p.rowSum(Side::Top);
        p[k % 2 == 0 ? kBottomStore : kTopStore] = kStoreLimit + 1 - open + k % 3;
        p[k % 2 == 0 ? kTopStore : kBottomStore] = kStoreLimit - open - k % 4;
        const Side side = k % 4 < 2 ? Side::Bottom : Side::Top;
        if (p.rowSum(side) == 0) continue;
        const SearchResult result = search.prove(p, side, unlimited);
        ASSERT_TRUE(result.exact) << k;
        EXPECT_EQ(result.value, solver.value(p, side)) << k;
    }
}

TEST(PitDatabase, BuildReportsProgressAndStopsWhenAsked) {
    std::vector<double> shares;
    ASSERT_TRUE(PitDatabase::build(8, {}, [&](double share) { shares.push_back(share); }));
    ASSERT_GE(shares.size(), 2u);
    for (std::size_t i = 1; i < shares.size(); ++i) EXPECT_GE(shares[i], shares[i - 1]);
    EXPECT_EQ(shares.back(), 1.0);

    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(PitDatabase::build(PitDatabase::kDefaultStones, stop.get_token()));
}

TEST(PitDatabase, CacheFileRoundTripsAndADamagedOneIsRebuilt) {
    constexpr int kSmall = 4;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("pimra-pits-test-" + std::to_string(static_cast<long>(::getpid())));
    std::filesystem::remove_all(folder);
    const PitDatabaseLoad first = loadOrBuildPitDatabase(folder, kSmall);
    ASSERT_TRUE(first.database);
    EXPECT_FALSE(first.fromCache);
    EXPECT_EQ(first.cacheError, "");
    const PitDatabaseLoad second = loadOrBuildPitDatabase(folder, kSmall);
    ASSERT_TRUE(second.database);
    EXPECT_TRUE(second.fromCache);
    EXPECT_EQ(*second.database, *first.database);
    const std::filesystem::path file = pitDatabaseFile(folder, kSmall);
    EXPECT_FALSE(PitDatabase::load(file, kSmall + 1).database);
    // The endgame table's reader does not take it either.
    EXPECT_FALSE(EndgameTable::load(file, kSmall).table);

    {
        std::fstream io(file, std::ios::in | std::ios::out | std::ios::binary);
        io.seekp(-1, std::ios::end);
        io.put('\x7f');
    }
    EXPECT_FALSE(PitDatabase::load(file, kSmall).database);
    const PitDatabaseLoad rebuilt = loadOrBuildPitDatabase(folder, kSmall);
    EXPECT_FALSE(rebuilt.fromCache);
    EXPECT_EQ(*rebuilt.database, *first.database);
    EXPECT_TRUE(PitDatabase::load(file, kSmall).database);
    std::filesystem::remove_all(folder);
}

// The program's database follows PIMRA_PIT_STONES and the cache folder; each test runs in a
// process of its own, so this one's is the first use.
TEST(SharedPitDatabase, ReportsItsStateAndSizeOnceReady) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("pimra-shared-pits-" + std::to_string(static_cast<long>(::getpid())));
    ::setenv("XDG_CACHE_HOME", folder.c_str(), 1);
    ::setenv("PIMRA_PIT_STONES", "5", 1);
    EXPECT_EQ(sharedPitDatabaseStatus().state, PitDatabaseStatus::State::NotStarted);
    const std::shared_ptr<const PitDatabase> database = sharedPitDatabaseWait();
    ASSERT_TRUE(database);
    EXPECT_EQ(database->maxStones(), 5);
    const PitDatabaseStatus status = sharedPitDatabaseStatus();
    EXPECT_EQ(status.state, PitDatabaseStatus::State::Ready);
    EXPECT_EQ(status.stones, 5);
    EXPECT_EQ(status.bytes, PitDatabase::sizeFor(5));
    EXPECT_EQ(status.progress, 1.0);
    EXPECT_FALSE(status.fromCache);
    EXPECT_EQ(status.cacheError, "");
    EXPECT_TRUE(std::filesystem::exists(pitDatabaseFile(folder / "pimra", 5)));
    EXPECT_EQ(sharedPitDatabase(), database);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace pimra
