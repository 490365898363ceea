#include "MoveChooser.h"

#include "Levels.h"

namespace pimra {

void LevelMoveChooser::choose(const Position& position, int level, Answer answer) {
    answer(ChooseComputerMove(position, level, random_));
}

}  // namespace pimra
