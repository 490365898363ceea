#include "RecordFormat.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <vector>

namespace pimra {

namespace {

constexpr std::string_view kLevelNames[] = {"variable", "easy",     "normal",
                                            "hard",     "veryhard", "master"};
constexpr std::size_t kMaxTagName = 32;

RecordReading failure(RecordError error, int line, std::string message) {
    return RecordReading{std::nullopt, RecordProblem{error, line, std::move(message)}};
}

// Well-formed UTF-8: no stray continuation bytes, overlong forms, surrogates or values above
// U+10FFFF.
bool isUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        int extra = 0;
        unsigned int code = 0;
        if (byte < 0x80) {
            ++i;
            continue;
        } else if (byte >= 0xC2 && byte <= 0xDF) {
            extra = 1, code = byte & 0x1Fu;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            extra = 2, code = byte & 0x0Fu;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            extra = 3, code = byte & 0x07u;
        } else {
            return false;
        }
        if (text.size() - i <= static_cast<std::size_t>(extra)) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0u) != 0x80u) return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        if ((extra == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (extra == 3 && (code < 0x10000 || code > 0x10FFFF))) {
            return false;
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string_view trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = text.find_first_not_of(" \t", pos);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(text.find_first_of(" \t", start), text.size());
        result.push_back(text.substr(start, end - start));
        pos = end;
    }
    return result;
}

std::optional<int> wholeNumber(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

bool isTagName(std::string_view name) {
    if (name.empty() || name.size() > kMaxTagName) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        if (!(letter || (i > 0 && (digit || c == '_')))) return false;
    }
    return true;
}

std::string quoted(const std::string& value) {
    std::string text = "\"";
    for (const char c : value) {
        if (c == '"' || c == '\\') text += '\\';
        // Line breaks would split the tag; they are kept as blanks.
        text += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
    }
    return text + '"';
}

struct Tag {
    std::string name;
    std::string value;
};

// `[Name "value"]` with \" and \\ inside the value.
std::optional<Tag> parseTag(std::string_view line) {
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
    const std::string_view inner = trim(line.substr(1, line.size() - 2));
    const std::size_t blank = inner.find_first_of(" \t");
    if (blank == std::string_view::npos) return std::nullopt;
    Tag tag;
    tag.name = std::string(inner.substr(0, blank));
    if (!isTagName(tag.name)) return std::nullopt;
    const std::string_view rest = trim(inner.substr(blank));
    if (rest.size() < 2 || rest.front() != '"' || rest.back() != '"') return std::nullopt;
    const std::string_view body = rest.substr(1, rest.size() - 2);
    for (std::size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
        if (c == '"') return std::nullopt;
        if (c == '\\') {
            if (i + 1 >= body.size() || (body[i + 1] != '"' && body[i + 1] != '\\')) {
                return std::nullopt;
            }
            c = body[++i];
        }
        tag.value += c;
    }
    return tag;
}

std::optional<Position> parseStart(std::string_view text) {
    const std::vector<std::string_view> counts = words(text);
    if (counts.size() != kPitCount) return std::nullopt;
    Position position;
    for (int i = 1; i <= kPitCount; ++i) {
        const auto count = wholeNumber(counts[static_cast<std::size_t>(i - 1)], 0, 255);
        if (!count) return std::nullopt;
        position[i] = *count;
    }
    return position;
}

std::optional<RecordedMove> parseMove(std::string_view line, std::size_t number) {
    const std::vector<std::string_view> items = words(line);
    if (items.size() < 3 || items.size() > 4) return std::nullopt;
    if (items[0] != std::to_string(number) + ".") return std::nullopt;
    const auto pit = wholeNumber(items[1], 1, 13);
    if (!pit) return std::nullopt;
    RecordedMove move;
    move.pit = *pit;
    if (items[2] == "human" && items.size() == 3) {
        move.mover = Mover::Human;
        return move;
    }
    if (items[2] != "computer" || items.size() != 4) return std::nullopt;
    const auto level = levelFromName(items[3]);
    if (!level) return std::nullopt;
    move.mover = Mover::Computer;
    move.level = *level;
    return move;
}

struct Header {
    Position start = Position::start();
    Side firstSide = Side::Bottom;
    std::optional<std::string> result;
    std::vector<Tag> tags;
};

// Applies a tag to the header; the reason when its value is not usable.
std::optional<std::string> applyTag(Header& header, const Tag& tag) {
    if (tag.name == "Game") return std::nullopt;
    if (tag.name == "Start") {
        const auto start = parseStart(tag.value);
        if (!start) return "Start needs 14 stone counts 0..255";
        header.start = *start;
    } else if (tag.name == "ToMove") {
        if (tag.value != "bottom" && tag.value != "top") return "ToMove is bottom or top";
        header.firstSide = tag.value == "bottom" ? Side::Bottom : Side::Top;
    } else if (tag.name == "Result") {
        header.result = tag.value;
    } else {
        header.tags.push_back(tag);
    }
    return std::nullopt;
}

}  // namespace

std::string levelName(int level) {
    if (level < 0 || level >= static_cast<int>(std::size(kLevelNames))) return "hard";
    return std::string(kLevelNames[level]);
}

std::optional<int> levelFromName(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kLevelNames); ++i) {
        if (kLevelNames[i] == name) return static_cast<int>(i);
    }
    return std::nullopt;
}

std::string formatRecord(const GameRecord& record) {
    std::string text = "[Game \"Пимра\"]\n[Start \"";
    for (int i = 1; i <= kPitCount; ++i) {
        if (i > 1) text += ' ';
        text += std::to_string(record.start()[i]);
    }
    text += "\"]\n[ToMove \"";
    text += record.firstSide() == Side::Bottom ? "bottom" : "top";
    text += "\"]\n[Result " + quoted(record.result()) + "]\n";
    for (const auto& [name, value] : record.tags()) {
        text += '[' + name + ' ' + quoted(value) + "]\n";
    }
    text += '\n';
    std::size_t number = 1;
    for (const RecordedMove& move : record.moves()) {
        text += std::to_string(number++) + ". " + std::to_string(move.pit);
        text += move.mover == Mover::Human ? " human" : " computer " + levelName(move.level);
        text += '\n';
    }
    return text;
}

RecordReading parseRecord(std::string_view text) {
    if (text.size() > kMaxRecordBytes) {
        return failure(RecordError::TooLarge, 0, "the record is larger than 1 MiB");
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    if (!isUtf8(text)) return failure(RecordError::NotUtf8, 0, "the record is not UTF-8 text");

    Header header;
    std::vector<std::pair<int, RecordedMove>> moves;
    const std::vector<std::string_view> lines = splitLines(text);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const int number = static_cast<int>(k + 1);
        const std::string_view line = trim(lines[k]);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            if (!moves.empty()) return failure(RecordError::BadTag, number, "tag after the moves");
            const auto tag = parseTag(line);
            if (!tag)
                return failure(RecordError::BadTag, number, "bad tag, expected [Name \"value\"]");
            if (const auto reason = applyTag(header, *tag)) {
                return failure(tag->name == "Start" ? RecordError::BadStart : RecordError::BadTag,
                               number, *reason);
            }
            continue;
        }
        if (moves.size() >= kMaxRecordMoves) {
            return failure(RecordError::TooLarge, number, "more than 10000 moves");
        }
        const auto move = parseMove(line, moves.size() + 1);
        if (!move) {
            return failure(RecordError::BadMove, number,
                           "expected \"" + std::to_string(moves.size() + 1) +
                               ". PIT human\" or \"" + std::to_string(moves.size() + 1) +
                               ". PIT computer LEVEL\"");
        }
        moves.emplace_back(number, *move);
    }

    GameRecord record(header.start, header.firstSide);
    for (const Tag& tag : header.tags) record.setTag(tag.name, tag.value);
    for (const auto& [number, move] : moves) {
        if (!record.append(move)) {
            return failure(RecordError::IllegalMove, number,
                           "pit " + std::to_string(move.pit) + " cannot be played here");
        }
    }
    if (header.result && *header.result != record.result()) {
        return failure(RecordError::WrongResult, 0,
                       "the result \"" + *header.result + "\" does not match the moves (\"" +
                           record.result() + "\")");
    }
    return RecordReading{std::move(record), {}};
}

RecordReading readRecordFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return failure(RecordError::CannotOpen, 0, "cannot open " + path);
    std::string text;
    text.resize(kMaxRecordBytes + 1);
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (file.bad()) return failure(RecordError::CannotOpen, 0, "cannot read " + path);
    text.resize(static_cast<std::size_t>(file.gcount()));
    return parseRecord(text);
}

RecordProblem writeRecordFile(const std::string& path, const GameRecord& record) {
    const std::string text = formatRecord(record);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) return RecordProblem{RecordError::CannotWrite, 0, "cannot write " + path};
    return {};
}

}  // namespace pimra
