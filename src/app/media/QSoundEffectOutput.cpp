#include "media/QSoundEffectOutput.h"

#include "media/SoundLibrary.h"

namespace pimra::media {

namespace {

constexpr std::array<MoveSound, 3> kSounds{MoveSound::Select, MoveSound::Take, MoveSound::Put};

std::size_t slot(MoveSound sound) {
    return static_cast<std::size_t>(sound);
}

}  // namespace

QSoundEffectOutput::QSoundEffectOutput() {
    for (MoveSound sound : kSounds) {
        auto effect = std::make_unique<QSoundEffect>();
        effect->setSource(soundUrl(sound));
        effects_[slot(sound)] = std::move(effect);
    }
}

QSoundEffectOutput::~QSoundEffectOutput() = default;

QSoundEffect& QSoundEffectOutput::effect(MoveSound sound) const {
    return *effects_[slot(sound)];
}

void QSoundEffectOutput::start(MoveSound sound) {
    if (current_ != nullptr) {
        current_->stop();
    }
    current_ = &effect(sound);
    current_->play();
}

QSoundEffect::Status QSoundEffectOutput::status(MoveSound sound) const {
    return effect(sound).status();
}

}  // namespace pimra::media
