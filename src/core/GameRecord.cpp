#include "GameRecord.h"

#include "Move.h"

namespace pimra {

GameRecord::GameRecord(const Position& start, Side firstSide) {
    snapshots_.push_back(RecordedPosition{start, firstSide, false});
}

bool GameRecord::append(const RecordedMove& move) {
    const RecordedPosition& now = current();
    if (now.gameOver) return false;
    const MoveResult result = playMove(now.position, now.sideToMove, move.pit);
    if (!result.accepted) return false;
    moves_.push_back(move);
    snapshots_.push_back(RecordedPosition{result.position, result.sideToMove, result.gameOver});
    return true;
}

void GameRecord::truncate(std::size_t count) {
    if (count >= moves_.size()) return;
    moves_.resize(count);
    snapshots_.resize(count + 1);
}

std::string GameRecord::result() const {
    const RecordedPosition& now = current();
    if (!now.gameOver) return "*";
    return std::to_string(now.position[kBottomStore]) + ":" +
           std::to_string(now.position[kTopStore]);
}

void GameRecord::setTag(const std::string& name, const std::string& value) {
    for (auto& tag : tags_) {
        if (tag.first == name) {
            tag.second = value;
            return;
        }
    }
    tags_.emplace_back(name, value);
}

bool GameRecord::operator==(const GameRecord& other) const {
    return start() == other.start() && firstSide() == other.firstSide() && moves_ == other.moves_ &&
           tags_ == other.tags_;
}

}  // namespace pimra
