#pragma once

#include "MoveSounds.h"

namespace pimra {

// "Звуки ходов": the window's sounds reach the player only while it is on.
class SoundSwitch {
  public:
    // None: silence.
    void setSounds(MoveSounds* sounds) { sounds_ = sounds ? sounds : &silent_; }
    void setOn(bool on) { on_ = on; }
    bool on() const { return on_; }
    void play(MoveSound sound) {
        if (on_) sounds_->play(sound);
    }

  private:
    SilentMoveSounds silent_;
    MoveSounds* sounds_ = &silent_;
    bool on_ = true;
};

}  // namespace pimra
