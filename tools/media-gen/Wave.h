#pragma once

#include <cstdint>
#include <vector>

namespace media_gen {

// A complete RIFF WAVE image of mono PCM at `sampleRate`. Samples are in -1..1 and are
// clipped; 8-bit data is unsigned around 128, 16-bit data signed.
std::vector<std::uint8_t> encodeWave(const std::vector<double>& samples, int sampleRate,
                                     int bitsPerSample);

}  // namespace media_gen
