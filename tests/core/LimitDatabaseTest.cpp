#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "ExhaustiveSolver.h"
#include "core/LimitDatabase.h"
#include "core/MasterSearch.h"
#include "core/PitDatabase.h"

namespace pimra {
namespace {

using test::ExhaustiveSolver;

// 68 stones: both stores can pass the limit from 6 stones in the pits on.
constexpr int kTotal = 68;
constexpr int kStones = 8;

const PitDatabase& pitDatabase() {
    static const PitDatabase database = *PitDatabase::build(kStones);
    return database;
}

const LimitDatabase& limitDatabase() {
    static const LimitDatabase database = *LimitDatabase::build(kTotal, kStones, pitDatabase());
    return database;
}

// `stones` stones over the pits, the bottom store holding `bottomStore` and the top store the
// rest of kTotal.
Position randomPosition(std::mt19937& random, int stones, int bottomStore) {
    Position p;
    for (int k = 0; k < stones; ++k) {
        const int pit = std::uniform_int_distribution<int>(0, 11)(random);
        ++p[pit < 6 ? pit + 1 : pit + 2];
    }
    p[kBottomStore] = bottomStore;
    p[kTopStore] = kTotal - stones - bottomStore;
    return p;
}

TEST(LimitDatabase, AgreesWithPlainSearchWhereBothStoresCanPassTheLimit) {
    const LimitDatabase& database = limitDatabase();
    EXPECT_EQ(database.size(), LimitDatabase::sizeFor(kTotal, kStones));
    std::mt19937 random(11);
    ExhaustiveSolver solver;
    int compared = 0;
    for (int k = 0; k < 200; ++k) {
        const int stones = k % 4 == 0 ? 6 + k % 3 : kStones;
        // Both rooms below the limit within the stones: the bottom store 37 - stones .. 31.
        const int bottomStore = std::uniform_int_distribution<int>(37 - stones, 31)(random);
        const Position p = randomPosition(random, stones, bottomStore);
        const Side side = k % 2 == 0 ? Side::Bottom : Side::Top;
        if (p.rowSum(side) == 0) continue;
        const auto rules = RulesBoard::from(p, side);
        const std::optional<int> gain = database.gain(*rules);
        ASSERT_TRUE(gain) << k;
        EXPECT_EQ(rules->storeMargin(side) + *gain, solver.value(p, side)) << k;
        ++compared;
    }
    EXPECT_GT(compared, 150);
}

TEST(LimitDatabase, HoldsOnlyItsTotalWithBothStoresAbleToPass) {
    const LimitDatabase& database = limitDatabase();
    std::mt19937 random(12);
    // Only the top store can pass: 7 stones and the bottom store 29.
    EXPECT_FALSE(database.gain(*RulesBoard::from(randomPosition(random, 7, 29), Side::Bottom)));
    // Both can, just: the bottom store 30 and the top store 31.
    EXPECT_TRUE(database.gain(*RulesBoard::from(randomPosition(random, 7, 30), Side::Bottom)));
    // Fewer stones than both need, more than it holds, another total, a store past the limit.
    EXPECT_FALSE(database.gain(*RulesBoard::from(randomPosition(random, 5, 31), Side::Top)));
    EXPECT_FALSE(database.gain(*RulesBoard::from(randomPosition(random, 9, 29), Side::Top)));
    Position fewer = randomPosition(random, 8, 30);
    --fewer[kTopStore];
    EXPECT_FALSE(database.gain(*RulesBoard::from(fewer, Side::Top)));
    Position passed = randomPosition(random, 8, 37);
    EXPECT_FALSE(database.gain(*RulesBoard::from(passed, Side::Top)));
    // The five-stone start's: both stores can pass from 14 stones in the pits on.
    EXPECT_EQ(LimitDatabase::sizeFor(60, 18), std::size_t{317906575});
    EXPECT_EQ(LimitDatabase::sizeFor(60, 13), std::size_t{0});
    EXPECT_EQ(LimitDatabase::sizeFor(48, 20), std::size_t{0});
    // A pit database smaller than the stones asked for gives none.
    EXPECT_FALSE(LimitDatabase::build(kTotal, kStones + 1, pitDatabase()));
}

TEST(LimitDatabase, ProofsReadingItFindTheExactValues) {
    auto pits = std::make_shared<const PitDatabase>(pitDatabase());
    auto limits = std::make_shared<const LimitDatabase>(limitDatabase());
    MasterSearch search(1 << 16);
    search.setPitDatabase(pits);
    search.setLimitDatabase(limits);
    SearchLimits unlimited;
    unlimited.time = std::chrono::milliseconds(0);
    std::mt19937 random(13);
    ExhaustiveSolver solver;
    for (int k = 0; k < 16; ++k) {
        const Position p = randomPosition(random, 9 + k % 2, 28 + k % 5);
        const Side side = k % 4 < 2 ? Side::Bottom : Side::Top;
        if (p.rowSum(side) == 0) continue;
        const SearchResult result = search.prove(p, side, unlimited);
        ASSERT_TRUE(result.exact) << k;
        EXPECT_EQ(result.value, solver.value(p, side)) << k;
    }
}

TEST(LimitDatabase, CacheFileRoundTripsAndOnlyFitsItsTotal) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("pimra-limits-test-" + std::to_string(static_cast<long>(::getpid())));
    std::filesystem::remove_all(folder);
    const LimitDatabaseLoad first = loadOrBuildLimitDatabase(folder, kTotal, 7, pitDatabase());
    ASSERT_TRUE(first.database);
    EXPECT_FALSE(first.fromCache);
    EXPECT_EQ(first.cacheError, "");
    const LimitDatabaseLoad second = loadOrBuildLimitDatabase(folder, kTotal, 7, pitDatabase());
    ASSERT_TRUE(second.database);
    EXPECT_TRUE(second.fromCache);
    EXPECT_EQ(*second.database, *first.database);
    const std::filesystem::path file = limitDatabaseFile(folder, kTotal, 7);
    EXPECT_FALSE(LimitDatabase::load(file, kTotal - 1, 7).database);
    EXPECT_FALSE(PitDatabase::load(file, 7).database);
    {
        std::fstream io(file, std::ios::in | std::ios::out | std::ios::binary);
        io.seekp(-1, std::ios::end);
        io.put('\x7f');
    }
    EXPECT_FALSE(LimitDatabase::load(file, kTotal, 7).database);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace pimra
