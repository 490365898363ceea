#pragma once

#include <initializer_list>
#include <random>

#include <utility>

#include "core/Move.h"
#include "core/Position.h"
#include "core/SearchBoard.h"

namespace pimra::test {

// Builds a board from the bottom pits 1..6, store 7, the top pits 8..13 and store 14.
inline Position board(std::initializer_list<int> bottom, int store7, std::initializer_list<int> top,
                      int store14) {
    Position p;
    int i = 1;
    for (int n : bottom) p[i++] = n;
    p[7] = store7;
    i = 8;
    for (int n : top) p[i++] = n;
    p[14] = store14;
    return p;
}

inline SearchPosition search(std::initializer_list<int> bottom, int store7,
                             std::initializer_list<int> top, int store14) {
    return SearchPosition::fromBoard(board(bottom, store7, top, store14));
}

// `stones` stones dropped at random into the pits and the top store, none into the bottom
// store (which the tests set themselves).
inline Position scatteredStones(std::mt19937& random, int stones) {
    Position p;
    for (int s = 0; s < stones; ++s) {
        int pit = 0;
        do pit = 1 + static_cast<int>(random() % 13);
        while (pit == kBottomStore);
        ++p[pit];
    }
    return p;
}

// The start with `perPit` stones in each pit and empty stores.
inline Position startWith(int perPit) {
    Position p;
    for (int i = 1; i <= kPitCount; ++i) p[i] = Position::isStore(i) ? 0 : perPit;
    return p;
}

// A position of random play from the start with `perPit` stones in each pit.
inline std::pair<Position, Side> randomPlay(std::mt19937& random, int perPit, int plies) {
    Position p = startWith(perPit);
    Side side = Side::Bottom;
    for (int ply = 0; ply < plies; ++ply) {
        int pit = 0;
        do pit = Position::firstPitOf(side) + static_cast<int>(random() % 6);
        while (p[pit] == 0);
        const MoveResult move = playMove(p, side, pit);
        if (move.gameOver) break;
        p = move.position;
        side = move.sideToMove;
    }
    return {p, side};
}

}  // namespace pimra::test
