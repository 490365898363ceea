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

TEST_F(SavedGameTest, RoundTripOfThePositionsTheProgramMakes) {
    // The fullest board editing makes, gathered in one pit and the stores.
    const Position full = test::board({0, 0, 0, 0, 0, 100}, 30, {0, 0, 0, 0, 0, 0}, 14);
    const Position empty;
    for (const Position& p : {Position::start(), full, empty}) {
        const std::string file = path("game.sav");
        ASSERT_EQ(writeSavedGame(file, p), SaveOutcome::Saved);
        const LoadedGame loaded = readSavedGame(file);
        ASSERT_TRUE(loaded.position);
        EXPECT_EQ(*loaded.position, p);
        EXPECT_EQ(loaded.outcome, LoadOutcome::Loaded);
        EXPECT_EQ(loaded.status, kLoadedText);
    }
}

TEST_F(SavedGameTest, FilesThatAreNotSavedGamesGiveNoPosition) {
    const std::string start = bytesOf([this] {
        const std::string file = path("start.sav");
        writeSavedGame(file, Position::start());
        return file;
    }());
    const std::string notGames[] = {
        "a text file...",            // 14 bytes of text: about 100 stones a pit
        std::string(14, '\xff'),     // 255 stones in every place
        start.substr(0, 13),         // one byte short
        "a text file... with more",  // text, longer than a saved game
        std::string("\6\6\6\6\6\6\0\6\6\6\6\6\6\x91", 14),  // 217 stones in all
        std::string(),
    };
    for (const std::string& bytes : notGames) {
        writeBytes(path("x.sav"), bytes);
        const LoadedGame loaded = readSavedGame(path("x.sav"));
        EXPECT_FALSE(loaded.position) << bytes.size();
        EXPECT_EQ(loaded.outcome, LoadOutcome::NotASavedGame) << bytes.size();
        EXPECT_EQ(loaded.status, kLoadNotAGameText);
    }
    // The limit itself is a position the program can make.
    writeBytes(path("x.sav"), std::string("\6\6\6\6\6\6\0\6\6\6\6\6\6\x90", 14));
    EXPECT_TRUE(readSavedGame(path("x.sav")).position);
    // Anything after the first 14 bytes is not read, as files of earlier versions may have it.
    for (const std::string& longer : {start + '\0', start + "trailing garbage"}) {
        writeBytes(path("x.sav"), longer);
        const LoadedGame loaded = readSavedGame(path("x.sav"));
        ASSERT_TRUE(loaded.position) << longer.size();
        EXPECT_EQ(*loaded.position, Position::start());
    }
}

TEST_F(SavedGameTest, FailuresAreReportedAndGiveNoPosition) {
    LoadedGame missing = readSavedGame(path("missing.sav"));
    EXPECT_FALSE(missing.position);
    EXPECT_EQ(missing.outcome, LoadOutcome::NotOpened);
    EXPECT_EQ(missing.status, kLoadFailedText);

    EXPECT_EQ(writeSavedGame(path("no/such/folder/x.sav"), Position::start()), SaveOutcome::Failed);
    EXPECT_EQ(writeSavedGame(dir_.string(), Position::start()), SaveOutcome::Failed);
}

TEST_F(SavedGameTest, PositionThatWouldNotLoadBackIsNotWritten) {
    Position p = Position::start();
    p[7] = 256;
    const std::string file = path("big.sav");
    EXPECT_EQ(writeSavedGame(file, p), SaveOutcome::TooManyStones);
    EXPECT_FALSE(fs::exists(file));

    // Editing in the middle of a game can pass what a saved game may hold.
    p[7] = kMostStonesOnBoard - 72 + 1;
    ASSERT_EQ(p.total(), kMostStonesOnBoard + 1);
    EXPECT_EQ(writeSavedGame(file, p), SaveOutcome::BeyondLoad);
    EXPECT_EQ(std::string(outcomeText(SaveOutcome::BeyondLoad)), kSaveBeyondLoadText);
    EXPECT_FALSE(fs::exists(file));
}

}  // namespace
}  // namespace pimra
