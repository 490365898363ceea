#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "Position.h"

namespace pimra {

// Who made a move of a recorded game.
enum class Mover { Human, Computer };

struct RecordedMove {
    int pit = 0;  // board index 1..6 or 8..13; the index says whose row it is
    Mover mover = Mover::Human;
    int level = 0;  // the computer's level (Level); 0 for a human
    bool operator==(const RecordedMove&) const = default;
};

// A position of the record with the side to move in it.
struct RecordedPosition {
    Position position;
    Side sideToMove = Side::Bottom;
    bool gameOver = false;
};

// The full record of a game: the starting position, every move with who played it, and the
// result. Moves are checked by the game's rules as they are appended, so a record always
// replays. Free-form tags (date, players' names) travel with it.
class GameRecord {
  public:
    explicit GameRecord(const Position& start = Position::start(), Side firstSide = Side::Bottom);

    const Position& start() const { return snapshots_.front().position; }
    Side firstSide() const { return snapshots_.front().sideToMove; }
    const std::vector<RecordedMove>& moves() const { return moves_; }
    // The position after the first `count` moves (0 is the start); count <= moves().size().
    const RecordedPosition& after(std::size_t count) const { return snapshots_[count]; }
    const RecordedPosition& current() const { return snapshots_.back(); }

    // Adds the move if the rules allow it in the current position; false changes nothing.
    bool append(const RecordedMove& move);
    // Forgets the moves after the first `count` (a move taken back and replaced).
    void truncate(std::size_t count);

    // "S7:S14" once the game is over, "*" while it goes on.
    std::string result() const;

    const std::vector<std::pair<std::string, std::string>>& tags() const { return tags_; }
    // Sets a tag, replacing one of the same name.
    void setTag(const std::string& name, const std::string& value);

    bool operator==(const GameRecord&) const;

  private:
    std::vector<RecordedMove> moves_;
    std::vector<RecordedPosition> snapshots_;  // one more than moves_
    std::vector<std::pair<std::string, std::string>> tags_;
};

}  // namespace pimra
