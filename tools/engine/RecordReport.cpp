#include "RecordReport.h"

#include "core/RecordFormat.h"

namespace pimra::engine {

namespace {

std::string valueText(const MoveValue& m) {
    return std::to_string(m.value) + (m.exact ? " exact" : "");
}

std::string moverText(const RecordedMove& move) {
    return move.mover == Mover::Human ? "human" : "computer " + levelName(move.level);
}

}  // namespace

std::string recordReport(const GameRecord& record, MasterSearch& search,
                         const SearchLimits& limits) {
    std::string text;
    for (std::size_t k = 0; k < record.moves().size(); ++k) {
        const RecordedMove& move = record.moves()[k];
        const RecordedPosition& before = record.after(k);
        const SearchResult result = search.analyse(before.position, before.sideToMove, limits);
        text += std::to_string(k + 1) + ". " + std::to_string(move.pit) + " by " + moverText(move);
        const MoveValue* played = nullptr;
        const MoveValue* best = nullptr;
        for (const MoveValue& m : result.moves) {
            if (m.pit == move.pit) played = &m;
            if (best == nullptr || m.value > best->value) best = &m;
        }
        if (played == nullptr) {
            text += " value -\n";
            continue;
        }
        text += " value " + valueText(*played);
        if (best != nullptr && best->value > played->value) {
            text += " best " + std::to_string(best->pit) + " value " + valueText(*best);
        }
        text += '\n';
    }
    text += "result " + record.result() + '\n';
    return text;
}

}  // namespace pimra::engine
