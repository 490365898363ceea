// The embedded textures and sounds, checked byte by byte as the program carries them.
#include <gtest/gtest.h>
#include <QFile>
#include <QImage>
#include <QtEndian>

#include "media/SoundLibrary.h"
#include "media/TextureLibrary.h"

namespace pimra::media {
namespace {

QByteArray resourceBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

std::uint16_t u16(const QByteArray& b, int at) {
    return qFromLittleEndian<std::uint16_t>(b.constData() + at);
}
std::uint32_t u32(const QByteArray& b, int at) {
    return qFromLittleEndian<std::uint32_t>(b.constData() + at);
}
std::int32_t s32(const QByteArray& b, int at) {
    return qFromLittleEndian<std::int32_t>(b.constData() + at);
}

struct Expected {
    const char* name;
    int width;
    int height;
    int bits;
};

constexpr Expected kTextureTable[] = {
    {"GROUND", 96, 96, 4}, {"WALL", 40, 40, 8},    {"PUZIRI", 64, 64, 4}, {"PLITKA", 32, 32, 4},
    {"SINEVA", 50, 50, 4}, {"POLOSKI", 30, 32, 4}, {"RELEF", 54, 96, 4},  {"GREEN", 100, 100, 24},
};

TEST(TextureResources, AreUncompressedBitmapsOfTheListedSizeAndDepth) {
    for (int index = 1; index <= kTextureCount; ++index) {
        const Expected& want = kTextureTable[index - 1];
        SCOPED_TRACE(want.name);
        ASSERT_EQ(texturePath(index), QStringLiteral(":/textures/") + QLatin1String(want.name));
        const QByteArray b = resourceBytes(texturePath(index));
        ASSERT_GE(b.size(), 54);
        EXPECT_EQ(b.left(2), "BM");
        EXPECT_EQ(u32(b, 2), static_cast<std::uint32_t>(b.size()));
        EXPECT_EQ(u32(b, 14), 40u) << "BITMAPINFOHEADER";
        EXPECT_EQ(s32(b, 18), want.width);
        EXPECT_EQ(s32(b, 22), want.height);
        EXPECT_EQ(u16(b, 26), 1);
        EXPECT_EQ(u16(b, 28), want.bits);
        EXPECT_EQ(u32(b, 30), 0u) << "BI_RGB";
        const std::uint32_t colours = want.bits == 24 ? 0u : (1u << want.bits);
        EXPECT_EQ(u32(b, 46), colours);
        const int stride = ((want.width * want.bits + 31) / 32) * 4;
        EXPECT_EQ(u32(b, 10), 54u + 4u * colours);
        EXPECT_EQ(u32(b, 34), static_cast<std::uint32_t>(stride * want.height));
        EXPECT_EQ(b.size(), static_cast<qsizetype>(54 + 4 * colours + stride * want.height));

        const TextureInfo* info = textureInfo(index);
        ASSERT_NE(info, nullptr);
        EXPECT_STREQ(info->resourceName, want.name);
        EXPECT_EQ(loadTexture(index).size(), QSize(want.width, want.height));
    }
    EXPECT_EQ(textureInfo(0), nullptr);
    EXPECT_EQ(textureInfo(9), nullptr);
    EXPECT_TRUE(loadTexture(9).isNull());
}

// White pits and green stones have to stand out: no texture may be close to white.
TEST(TextureResources, AreDarkEnoughForWhitePits) {
    for (int index = 1; index <= kTextureCount; ++index) {
        SCOPED_TRACE(index);
        const QImage image = loadTexture(index).convertToFormat(QImage::Format_RGB32);
        double sum = 0;
        int brightest = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const int grey = qGray(image.pixel(x, y));
                sum += grey;
                brightest = std::max(brightest, grey);
            }
        }
        const double mean = sum / (image.width() * image.height());
        EXPECT_GT(mean, 35.0);
        EXPECT_LT(mean, 150.0);
        EXPECT_LT(brightest, 240);
    }
}

struct ExpectedSound {
    MoveSound sound;
    const char* name;
    int bits;
    std::uint32_t dataLength;
};

TEST(SoundResources, AreRiffWavesOfTheListedFormatAndLength) {
    const ExpectedSound table[] = {{MoveSound::Select, "select", 16, 990},
                                   {MoveSound::Take, "take", 16, 8010},
                                   {MoveSound::Put, "put", 8, 8838}};
    for (const ExpectedSound& want : table) {
        SCOPED_TRACE(want.name);
        EXPECT_EQ(soundName(want.sound), QLatin1String(want.name));
        const QByteArray b = resourceBytes(soundPath(QString::fromLatin1(want.name)));
        ASSERT_GE(b.size(), 44);
        EXPECT_EQ(b.left(4), "RIFF");
        EXPECT_EQ(u32(b, 4), static_cast<std::uint32_t>(b.size() - 8));
        EXPECT_EQ(b.mid(8, 4), "WAVE");
        EXPECT_EQ(b.mid(12, 4), "fmt ");
        EXPECT_EQ(u32(b, 16), 16u);
        EXPECT_EQ(u16(b, 20), 1) << "PCM";
        EXPECT_EQ(u16(b, 22), 1) << "mono";
        EXPECT_EQ(u32(b, 24), 11025u);
        EXPECT_EQ(u32(b, 28), 11025u * static_cast<std::uint32_t>(want.bits / 8));
        EXPECT_EQ(u16(b, 32), want.bits / 8);
        EXPECT_EQ(u16(b, 34), want.bits);
        EXPECT_EQ(b.mid(36, 4), "data");
        EXPECT_EQ(u32(b, 40), want.dataLength);
        EXPECT_EQ(b.size(), static_cast<qsizetype>(44 + want.dataLength));
    }
}

TEST(SoundResources, AreNotSilentAndFadeOutWithoutACrack) {
    for (const char* name : {"select", "take", "put"}) {
        SCOPED_TRACE(name);
        const QByteArray b = resourceBytes(soundPath(QString::fromLatin1(name)));
        ASSERT_GE(b.size(), 46);
        const int bits = u16(b, 34);
        const QByteArray data = b.mid(44);
        auto sample = [&](qsizetype i) {
            return bits == 16 ? qFromLittleEndian<std::int16_t>(data.constData() + 2 * i) / 32768.0
                              : (static_cast<unsigned char>(data[i]) - 128) / 128.0;
        };
        const qsizetype count = bits == 16 ? data.size() / 2 : data.size();
        double peak = 0;
        for (qsizetype i = 0; i < count; ++i) {
            peak = std::max(peak, std::abs(sample(i)));
        }
        EXPECT_GT(peak, 0.2);
        EXPECT_LE(peak, 1.0);
        EXPECT_LT(std::abs(sample(count - 1)), 0.02);
    }
}

TEST(SoundResources, AreFoundByNameRegardlessOfCase) {
    EXPECT_EQ(soundPath(u"select"), QStringLiteral(":/sounds/SELECT"));
    EXPECT_EQ(soundPath(u"SELECT"), soundPath(u"Select"));
    EXPECT_EQ(soundPath(u"tAkE"), QStringLiteral(":/sounds/TAKE"));
    EXPECT_EQ(soundPath(u"put"), QStringLiteral(":/sounds/PUT"));
    EXPECT_TRUE(soundPath(u"click").isEmpty());
    EXPECT_TRUE(soundPath(u"").isEmpty());
    EXPECT_TRUE(soundPath(u"selec").isEmpty());
    EXPECT_EQ(soundUrl(MoveSound::Put), QUrl(QStringLiteral("qrc:/sounds/PUT")));
}

}  // namespace
}  // namespace pimra::media
