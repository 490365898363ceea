#include "net/PositionText.h"

#include "net/Decimal.h"

namespace pimra::net {
namespace {

constexpr int kMaxPitCount = 255;

std::optional<int> ParseCount(std::string_view item) {
    const std::optional<int> count = ParseDecimal(TrimBlanks(item));
    if (!count || *count < 0 || *count > kMaxPitCount) {
        return std::nullopt;
    }
    return count;
}

}  // namespace

PositionUpdate ParsePositionText(std::string_view text) {
    PositionUpdate update{};
    if (text.empty()) {
        return update;
    }
    std::size_t start = 0;
    for (std::size_t pit = 0; pit < update.size(); ++pit) {
        const std::size_t bar = text.find('|', start);
        update[pit] = ParseCount(text.substr(
            start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
        if (bar == std::string_view::npos) {
            break;
        }
        start = bar + 1;
    }
    return update;
}

Position ApplyPosition(const Position& board, const PositionUpdate& update) {
    Position result = board;
    for (int pit = 1; pit <= kPitCount; ++pit) {
        if (const auto& count = update[static_cast<std::size_t>(pit - 1)]) {
            result[pit] = *count;
        }
    }
    return result;
}

Position ApplyPosition(const Position& board, std::string_view text) {
    return ApplyPosition(board, ParsePositionText(text));
}

}  // namespace pimra::net
