#include "Wave.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Bytes.h"

namespace media_gen {

std::vector<std::uint8_t> encodeWave(const std::vector<double>& samples, int sampleRate,
                                     int bitsPerSample) {
    if (bitsPerSample != 8 && bitsPerSample != 16) {
        throw std::invalid_argument("8 or 16 bits per sample");
    }
    const int bytesPerSample = bitsPerSample / 8;
    const auto dataLength =
        static_cast<std::uint32_t>(samples.size()) * static_cast<std::uint32_t>(bytesPerSample);
    const std::uint32_t pad = dataLength % 2;  // chunks are word aligned

    Bytes out;
    out.text("RIFF");
    out.u32(4 + (8 + 16) + (8 + dataLength + pad));
    out.text("WAVE");
    out.text("fmt ");
    out.u32(16);
    out.u16(1);  // PCM
    out.u16(1);  // mono
    out.u32(static_cast<std::uint32_t>(sampleRate));
    out.u32(static_cast<std::uint32_t>(sampleRate * bytesPerSample));
    out.u16(static_cast<std::uint16_t>(bytesPerSample));
    out.u16(static_cast<std::uint16_t>(bitsPerSample));
    out.text("data");
    out.u32(dataLength);
    for (double s : samples) {
        const double v = std::clamp(s, -1.0, 1.0);
        if (bitsPerSample == 8) {
            out.u8(static_cast<std::uint8_t>(std::lround(128.0 + v * 127.0)));
        } else {
            out.u16(
                static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767.0))));
        }
    }
    if (pad != 0) {
        out.u8(0);
    }
    return out.data();
}

}  // namespace media_gen
