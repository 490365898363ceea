#include "media/QtMoveSounds.h"

#include "media/QAudioSinkOutput.h"

namespace pimra::media {

QtMoveSounds::QtMoveSounds() : QtMoveSounds(std::make_unique<QAudioSinkOutput>()) {}

QtMoveSounds::QtMoveSounds(std::unique_ptr<SoundOutput> output) : output_(std::move(output)) {}

QtMoveSounds::~QtMoveSounds() = default;

void QtMoveSounds::play(MoveSound sound) {
    if (soundOn_ && output_ != nullptr) {
        output_->start(sound);
    }
}

}  // namespace pimra::media
