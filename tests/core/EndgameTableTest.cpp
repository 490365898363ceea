#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "ExhaustiveSolver.h"
#include "TestPositions.h"
#include "core/EndgameTable.h"
#include "core/MasterSearch.h"

namespace pimra {
namespace {

using test::board;
using test::ExhaustiveSolver;

constexpr int kStones = 5;

const EndgameTable& smallTable() {
    static const EndgameTable table = *EndgameTable::build(kStones);
    return table;
}

// A late position: `pitStones` stones over the pits, stores anywhere below the limit, often
// close to it so that the limit decides the game.
Position randomLatePosition(std::mt19937& random, int pitStones) {
    Position p;
    for (int k = 0; k < pitStones; ++k) {
        const int pit = std::uniform_int_distribution<int>(0, 11)(random);
        ++p[pit < 6 ? pit + 1 : pit + 2];
    }
    std::uniform_int_distribution<int> anyStore(0, 36), nearLimit(30, 36);
    p[kBottomStore] = random() % 2 ? nearLimit(random) : anyStore(random);
    p[kTopStore] = random() % 2 ? nearLimit(random) : anyStore(random);
    return p;
}

// A folder of its own under the system's temporary folder, removed afterwards.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& name)
        : path_(std::filesystem::temp_directory_path() /
                (name + "-" + std::to_string(static_cast<long>(::getpid())))) {
        std::filesystem::remove_all(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

void overwriteByte(const std::filesystem::path& file, std::streamoff at) {
    std::fstream io(file, std::ios::in | std::ios::out | std::ios::binary);
    io.seekg(at);
    const char old = static_cast<char>(io.get());
    io.seekp(at);
    io.put(static_cast<char>(old ^ 0x5a));
}

TEST(EndgameTable, AgreesWithPlainSearchOnRandomPositions) {
    const EndgameTable& table = smallTable();
    std::mt19937 random(21);
    ExhaustiveSolver solver;
    int compared = 0;
    for (int k = 0; k < 600; ++k) {
        const Position p = randomLatePosition(random, 1 + k % kStones);
        const Side side = k % 2 == 0 ? Side::Bottom : Side::Top;
        if (p.rowSum(side) == 0) continue;
        const auto rules = RulesBoard::from(p, side);
        const std::optional<int> gain = table.gain(*rules);
        ASSERT_TRUE(gain) << k;
        EXPECT_EQ(rules->storeMargin(side) + *gain, solver.value(p, side)) << k;
        ++compared;
    }
    EXPECT_GT(compared, 400);

    // Past what the table holds: more stones, or a store already over the limit.
    Position many = board({2, 2, 2, 0, 0, 0}, 0, {0, 0, 0, 0, 0, 0}, 0);
    EXPECT_FALSE(table.gain(*RulesBoard::from(many, Side::Bottom)));
    Position over = board({1, 0, 0, 0, 0, 0}, 37, {0, 0, 1, 0, 0, 0}, 0);
    EXPECT_FALSE(table.gain(*RulesBoard::from(over, Side::Top)));
}

TEST(EndgameTable, TheStoreLimitEndsTheGameInTheTableToo) {
    const EndgameTable& table = smallTable();
    // Pit 5 sows pit 6 and the store, and bottom moves again. With room in the store it then
    // plays pit 6 too and gains 2; from 36 the first stone makes 37, which ends the game with
    // the other stone still in pit 6.
    const Position roomy = board({0, 0, 0, 0, 2, 0}, 10, {0, 0, 0, 0, 0, 0}, 0);
    EXPECT_EQ(table.gain(*RulesBoard::from(roomy, Side::Bottom)), 2);
    const Position atLimit = board({0, 0, 0, 0, 2, 0}, 36, {0, 0, 0, 0, 0, 0}, 0);
    EXPECT_EQ(table.gain(*RulesBoard::from(atLimit, Side::Bottom)), 1);
    // The same for the top row, whose own store is 14.
    const Position topAtLimit = board({0, 0, 0, 0, 0, 0}, 0, {0, 0, 0, 0, 2, 0}, 36);
    EXPECT_EQ(table.gain(*RulesBoard::from(topAtLimit, Side::Top)), 1);
}

TEST(EndgameTable, SearchWithTheTableFindsTheSameProvenValues) {
    auto table = std::make_shared<const EndgameTable>(*EndgameTable::build(kStones));
    MasterSearch withTable(1 << 16);
    withTable.setEndgame(table);
    SearchLimits unlimited;
    unlimited.time = std::chrono::milliseconds(0);
    std::mt19937 random(8);
    ExhaustiveSolver solver;
    for (int k = 0; k < 30; ++k) {
        const Position p = randomLatePosition(random, 6 + k % 4);
        const Side side = k % 2 == 0 ? Side::Bottom : Side::Top;
        if (p.rowSum(side) == 0) continue;
        const SearchResult result = withTable.search(p, side, unlimited);
        ASSERT_TRUE(result.exact) << k;
        EXPECT_EQ(result.value, solver.value(p, side)) << k;
    }
}

TEST(EndgameTable, BuildingStopsWhenAsked) {
    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(EndgameTable::build(EndgameTable::kDefaultStones, stop.get_token()));
}

TEST(EndgameTable, CacheFileRoundTripsAndADamagedOneIsRebuilt) {
    constexpr int kSmall = 3;
    ScratchFolder folder("pimra-endgame-test");
    const std::filesystem::path file = endgameCacheFile(folder.path(), kSmall);

    const EndgameLoad first = loadOrBuildEndgame(folder.path(), kSmall);
    ASSERT_TRUE(first.table);
    EXPECT_FALSE(first.fromCache);
    EXPECT_EQ(first.cacheError, "");
    const EndgameLoad second = loadOrBuildEndgame(folder.path(), kSmall);
    ASSERT_TRUE(second.table);
    EXPECT_TRUE(second.fromCache);
    EXPECT_EQ(*second.table, *first.table);

    // Another stone count never reads this file.
    EXPECT_FALSE(EndgameTable::load(file, kSmall + 1).table);

    const auto size = static_cast<std::streamoff>(std::filesystem::file_size(file));
    for (const std::streamoff at : {std::streamoff{0}, std::streamoff{9}, size - 1}) {
        overwriteByte(file, at);
        const EndgameTable::Loaded damaged = EndgameTable::load(file, kSmall);
        EXPECT_FALSE(damaged.table) << "byte " << at;
        EXPECT_NE(damaged.error, "");
        const EndgameLoad rebuilt = loadOrBuildEndgame(folder.path(), kSmall);
        EXPECT_FALSE(rebuilt.fromCache);
        EXPECT_EQ(*rebuilt.table, *first.table);
        EXPECT_TRUE(EndgameTable::load(file, kSmall).table) << "written again";
    }

    std::filesystem::resize_file(file, static_cast<std::uintmax_t>(size / 2));
    EXPECT_FALSE(EndgameTable::load(file, kSmall).table);
    EXPECT_FALSE(loadOrBuildEndgame(folder.path(), kSmall).fromCache);
    EXPECT_EQ(std::filesystem::file_size(file), static_cast<std::uintmax_t>(size));
}

TEST(EndgameTable, AnUnwritableCacheStillGivesTheTable) {
    ScratchFolder folder("pimra-endgame-blocked");
    std::filesystem::create_directories(folder.path());
    const std::filesystem::path blocker = folder.path() / "not-a-folder";
    std::ofstream(blocker) << "x";
    const EndgameLoad load = loadOrBuildEndgame(blocker, 2);
    ASSERT_TRUE(load.table);
    EXPECT_FALSE(load.fromCache);
    EXPECT_NE(load.cacheError, "");
}

TEST(EndgameTable, CacheFolderFollowsTheUsersSettings) {
    const char* savedXdg = std::getenv("XDG_CACHE_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string xdg = savedXdg ? savedXdg : "", home = savedHome ? savedHome : "";

    ::setenv("XDG_CACHE_HOME", "/var/cache/someone", 1);
    EXPECT_EQ(endgameCacheFolder(), std::filesystem::path("/var/cache/someone/pimra"));
    ::setenv("XDG_CACHE_HOME", "relative/cache", 1);  // not absolute: ignored
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(endgameCacheFolder(), std::filesystem::path("/home/someone/.cache/pimra"));
    ::unsetenv("XDG_CACHE_HOME");
    ::unsetenv("HOME");
    EXPECT_EQ(endgameCacheFolder(), std::filesystem::path());

    if (savedXdg) ::setenv("XDG_CACHE_HOME", xdg.c_str(), 1);
    if (savedHome) ::setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace pimra
