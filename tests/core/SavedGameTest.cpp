#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "TestPositions.h"
#include "core/SavedGame.h"

namespace pimra {
namespace {

namespace fs = std::filesystem;

class SavedGameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("pimra-saved-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const char* name) const { return (dir_ / name).string(); }
    static std::string bytesOf(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void writeBytes(const std::string& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }

    fs::path dir_;
};

TEST_F(SavedGameTest, StartPositionIsFourteenBytes) {
    const std::string file = path("start.sav");
    EXPECT_EQ(writeSavedGame(file, Position::start()), SaveOutcome::Saved);
    EXPECT_EQ(bytesOf(file), std::string("\6\6\6\6\6\6\0\6\6\6\6\6\6\0", 14));
}

TEST_F(SavedGameTest, RoundTripAndExtraBytesIgnored) {
    const Position p = test::board({0, 1, 2, 3, 4, 255}, 37, {9, 8, 7, 6, 5, 4}, 0);
    const std::string file = path("game.sav");
    ASSERT_EQ(writeSavedGame(file, p), SaveOutcome::Saved);
    LoadedGame loaded = readSavedGame(file);
    ASSERT_TRUE(loaded.position);
    EXPECT_EQ(*loaded.position, p);
    EXPECT_EQ(loaded.outcome, LoadOutcome::Loaded);
    EXPECT_EQ(loaded.status, kLoadedText);

    writeBytes(file, bytesOf(file) + "trailing garbage");
    loaded = readSavedGame(file);
    ASSERT_TRUE(loaded.position);
    EXPECT_EQ(*loaded.position, p);
}

TEST_F(SavedGameTest, FailuresAreReportedAndGiveNoPosition) {
    LoadedGame missing = readSavedGame(path("missing.sav"));
    EXPECT_FALSE(missing.position);
    EXPECT_EQ(missing.outcome, LoadOutcome::NotOpened);
    EXPECT_EQ(missing.status, kLoadFailedText);

    writeBytes(path("short.sav"), std::string(13, '\6'));
    LoadedGame shortFile = readSavedGame(path("short.sav"));
    EXPECT_FALSE(shortFile.position);
    EXPECT_EQ(shortFile.outcome, LoadOutcome::TooShort);
    EXPECT_EQ(shortFile.status, kLoadTooShortText);

    EXPECT_EQ(writeSavedGame(path("no/such/folder/x.sav"), Position::start()), SaveOutcome::Failed);
    EXPECT_EQ(writeSavedGame(dir_.string(), Position::start()), SaveOutcome::Failed);
}

TEST_F(SavedGameTest, PositionThatDoesNotFitIsNotWritten) {
    Position p = Position::start();
    p[7] = 256;
    const std::string file = path("big.sav");
    EXPECT_EQ(writeSavedGame(file, p), SaveOutcome::TooManyStones);
    EXPECT_FALSE(fs::exists(file));
}

}  // namespace
}  // namespace pimra
