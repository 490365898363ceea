#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace media_gen {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

// An uncompressed Windows bitmap in the making. Palette images (4 or 8 bits per pixel) keep
// one palette index per pixel; 24-bit images keep the colours themselves.
class Bitmap {
  public:
    Bitmap(int width, int height, int bitsPerPixel, std::vector<Rgb> palette = {});

    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerPixel() const { return bitsPerPixel_; }

    void setIndex(int x, int y, int index);
    void setColor(int x, int y, Rgb color);

    // The complete file: BITMAPFILEHEADER, BITMAPINFOHEADER, palette and bottom-up rows.
    std::vector<std::uint8_t> encode() const;

  private:
    int width_;
    int height_;
    int bitsPerPixel_;
    std::vector<Rgb> palette_;
    std::vector<int> indices_;
    std::vector<Rgb> colors_;
};

}  // namespace media_gen
