#pragma once

#include <QSoundEffect>
#include <array>
#include <memory>

#include "media/SoundOutput.h"

namespace pimra::media {

// Plays the embedded WAVE images through Qt Multimedia. The images are decoded once, in the
// background, so starting a sound does not wait for anything. Without an audio device the
// effects stay silent and report nothing.
class QSoundEffectOutput : public SoundOutput {
  public:
    QSoundEffectOutput();
    ~QSoundEffectOutput() override;

    void start(MoveSound sound) override;

    QSoundEffect::Status status(MoveSound sound) const;

  private:
    QSoundEffect& effect(MoveSound sound) const;

    std::array<std::unique_ptr<QSoundEffect>, 3> effects_;
    QSoundEffect* current_ = nullptr;
};

}  // namespace pimra::media
