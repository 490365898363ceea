#pragma once

#include <memory>

#include "MoveSounds.h"
#include "media/SoundOutput.h"

namespace pimra::media {

// `Play1` to `Play3`: the move sounds of the window, played only while `SoundOn` (the check
// mark of "Звуки ходов") is set.
class QtMoveSounds : public MoveSounds {
  public:
    // Plays through Qt Multimedia.
    QtMoveSounds();
    explicit QtMoveSounds(std::unique_ptr<SoundOutput> output);
    ~QtMoveSounds() override;

    void play(MoveSound sound) override;

    bool soundOn() const { return soundOn_; }
    void setSoundOn(bool on) { soundOn_ = on; }

  private:
    std::unique_ptr<SoundOutput> output_;
    bool soundOn_ = true;
};

}  // namespace pimra::media
