#include "Bitmap.h"

#include <stdexcept>

#include "Bytes.h"

namespace media_gen {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dpi

int rowBytes(int width, int bitsPerPixel) {
    int bits = width * bitsPerPixel;
    return ((bits + 31) / 32) * 4;
}

}  // namespace

Bitmap::Bitmap(int width, int height, int bitsPerPixel, std::vector<Rgb> palette)
    : width_(width), height_(height), bitsPerPixel_(bitsPerPixel), palette_(std::move(palette)) {
    if (bitsPerPixel == 24) {
        colors_.resize(static_cast<std::size_t>(width * height));
        return;
    }
    if ((bitsPerPixel != 4 && bitsPerPixel != 8) ||
        palette_.size() != (std::size_t{1} << bitsPerPixel)) {
        throw std::invalid_argument("a palette bitmap needs a full palette");
    }
    indices_.resize(static_cast<std::size_t>(width * height));
}

void Bitmap::setIndex(int x, int y, int index) {
    if (index < 0 || index >= static_cast<int>(palette_.size())) {
        throw std::out_of_range("palette index");
    }
    indices_.at(static_cast<std::size_t>(y * width_ + x)) = index;
}

void Bitmap::setColor(int x, int y, Rgb color) {
    colors_.at(static_cast<std::size_t>(y * width_ + x)) = color;
}

std::vector<std::uint8_t> Bitmap::encode() const {
    const int stride = rowBytes(width_, bitsPerPixel_);
    const auto imageSize = static_cast<std::uint32_t>(stride * height_);
    const auto paletteSize = static_cast<std::uint32_t>(palette_.size() * 4);
    const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize + paletteSize;

    Bytes out;
    out.text("BM");
    out.u32(offset + imageSize);
    out.u32(0);
    out.u32(offset);

    out.u32(kInfoHeaderSize);
    out.u32(static_cast<std::uint32_t>(width_));
    out.u32(static_cast<std::uint32_t>(height_));  // positive: rows stored bottom-up
    out.u16(1);
    out.u16(static_cast<std::uint16_t>(bitsPerPixel_));
    out.u32(0);  // BI_RGB, no compression
    out.u32(imageSize);
    out.u32(kPixelsPerMetre);
    out.u32(kPixelsPerMetre);
    out.u32(static_cast<std::uint32_t>(palette_.size()));
    out.u32(0);

    for (const Rgb& c : palette_) {
        out.u8(c.b);
        out.u8(c.g);
        out.u8(c.r);
        out.u8(0);
    }

    for (int y = height_ - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(stride), 0);
        for (int x = 0; x < width_; ++x) {
            const auto at = static_cast<std::size_t>(y * width_ + x);
            if (bitsPerPixel_ == 24) {
                const Rgb& c = colors_[at];
                row[static_cast<std::size_t>(x * 3)] = c.b;
                row[static_cast<std::size_t>(x * 3 + 1)] = c.g;
                row[static_cast<std::size_t>(x * 3 + 2)] = c.r;
            } else if (bitsPerPixel_ == 8) {
                row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(indices_[at]);
            } else {
                // Two pixels a byte, the left one in the high nibble.
                const auto nibble = static_cast<std::uint8_t>(indices_[at] & 0x0F);
                row[static_cast<std::size_t>(x / 2)] |= (x % 2 == 0) ? (nibble << 4) : nibble;
            }
        }
        out.append(row);
    }
    return out.data();
}

}  // namespace media_gen
