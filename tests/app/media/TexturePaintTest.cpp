// Tiling of the background as the window paints it.
#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>

#include "media/TextureLibrary.h"

namespace pimra::media {
namespace {

const QColor kUntouched(255, 0, 255);

// Paints into an area larger than any tiling can reach, so that the bound shows.
QImage paintBackground(int index, QSize outer, QPoint origin = {}) {
    QImage image(1000, 700, QImage::Format_RGB32);
    image.fill(kUntouched);
    QPainter painter(&image);
    painter.translate(origin);
    paintTexture(painter, index, outer);
    return image;
}

int tilesNeeded(int length, int tile) {
    return (length + tile - 1) / tile;
}

TEST(PaintTexture, TilesFromTheTopLeftCornerUpToTheWindowsOuterSize) {
    for (QSize outer : {QSize(730, 420), QSize(880, 420)}) {
        for (int index = 1; index <= kTextureCount; ++index) {
            SCOPED_TRACE(
                QStringLiteral("texture %1, width %2").arg(index).arg(outer.width()).toStdString());
            const QImage tile = loadTexture(index).convertToFormat(QImage::Format_RGB32);
            const int w = tile.width();
            const int h = tile.height();
            const QImage image = paintBackground(index, outer);
            const int right = tilesNeeded(outer.width(), w) * w;
            const int bottom = tilesNeeded(outer.height(), h) * h;

            for (QPoint p : {QPoint(0, 0), QPoint(w - 1, h - 1), QPoint(w / 2, h / 3)}) {
                EXPECT_EQ(image.pixel(p), tile.pixel(p));
                EXPECT_EQ(image.pixel(p + QPoint(w, 0)), tile.pixel(p)) << "wraps at w";
                EXPECT_EQ(image.pixel(p + QPoint(0, h)), tile.pixel(p)) << "wraps at h";
                EXPECT_EQ(image.pixel(p + QPoint(right - w, bottom - h)), tile.pixel(p));
            }
            // The last tile of a row or column starts inside the outer size and may reach past
            // it; the next one would start outside and is not drawn.
            EXPECT_EQ(image.pixel(right - 1, 0), tile.pixel(w - 1, 0));
            EXPECT_EQ(image.pixel(right, 0), kUntouched.rgb());
            EXPECT_EQ(image.pixel(0, bottom - 1), tile.pixel(0, h - 1));
            EXPECT_EQ(image.pixel(0, bottom), kUntouched.rgb());
            EXPECT_GE(right, outer.width());
            EXPECT_GE(bottom, outer.height());
        }
    }
}

TEST(PaintTexture, FollowsThePaintersOriginAsTheClientAreasCorner) {
    const QImage tile = loadTexture(2).convertToFormat(QImage::Format_RGB32);
    const QImage image = paintBackground(2, QSize(730, 420), QPoint(5, 7));
    EXPECT_EQ(image.pixel(4, 7), kUntouched.rgb());
    EXPECT_EQ(image.pixel(5, 6), kUntouched.rgb());
    EXPECT_EQ(image.pixel(5, 7), tile.pixel(0, 0));
    EXPECT_EQ(image.pixel(45, 47), tile.pixel(0, 0));
}

TEST(PaintTexture, DrawsNothingForAnIndexWithoutTexture) {
    for (int index : {0, 9, -1, 255}) {
        QImage image(40, 40, QImage::Format_RGB32);
        image.fill(kUntouched);
        QPainter painter(&image);
        EXPECT_FALSE(paintTexture(painter, index, QSize(730, 420)));
        painter.end();
        EXPECT_EQ(image.pixel(0, 0), kUntouched.rgb());
    }
}

TEST(PaintTexture, DrawsNothingForAnEmptyWindow) {
    const QImage image = paintBackground(1, QSize(0, 0));
    EXPECT_EQ(image.pixel(0, 0), kUntouched.rgb());
}

}  // namespace
}  // namespace pimra::media
