#include "Game.h"

#include <utility>

namespace pimra {

Game::Game(std::unique_ptr<RandomSource> random) : random_(std::move(random)) {}

bool Game::acceptsLocalClick(int pit) const {
    return pit >= 1 && pit <= 6 && sideToMove_ == kBottomSide;
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
    return sideToMove_ == kTopSide && position_.rowSum(kTopSide) > 0;
}

int Game::chooseComputerMove() {
    return ChooseComputerMove(position_, level_, *random_);
}

void Game::newGame() {
    sideToMove_ = kBottomSide;
    const Position previous = position_;
    position_ = Position::start();
    history_.startNewGame(previous, position_);
}

void Game::goBack() {
    if (!history_.canGoBack()) return;
    position_ = history_.goBack();
    sideToMove_ = kBottomSide;
}

void Game::goForward() {
    if (!history_.canGoForward()) return;
    position_ = history_.goForward();
    sideToMove_ = kBottomSide;
}

void Game::swapRows() {
    for (int k = 1; k <= 7; ++k) std::swap(position_[k], position_[k + 7]);
}

void Game::addStones() {
    if (!canAddStones()) return;
    ++stoneShift_;
    for (int k = 1; k <= 6; ++k) {
        ++position_[k];
        ++position_[k + 7];
    }
}

void Game::removeStones() {
    if (!canRemoveStones()) return;
    --stoneShift_;
    for (int k = 1; k <= 6; ++k) {
        if (position_[k] > 0) --position_[k];
        if (position_[k + 7] > 0) --position_[k + 7];
    }
}

void Game::loadPosition(const Position& position, bool localGame) {
    position_ = position;
    if (localGame) sideToMove_ = kBottomSide;
}

}  // namespace pimra
