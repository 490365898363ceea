// Reading the embedded WAVE images and the endless stream the audio output pulls from.
#include <gtest/gtest.h>
#include <QtEndian>
#include <cstring>

#include "media/SoundStream.h"
#include "media/WaveImage.h"

namespace pimra::media {
namespace {

QByteArray le(std::uint32_t value, int width) {
    QByteArray bytes;
    for (int i = 0; i < width; ++i) bytes.append(static_cast<char>(value >> (8 * i) & 0xff));
    return bytes;
}

QByteArray chunk(const char* tag, const QByteArray& body) {
    QByteArray bytes = QByteArray(tag) + le(static_cast<std::uint32_t>(body.size()), 4) + body;
    if (body.size() % 2 != 0) bytes.append('\0');
    return bytes;
}

QByteArray formatChunk(int encoding, int channels, int rate, int bits) {
    const int frame = channels * bits / 8;
    return chunk("fmt ", le(encoding, 2) + le(channels, 2) + le(rate, 4) + le(rate * frame, 4) +
                             le(frame, 2) + le(bits, 2));
}

QByteArray riff(const QByteArray& chunks) {
    return "RIFF" + le(static_cast<std::uint32_t>(chunks.size() + 4), 4) + "WAVE" + chunks;
}

TEST(WaveImage, ReadsSixteenAndEightBitSamplesPastOtherChunks) {
    QString error;
    const QByteArray sixteen = le(0x1234, 2) + le(0xfffe, 2) + le(0x8000, 2);
    // An odd-sized chunk before the data is padded to an even length.
    const PcmSound a = decodeWave(
        riff(formatChunk(1, 1, 11025, 16) + chunk("LIST", "abc") + chunk("data", sixteen)), error);
    EXPECT_EQ(a, (PcmSound{11025, 1, {0x1234, -2, -32768}})) << error.toStdString();

    const PcmSound b = decodeWave(
        riff(formatChunk(1, 1, 8000, 8) + chunk("data", QByteArray("\x80\xff\x00", 3))), error);
    EXPECT_EQ(b, (PcmSound{8000, 1, {0, 127 * 256, -128 * 256}}));

    // Stereo keeps whole frames only.
    const PcmSound c = decodeWave(
        riff(formatChunk(1, 2, 22050, 16) + chunk("data", le(1, 2) + le(2, 2) + le(3, 2))), error);
    EXPECT_EQ(c.samples, (std::vector<std::int16_t>{1, 2}));
    EXPECT_EQ(c.frameCount(), 1);
}

TEST(WaveImage, RefusesWhatItCannotPlayWithoutReadingPastTheEnd) {
    const QByteArray data = chunk("data", le(7, 2));
    const QByteArray refused[] = {
        QByteArray(),
        QByteArray("RIFF"),
        riff(formatChunk(3, 1, 11025, 32) + data),  // float samples
        riff(formatChunk(1, 1, 11025, 24) + data),  // 24-bit
        riff(formatChunk(1, 0, 11025, 16) + data),  // no channels
        riff(formatChunk(1, 1, 0, 16) + data),      // no rate
        riff(data),                                 // no format
        riff(formatChunk(1, 1, 11025, 16)),         // no data
        riff(chunk("fmt ", le(1, 2) + le(1, 2))),   // format cut short
        riff(formatChunk(1, 1, 11025, 16)).replace("WAVE", "AVI "),
    };
    for (const QByteArray& image : refused) {
        QString error;
        const PcmSound sound = decodeWave(image, error);
        EXPECT_TRUE(sound.samples.empty()) << image.toHex().toStdString();
        EXPECT_FALSE(error.isEmpty()) << image.toHex().toStdString();
    }

    // A data chunk that claims more than the image holds gives what is there.
    QString error;
    QByteArray image = riff(formatChunk(1, 1, 11025, 16) + "data" + le(1000, 4) + le(5, 2));
    EXPECT_EQ(decodeWave(image, error).samples, std::vector<std::int16_t>{5});
    // A chunk size that runs past the end ends the search instead of wrapping around.
    image = riff("junk" + le(0xfffffff0u, 4) + formatChunk(1, 1, 11025, 16) + data);
    EXPECT_TRUE(decodeWave(image, error).samples.empty());
}

TEST(WaveImage, ConvertsRateAndChannels) {
    const PcmSound mono{1000, 1, {0, 100, 200, 300}};
    EXPECT_EQ(convertPcm(mono, 1000, 1), mono) << "the same format is copied exactly";
    EXPECT_EQ(convertPcm(mono, 2000, 2).samples,
              (std::vector<std::int16_t>{0, 0, 50, 50, 100, 100, 150, 150, 200, 200, 250, 250, 300,
                                         300, 300, 300}));
    EXPECT_EQ(convertPcm(mono, 500, 1).samples, (std::vector<std::int16_t>{0, 200}));
    const PcmSound stereo{1000, 2, {-100, 100, 32767, 32767}};
    EXPECT_EQ(convertPcm(stereo, 1000, 1).samples, (std::vector<std::int16_t>{0, 32767}));
    EXPECT_TRUE(convertPcm(PcmSound{}, 44100, 2).samples.empty());
}

std::vector<std::int16_t> pull(SoundStream& stream, qint64 bytes) {
    QByteArray raw(bytes, '\x55');
    const qint64 got = stream.read(raw.data(), bytes);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(got / 2));
    if (!samples.empty()) std::memcpy(samples.data(), raw.data(), samples.size() * 2);
    return samples;
}

TEST(SoundStream, PlaysTheRestOfTheLastSoundThenSilenceForever) {
    SoundStream stream(1);
    ASSERT_TRUE(stream.isOpen());
    EXPECT_EQ(pull(stream, 6), (std::vector<std::int16_t>{0, 0, 0})) << "silence before a sound";
    EXPECT_GT(stream.bytesAvailable(), 1 << 20);

    const auto first =
        std::make_shared<const std::vector<std::int16_t>>(std::vector<std::int16_t>{1, 2, 3, 4, 5});
    stream.play(first);
    EXPECT_EQ(pull(stream, 4), (std::vector<std::int16_t>{1, 2}));
    // A new sound replaces what is left of the first, from its own beginning.
    const auto second =
        std::make_shared<const std::vector<std::int16_t>>(std::vector<std::int16_t>{9, 8});
    stream.play(second);
    EXPECT_EQ(pull(stream, 8), (std::vector<std::int16_t>{9, 8, 0, 0}));
    EXPECT_EQ(pull(stream, 4), (std::vector<std::int16_t>{0, 0}));
    stream.play(first);
    EXPECT_EQ(pull(stream, 10), (std::vector<std::int16_t>{1, 2, 3, 4, 5}));
    stream.play(nullptr);
    EXPECT_EQ(pull(stream, 2), (std::vector<std::int16_t>{0}));
}

TEST(SoundStream, GivesWholeFramesOnly) {
    SoundStream stream(2);
    ASSERT_TRUE(stream.isOpen());
    stream.play(std::make_shared<const std::vector<std::int16_t>>(
        std::vector<std::int16_t>{1, -1, 2, -2, 3, -3}));
    EXPECT_EQ(pull(stream, 7), (std::vector<std::int16_t>{1, -1})) << "7 bytes hold one frame";
    EXPECT_EQ(pull(stream, 3), (std::vector<std::int16_t>{}));
    EXPECT_EQ(pull(stream, 12), (std::vector<std::int16_t>{2, -2, 3, -3, 0, 0}));
}

}  // namespace
}  // namespace pimra::media
