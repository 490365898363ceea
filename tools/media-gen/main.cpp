// Writes the background textures (NAME.bmp) and move sounds (name.wav) into the directory
// given as the only argument. The output is the same on every run.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Sounds.h"
#include "Textures.h"
#include "Wave.h"

namespace {

bool writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "media-gen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "media-gen: cannot create %s: %s\n", dir.c_str(),
                     error.message().c_str());
        return 1;
    }
    bool ok = true;
    for (const auto& texture : media_gen::makeTextures()) {
        ok = writeFile(dir / (texture.name + ".bmp"), texture.bitmap.encode()) && ok;
    }
    for (const auto& sound : media_gen::makeSounds()) {
        ok = writeFile(dir / (sound.name + ".wav"),
                       media_gen::encodeWave(sound.samples, media_gen::kSampleRate,
                                             sound.bitsPerSample)) &&
             ok;
    }
    return ok ? 0 : 1;
}
