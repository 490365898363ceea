#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QPainter;

namespace pimra::media {

inline constexpr int kTextureCount = 8;
inline constexpr int kDefaultBackground = 1;

// One background of the "Фон" menu, numbered as `BackgroundIndex`.
struct TextureInfo {
    int index;
    const char* resourceName;
    const char* caption;  // menu text, UTF-8
    int width;
    int height;
    int bitsPerPixel;
};

// The texture with this `BackgroundIndex` (1..8), or nullptr.
const TextureInfo* textureInfo(int backgroundIndex);

// Resource path of the embedded bitmap; empty for an index outside 1..8.
QString texturePath(int backgroundIndex);

// The bitmap, loaded afresh from the program's resources; a null image when the index is
// outside 1..8 or the resource cannot be read.
QImage loadTexture(int backgroundIndex);

// `SetFon`: tiles the texture from the painter's origin (the client area's top-left corner),
// column by column, drawing a tile at (w·x, h·y) for x, y in 0..50 while w·x is less than the
// outer width and h·y less than the outer height of the window. The window calls it from its
// paint handler. Returns false, drawing nothing, when there is no such texture.
bool paintTexture(QPainter& painter, int backgroundIndex, QSize windowOuterSize);

}  // namespace pimra::media
