#include "media/WaveImage.h"

#include <algorithm>
#include <cmath>

namespace pimra::media {

namespace {

std::uint32_t readLe(const QByteArray& bytes, qsizetype at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

struct Chunk {
    qsizetype start = -1;  // first byte of the contents
    qsizetype size = 0;
};

// Finds a chunk of the RIFF image by its four-letter tag; a chunk that claims more bytes than
// the image holds is cut at its end.
Chunk findChunk(const QByteArray& image, const char* tag) {
    qsizetype at = 12;
    while (at + 8 <= image.size()) {
        const qsizetype size = readLe(image, at + 4, 4);
        if (image.mid(at, 4) == tag) {
            return {at + 8, std::min(size, image.size() - at - 8)};
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

std::vector<std::int16_t> readSamples(const QByteArray& image, Chunk data, int bits) {
    std::vector<std::int16_t> samples;
    if (bits == 8) {
        samples.reserve(data.size);
        for (qsizetype i = 0; i < data.size; ++i) {
            const int value = static_cast<unsigned char>(image[data.start + i]) - 128;
            samples.push_back(static_cast<std::int16_t>(value * 256));
        }
    } else {
        samples.reserve(data.size / 2);
        for (qsizetype i = 0; i + 1 < data.size; i += 2) {
            samples.push_back(static_cast<std::int16_t>(readLe(image, data.start + i, 2)));
        }
    }
    return samples;
}

}  // namespace

PcmSound decodeWave(const QByteArray& image, QString& error) {
    if (image.size() < 12 || image.first(4) != "RIFF" || image.mid(8, 4) != "WAVE") {
        error = QStringLiteral("not a RIFF WAVE image");
        return {};
    }
    const Chunk format = findChunk(image, "fmt ");
    if (format.start < 0 || format.size < 16) {
        error = QStringLiteral("no format chunk");
        return {};
    }
    const auto encoding = readLe(image, format.start, 2);
    const auto channels = static_cast<int>(readLe(image, format.start + 2, 2));
    const auto rate = static_cast<int>(readLe(image, format.start + 4, 4));
    const auto bits = static_cast<int>(readLe(image, format.start + 14, 2));
    if (encoding != 1 || (bits != 8 && bits != 16) || channels < 1 || channels > 8 || rate < 1000 ||
        rate > 384000) {
        error = QStringLiteral("not 8- or 16-bit PCM");
        return {};
    }
    const Chunk data = findChunk(image, "data");
    if (data.start < 0) {
        error = QStringLiteral("no data chunk");
        return {};
    }
    PcmSound sound{rate, channels, readSamples(image, data, bits)};
    sound.samples.resize(sound.samples.size() - sound.samples.size() % channels);
    return sound;
}

PcmSound convertPcm(const PcmSound& sound, int sampleRate, int channels) {
    PcmSound out{sampleRate, channels, {}};
    const int frames = sound.frameCount();
    if (frames == 0 || sampleRate <= 0 || channels <= 0) return out;
    std::vector<double> mono(frames);
    for (int f = 0; f < frames; ++f) {
        double sum = 0;
        for (int c = 0; c < sound.channels; ++c) sum += sound.samples[f * sound.channels + c];
        mono[f] = sum / sound.channels;
    }
    const auto outFrames =
        static_cast<int>(static_cast<long long>(frames) * sampleRate / sound.sampleRate);
    out.samples.reserve(static_cast<std::size_t>(outFrames) * channels);
    for (int f = 0; f < outFrames; ++f) {
        const double at = static_cast<double>(f) * sound.sampleRate / sampleRate;
        const int before = std::min(static_cast<int>(at), frames - 1);
        const int after = std::min(before + 1, frames - 1);
        const double value = mono[before] + (mono[after] - mono[before]) * (at - before);
        const auto sample = static_cast<std::int16_t>(std::lround(value));
        for (int c = 0; c < channels; ++c) out.samples.push_back(sample);
    }
    return out;
}

}  // namespace pimra::media
