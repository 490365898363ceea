#pragma once

namespace pimra {

// A pause of the animation: paint and timer events go on, user input waits until the pause is
// over (it reaches the window at the next point that lets it through, where `Busy` refuses it).
void pauseWithoutInput(int milliseconds);

// Lets every pending event run, user input included.
void runPendingEvents();

}  // namespace pimra
