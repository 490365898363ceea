#include "SavedGame.h"

#include <array>
#include <cstdio>
#include <memory>

namespace pimra {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

std::string writeSavedGame(const std::string& path, const Position& position) {
    if (!position.fitsInBytes()) return kSaveTooManyStonesText;
    std::array<unsigned char, kSavedGameSize> bytes{};
    for (int i = 1; i <= kPitCount; ++i)
        bytes[static_cast<std::size_t>(i - 1)] = static_cast<unsigned char>(position[i]);

    std::FILE* raw = std::fopen(path.c_str(), "wb");
    if (raw == nullptr) return kSaveFailedText;
    File file(raw);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const bool closed = std::fclose(file.release()) == 0;
    return written && closed ? kSavedText : kSaveFailedText;
}

LoadedGame readSavedGame(const std::string& path) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) return {std::nullopt, kLoadFailedText};
    std::array<unsigned char, kSavedGameSize> bytes{};
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        return {std::nullopt, kLoadTooShortText};
    }
    Position position;
    for (int i = 1; i <= kPitCount; ++i) position[i] = bytes[static_cast<std::size_t>(i - 1)];
    return {position, kLoadedText};
}

}  // namespace pimra
