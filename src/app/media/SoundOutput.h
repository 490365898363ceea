#pragma once

#include "MoveSounds.h"

namespace pimra::media {

// Where QtMoveSounds sends a sound once it has decided to play it; tests put a recorder here.
class SoundOutput {
  public:
    virtual ~SoundOutput() = default;
    // Starts the sound and returns at once; a sound still playing is cut off.
    virtual void start(MoveSound sound) = 0;
};

}  // namespace pimra::media
