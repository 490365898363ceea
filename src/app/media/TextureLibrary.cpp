#include "media/TextureLibrary.h"

#include <QPainter>
#include <array>

namespace pimra::media {

namespace {

// The bound keeps even the smallest texture (30 × 32) well past the widest window.
constexpr int kMaxTiles = 51;

constexpr std::array<TextureInfo, kTextureCount> kTextures{{
    {1, "GROUND", "Земля", 96, 96, 4},
    {2, "WALL", "Стена", 40, 40, 8},
    {3, "PUZIRI", "Пузыри", 64, 64, 4},
    {4, "PLITKA", "Плитка", 32, 32, 4},
    {5, "SINEVA", "Синева", 50, 50, 4},
    {6, "POLOSKI", "Полоски", 30, 32, 4},
    {7, "RELEF", "Рельеф", 54, 96, 4},
    {8, "GREEN", "Зеленый", 100, 100, 24},
}};

}  // namespace

const TextureInfo* textureInfo(int backgroundIndex) {
    if (backgroundIndex < 1 || backgroundIndex > kTextureCount) {
        return nullptr;
    }
    return &kTextures[static_cast<std::size_t>(backgroundIndex - 1)];
}

QString texturePath(int backgroundIndex) {
    const TextureInfo* info = textureInfo(backgroundIndex);
    if (info == nullptr) {
        return {};
    }
    return QStringLiteral(":/textures/") + QLatin1String(info->resourceName);
}

QImage loadTexture(int backgroundIndex) {
    const QString path = texturePath(backgroundIndex);
    if (path.isEmpty()) {
        return {};
    }
    return QImage(path, "BMP");
}

bool paintTexture(QPainter& painter, int backgroundIndex, QSize windowOuterSize) {
    const QImage loaded = loadTexture(backgroundIndex);
    if (loaded.isNull()) {
        return false;
    }
    // Converted once, not in each of the up to 51 × 51 draws.
    const QImage tile = loaded.convertToFormat(QImage::Format_RGB32);
    const int w = tile.width();
    const int h = tile.height();
    for (int x = 0; x < kMaxTiles; ++x) {
        for (int y = 0; y < kMaxTiles; ++y) {
            if (w * x < windowOuterSize.width() && h * y < windowOuterSize.height()) {
                painter.drawImage(w * x, h * y, tile);
            }
        }
    }
    return true;
}

}  // namespace pimra::media
