#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace pimra::media {

// The samples of a sound as one audio stream plays them: interleaved signed 16-bit values at
// a fixed rate and channel count.
struct PcmSound {
    int sampleRate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;

    int frameCount() const {
        return channels > 0 ? static_cast<int>(samples.size()) / channels : 0;
    }
    bool operator==(const PcmSound&) const = default;
};

// Reads a RIFF WAVE image with uncompressed 8- or 16-bit PCM samples. `error` says why an
// image was refused; the result is then empty.
PcmSound decodeWave(const QByteArray& image, QString& error);

// The sound at another rate and channel count (linear interpolation; mono is copied to every
// channel, more channels are mixed down to their mean first).
PcmSound convertPcm(const PcmSound& sound, int sampleRate, int channels);

}  // namespace pimra::media
