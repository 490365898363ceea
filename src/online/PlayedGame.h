#pragma once

#include "online/Effects.h"

namespace pimra::online {

// The game being played, local or at a table: the window hands it the user's clicks and the
// end of each animation, and does what the effects say.
class PlayedGame {
  public:
    virtual ~PlayedGame() = default;

    // A click on `pit` (or its digit key).
    virtual Effects click(int pit) = 0;
    // The move handed out in `Effects::animate` is on the screen.
    virtual Effects animationDone() = 0;
    // A turn, an exchange or a replay of its own is under way.
    virtual bool busy() const = 0;
};

}  // namespace pimra::online
