#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "GameRecord.h"

namespace pimra {

// Why a record could not be read or written.
enum class RecordError {
    None,
    CannotOpen,
    CannotWrite,
    TooLarge,
    NotUtf8,
    BadTag,
    BadStart,
    BadMove,
    IllegalMove,
    WrongResult,
};

struct RecordProblem {
    RecordError error = RecordError::None;
    int line = 0;         // 1-based line of the problem, 0 for the file as a whole
    std::string message;  // in English, for the tool and the log
};

struct RecordReading {
    std::optional<GameRecord> record;
    RecordProblem problem;  // error None when the record was read
};

// Files larger than this are refused without being read.
constexpr std::size_t kMaxRecordBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxRecordMoves = 10000;

// The text of a record (docs/record-format.md): tags in square brackets, then one move per
// line with its number, the pit and who played it.
std::string formatRecord(const GameRecord& record);
RecordReading parseRecord(std::string_view text);

RecordReading readRecordFile(const std::string& path);
RecordProblem writeRecordFile(const std::string& path, const GameRecord& record);

// Level names as records write them: variable, easy, normal, hard, veryhard, master.
std::string levelName(int level);
std::optional<int> levelFromName(std::string_view name);

}  // namespace pimra
