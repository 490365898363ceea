#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace media_gen {

inline constexpr int kSampleRate = 11025;

struct Sound {
    std::string name;  // resource name, also the file name without ".wav"
    int bitsPerSample;
    std::vector<double> samples;  // -1..1
};

// The move sounds: "select" a short click of a stone (990 data bytes, 16-bit), "take" the
// stones lifted from a pit (8010 bytes, 16-bit) and "put" the thud of a capture (8838 bytes,
// 8-bit).
std::vector<Sound> makeSounds();

}  // namespace media_gen
