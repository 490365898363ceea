#pragma once

namespace pimra::online {

// The board as the window draws it. Turned, it is seen from the top player's side: that row
// runs along the bottom, left to right, with its store on the right, and the other row above.
// The game and the server keep numbering the pits as always.

// The place (as an unturned board numbers its pits) where pit `pit` is drawn.
int ShownPlace(int pit, bool turned);
// The pit that the digit key `digit` (1..6) plays: the bottom row's pits from the left.
// 0 for any other digit.
int PitForDigit(int digit, bool turned);

}  // namespace pimra::online
