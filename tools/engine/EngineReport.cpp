#include "EngineReport.h"

#include <algorithm>
#include <charconv>
#include <sstream>
#include <vector>

#include "core/Levels.h"
#include "core/MasterLevel.h"

namespace pimra::engine {

namespace {

// The normal, hard and very hard levels draw no random numbers.
class NoRandom : public RandomSource {
  public:
    void reseed() override {}
    int next(int) override { return 0; }
};

std::string choiceText(int boardIndex) {
    return boardIndex == 0 ? "-" : std::to_string(boardIndex);
}

std::string scoresText(const ScoredChoice& choice) {
    std::string text = " scores";
    for (const std::optional<int>& score : choice.scores) {
        text += ' ';
        text += score ? std::to_string(*score) : "-";
    }
    return text;
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = text.find_first_not_of(" \t\r\n", pos);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(text.find_first_of(" \t\r\n", start), text.size());
        result.push_back(text.substr(start, end - start));
        pos = end;
    }
    return result;
}

}  // namespace

std::optional<Position> parsePosition(std::string_view text, std::string& error) {
    const std::vector<std::string_view> items = words(text);
    if (items.size() != kPitCount) {
        error = "expected 14 numbers, got " + std::to_string(items.size());
        return std::nullopt;
    }
    Position position;
    for (int i = 1; i <= kPitCount; ++i) {
        const std::string_view item = items[static_cast<std::size_t>(i - 1)];
        int value = 0;
        const auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), value);
        if (ec != std::errc() || end != item.data() + item.size()) {
            error = "pit " + std::to_string(i) + ": \"" + std::string(item) +
                    "\" is not a whole number";
            return std::nullopt;
        }
        if (value < 0 || value > 255) {
            error =
                "pit " + std::to_string(i) + ": " + std::to_string(value) + " is outside 0..255";
            return std::nullopt;
        }
        position[i] = value;
    }
    return position;
}

std::string analyse(const Position& position) {
    NoRandom random;
    const ChainEvaluator evaluator(SearchPosition::fromBoard(position));
    std::ostringstream out;
    out << "normal " << choiceText(ChooseComputerMove(position, kLevelNormal, random)) << '\n';
    out << "hard " << choiceText(ChooseComputerMove(position, kLevelHard, random))
        << scoresText(Mozg3Scores(position)) << '\n';
    out << "veryhard " << choiceText(ChooseComputerMove(position, kLevelVeryHard, random))
        << scoresText(DeepLineScores(evaluator, Side::Top)) << '\n';
    out << "hint " << choiceText(HintPit(position)) << '\n';
    return out.str();
}

namespace {

std::string valueText(const char* label, int pit, int value, bool exact, int depth) {
    std::string text = std::string(label) + ' ' + choiceText(pit) + " value " +
                       std::to_string(value) + " depth " + std::to_string(depth);
    if (exact) text += " exact";
    return text + '\n';
}

}  // namespace

std::string masterLine(const SearchResult& result) {
    if (!result.searched) return "master " + choiceText(result.pit) + " value - depth 0\n";
    return valueText("master", result.pit, result.value, result.exact, result.depth);
}

std::string masterReport(const Position& position, MasterSearch& search,
                         const SearchLimits& limits) {
    return masterLine(MasterComputerMove(search, position, limits));
}

std::string analysisReport(const Position& position, MasterSearch& search,
                           const SearchLimits& limits) {
    const SearchResult result = search.analyse(position, Side::Top, limits);
    std::vector<MoveValue> moves = result.moves;
    std::sort(moves.begin(), moves.end(),
              [](const MoveValue& a, const MoveValue& b) { return a.pit < b.pit; });
    std::string text;
    for (const MoveValue& m : moves) {
        text += valueText("move", m.pit, m.value, m.exact, result.depth);
    }
    return text;
}

std::string solveReport(const Position& position, MasterSearch& search,
                        const SearchLimits& limits) {
    const SearchResult result = search.prove(position, Side::Top, limits);
    if (!result.searched) return "solve - value -\n";
    std::string text = "solve " + choiceText(result.pit) + " value " + std::to_string(result.value);
    if (result.exact) {
        text += " exact";
    } else {
        text += ".." + std::to_string(result.upper);
    }
    return text + " positions " + std::to_string(result.nodes) + '\n';
}

std::string bookReport(const Position& position, const OpeningBook* book) {
    const std::optional<BookEntry> entry =
        book != nullptr ? book->find(position, Side::Top) : std::nullopt;
    if (!entry) return "book -\n";
    return valueText("book", entry->pit, entry->value, entry->exact, entry->depth);
}

}  // namespace pimra::engine
