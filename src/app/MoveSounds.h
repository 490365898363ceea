#pragma once

namespace pimra {

// The three sounds of a move: a sown stone ("select"), the lifted stones ("take") and a
// capture ("put").
enum class MoveSound { Select, Take, Put };

// Plays move sounds without waiting; a new sound cuts off the one playing. The window calls
// it for every sound of a move and the implementation decides whether sound is on.
class MoveSounds {
  public:
    virtual ~MoveSounds() = default;
    virtual void play(MoveSound sound) = 0;
};

// Used until real playback is wired in, and by tests that do not listen.
class SilentMoveSounds : public MoveSounds {
  public:
    void play(MoveSound) override {}
};

}  // namespace pimra
