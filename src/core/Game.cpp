#include "Game.h"

#include <algorithm>
#include <utility>

namespace pimra {

Game::Game(std::unique_ptr<RandomSource> random) : random_(std::move(random)) {}

bool Game::acceptsLocalClick(int pit) const {
    return pit >= 1 && pit <= 6 && sideToMove_ == Side::Bottom;
}

void Game::beginTurn() {
    if (log_.beginTurn(position_, sideToMove_)) history_.clearMarks();
    history_.beginTurn(position_, currentMark());
}

int Game::currentMark() const {
    const std::optional<std::size_t> moves = recordMoves();
    return moves ? static_cast<int>(*moves) : History::kNoMark;
}

void Game::followHistoryMark() {
    const int mark = history_.mark(history_.moveNumber() + 1);
    if (mark != History::kNoMark) log_.moveCursor(static_cast<std::size_t>(mark));
}

MoveResult Game::play(const RecordedMove& recorded) {
    const bool onRecord = recordMoves().has_value();
    MoveResult result = move(recorded.pit);
    if (result.accepted && onRecord) log_.played(recorded);
    return result;
}

MoveResult Game::move(int pit) {
    MoveResult result = playMove(position_, sideToMove_, pit);
    if (result.accepted) {
        position_ = result.position;
        sideToMove_ = result.sideToMove;
    }
    return result;
}

bool Game::computerToMove() const {
    return sideToMove_ == Side::Top && position_.rowSum(Side::Top) > 0;
}

int Game::chooseComputerMove() {
    return ChooseComputerMove(position_, level_, *random_);
}

void Game::newGame() {
    sideToMove_ = Side::Bottom;
    const Position previous = position_;
    position_ = Position::start();
    log_.restart(position_, sideToMove_);
    history_.startNewGame(previous, position_, 0);
}

void Game::goBack() {
    if (!history_.canGoBack()) return;
    position_ = history_.goBack();
    sideToMove_ = Side::Bottom;
    followHistoryMark();
}

void Game::goForward() {
    if (!history_.canGoForward()) return;
    position_ = history_.goForward();
    sideToMove_ = Side::Bottom;
    followHistoryMark();
}

void Game::swapRows() {
    log_.boardEdited();
    for (int k = 1; k <= 7; ++k) std::swap(position_[k], position_[k + 7]);
}

void Game::addStones() {
    if (!canAddStones()) return;
    log_.boardEdited();
    ++stoneShift_;
    for (int k = 1; k <= 6; ++k) {
        ++position_[k];
        ++position_[k + 7];
    }
}

void Game::removeStones() {
    if (!canRemoveStones()) return;
    log_.boardEdited();
    --stoneShift_;
    for (int k = 1; k <= 6; ++k) {
        if (position_[k] > 0) --position_[k];
        if (position_[k + 7] > 0) --position_[k + 7];
    }
}

void Game::loadPosition(const Position& position, bool localGame) {
    log_.boardEdited();
    position_ = position;
    if (localGame) sideToMove_ = Side::Bottom;
}

void Game::loadRecord(GameRecord record) {
    // One history entry per turn boundary: the start, and every move after which the bottom
    // row is to move or the game is over. A record that ends with the top row to move ends
    // on an entry of its own too.
    history_.restart(record.start(), 0);
    std::size_t turnStart = 0;
    const std::size_t count = record.moves().size();
    for (std::size_t moves = 1; moves <= count; ++moves) {
        const RecordedPosition& after = record.after(moves);
        if (moves < count && after.sideToMove != Side::Bottom && !after.gameOver) continue;
        history_.beginTurn(record.after(turnStart).position, static_cast<int>(turnStart));
        history_.endTurn(after.position, static_cast<int>(moves));
        turnStart = moves;
    }
    position_ = record.current().position;
    sideToMove_ = Side::Bottom;
    log_.load(std::move(record));
}

bool Game::goToRecordMoves(std::size_t moves) {
    // Marks grow along the record's line: the first entry that reaches the move ends its turn,
    // if the entry before it still holds the turn's start.
    const int wanted = static_cast<int>(std::min<std::size_t>(moves, record().moves().size()));
    int target = 0;
    for (int number = 1; number <= history_.lastNumber() && target == 0; ++number) {
        const int mark = history_.mark(number);
        if (mark != History::kNoMark && mark >= wanted) target = number;
    }
    if (target == 0) return false;
    const int before = history_.mark(target - 1);
    if (history_.mark(target) != wanted && (before == History::kNoMark || before >= wanted)) {
        return false;
    }
    while (history_.moveNumber() + 1 > target) goBack();
    while (history_.moveNumber() + 1 < target) goForward();
    return true;
}

}  // namespace pimra
