#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestPositions.h"
#include "core/Levels.h"
#include "core/RecordFormat.h"

namespace pimra {
namespace {

GameRecord playedRecord() {
    GameRecord record;
    record.setTag("Date", "2026.12.09");
    record.setTag("Bottom", "Игрок \"Первый\" \\ тест");
    EXPECT_TRUE(record.append({1, Mover::Human, 0}));  // ends in store 7: bottom again
    EXPECT_TRUE(record.append({3, Mover::Human, 0}));
    EXPECT_TRUE(record.append({8, Mover::Computer, kLevelMaster}));
    EXPECT_TRUE(record.append({2, Mover::Human, 0}));
    return record;
}

TEST(GameRecord, AppendsOnlyMovesTheRulesAllow) {
    GameRecord record;
    EXPECT_FALSE(record.append({8, Mover::Computer, kLevelHard}));  // the bottom row moves first
    EXPECT_FALSE(record.append({7, Mover::Human, 0}));
    EXPECT_FALSE(record.append({0, Mover::Human, 0}));
    EXPECT_TRUE(record.append({1, Mover::Human, 0}));
    EXPECT_EQ(record.current().sideToMove, Side::Bottom);
    EXPECT_FALSE(record.append({1, Mover::Human, 0}));  // now empty
    EXPECT_EQ(record.moves().size(), 1u);
    EXPECT_EQ(record.after(0).position, Position::start());
    EXPECT_EQ(record.result(), "*");

    record.truncate(0);
    EXPECT_EQ(record.moves().size(), 0u);
    EXPECT_EQ(record.current().position, Position::start());

    // The last stone ends the game: the result is the two stores, and nothing follows.
    GameRecord end(test::board({0, 0, 0, 0, 0, 1}, 30, {0, 0, 0, 0, 2, 0}, 20), Side::Bottom);
    EXPECT_TRUE(end.append({6, Mover::Human, 0}));  // into store 7: bottom to move, row empty
    EXPECT_TRUE(end.current().gameOver);
    EXPECT_EQ(end.result(), "31:22");
    EXPECT_FALSE(end.append({12, Mover::Computer, kLevelEasy}));
}

TEST(RecordFormat, RoundTripsThroughTextAndFiles) {
    const GameRecord record = playedRecord();
    const std::string text = formatRecord(record);
    EXPECT_NE(text.find("[Start \"6 6 6 6 6 6 0 6 6 6 6 6 6 0\"]"), std::string::npos);
    EXPECT_NE(text.find("1. 1 human\n"), std::string::npos);
    EXPECT_NE(text.find("3. 8 computer master\n"), std::string::npos);
    const RecordReading reading = parseRecord(text);
    ASSERT_TRUE(reading.record) << reading.problem.message;
    EXPECT_EQ(*reading.record, record);
    EXPECT_EQ(reading.record->current().position, record.current().position);

    // Another start, the top row first, a finished game, Windows line ends and a BOM.
    GameRecord other(test::board({0, 0, 0, 0, 0, 1}, 30, {0, 0, 0, 0, 2, 0}, 20), Side::Top);
    ASSERT_TRUE(other.append({12, Mover::Computer, kLevelVariable}));
    std::string crlf;
    for (const char c : formatRecord(other))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const RecordReading second = parseRecord("\xEF\xBB\xBF" + crlf);
    ASSERT_TRUE(second.record) << second.problem.message;
    EXPECT_EQ(*second.record, other);

    const auto path = (std::filesystem::temp_directory_path() / "pimra-record-test.pgn").string();
    ASSERT_EQ(writeRecordFile(path, record).error, RecordError::None);
    const RecordReading fromFile = readRecordFile(path);
    std::filesystem::remove(path);
    ASSERT_TRUE(fromFile.record);
    EXPECT_EQ(*fromFile.record, record);
    EXPECT_EQ(writeRecordFile("/nonexistent-dir/x.pgn", record).error, RecordError::CannotWrite);
    EXPECT_EQ(readRecordFile("/nonexistent-dir/x.pgn").problem.error, RecordError::CannotOpen);
}

TEST(RecordFormat, BadRecordsGetAClearError) {
    struct Case {
        std::string text;
        RecordError error;
        int line;
    };
    const Case cases[] = {
        {"[Start \"6 6 6\"]\n", RecordError::BadStart, 1},
        {"[Start \"6 6 6 6 6 6 0 6 6 6 6 6 6 256\"]\n", RecordError::BadStart, 1},
        {"[ToMove \"left\"]\n", RecordError::BadTag, 1},
        {"[Bad tag\n", RecordError::BadTag, 1},
        {"[Name \"unescaped \" quote\"]\n", RecordError::BadTag, 1},
        {"[9x \"v\"]\n", RecordError::BadTag, 1},
        {"\n1. 3 human\n[Late \"tag\"]\n", RecordError::BadTag, 3},
        {"1. 3 human\n3. 3 human\n", RecordError::BadMove, 2},
        {"1. 3 robot\n", RecordError::BadMove, 1},
        {"1. 8 computer genius\n", RecordError::BadMove, 1},
        {"1. 99999999999999 human\n", RecordError::BadMove, 1},
        {"1. 8 computer hard\n", RecordError::IllegalMove, 1},
        {"1. 1 human\n2. 1 human\n", RecordError::IllegalMove, 2},
        {"[Result \"40:32\"]\n1. 3 human\n", RecordError::WrongResult, 0},
        {"[Bottom \"\xC0\xAF\"]\n", RecordError::NotUtf8, 0},
        {"[Bottom \"\xE2\x82\"]\n", RecordError::NotUtf8, 0},
        {std::string(kMaxRecordBytes + 1, ' '), RecordError::TooLarge, 0},
    };
    for (const Case& c : cases) {
        const RecordReading reading = parseRecord(c.text);
        EXPECT_FALSE(reading.record) << c.text.substr(0, 60);
        EXPECT_EQ(reading.problem.error, c.error) << c.text.substr(0, 60);
        EXPECT_EQ(reading.problem.line, c.line) << c.text.substr(0, 60);
        EXPECT_FALSE(reading.problem.message.empty());
    }
    // An empty text is an empty game from the start position.
    const RecordReading empty = parseRecord("; nothing yet\n");
    ASSERT_TRUE(empty.record);
    EXPECT_EQ(empty.record->current().position, Position::start());
}

}  // namespace
}  // namespace pimra
