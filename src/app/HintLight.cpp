#include "HintLight.h"

#include "BoardPits.h"
#include "online/PlayState.h"

namespace pimra {

HintLight::HintLight(BoardPits& pits, online::PlayState& state) : pits_(pits), state_(state) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &HintLight::end);
}

void HintLight::show() {
    const int index = state_.hintPit();
    if (index == 0) return;
    pits_.lightHint(index);
    state_.setHint(true);
    timer_.start(duration_);
}

void HintLight::end() {
    timer_.stop();
    state_.setHint(false);
    pits_.endHint();
}

}  // namespace pimra
