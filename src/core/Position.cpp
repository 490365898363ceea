#include "Position.h"

namespace pimra {

Position Position::start() {
    Position p;
    for (int i = 1; i <= kPitCount; ++i) p[i] = isStore(i) ? 0 : kStartStones;
    return p;
}

int Position::rowSum(Side side) const {
    int sum = 0;
    const int first = firstPitOf(side);
    for (int i = first; i < first + 6; ++i) sum += (*this)[i];
    return sum;
}

int Position::total() const {
    int sum = 0;
    for (int count : stones_) sum += count;
    return sum;
}

bool Position::fitsInBytes() const {
    for (int count : stones_) {
        if (count < 0 || count > 255) return false;
    }
    return true;
}

bool canPlayPit(const Position& position, int index) {
    return Position::isValidIndex(index) && !Position::isStore(index) && position[index] > 0;
}

}  // namespace pimra
