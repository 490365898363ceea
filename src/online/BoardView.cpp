#include "online/BoardView.h"

#include "core/Position.h"

namespace pimra::online {

namespace {

constexpr int kHalfBoard = kPitCount / 2;

}  // namespace

int ShownPlace(int pit, bool turned) {
    if (!turned || !Position::isValidIndex(pit)) return pit;
    // Half a turn of the ring of fourteen places.
    return (pit + kHalfBoard - 1) % kPitCount + 1;
}

int PitForDigit(int digit, bool turned) {
    if (digit < 1 || digit > 6) return 0;
    return turned ? digit + kHalfBoard : digit;
}

}  // namespace pimra::online
