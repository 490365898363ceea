#pragma once

#include <string>
#include <vector>

#include "Bitmap.h"

namespace media_gen {

struct Texture {
    std::string name;  // resource name, also the file name without ".bmp"
    Bitmap bitmap;
};

// The eight background textures in menu order: earth, brick wall, bubbles, tiles, blue,
// stripes, relief and green. Each tiles without seams and stays muted so that white pits and
// green stones stand out on it.
std::vector<Texture> makeTextures();

}  // namespace media_gen
