#include "SavedGame.h"

#include <array>
#include <cstdio>
#include <memory>

#include "Game.h"

namespace pimra {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

static_assert(kMostStonesOnBoard == (kStartStones + 2 * Game::kMaxStoneShift) * 2 * 6);

}  // namespace

const char* outcomeText(SaveOutcome outcome) {
    switch (outcome) {
        case SaveOutcome::Saved:
            return kSavedText;
        case SaveOutcome::TooManyStones:
            return kSaveTooManyStonesText;
        case SaveOutcome::BeyondLoad:
            return kSaveBeyondLoadText;
        case SaveOutcome::Failed:
            break;
    }
    return kSaveFailedText;
}

const char* outcomeText(LoadOutcome outcome) {
    switch (outcome) {
        case LoadOutcome::Loaded:
            return kLoadedText;
        case LoadOutcome::NotASavedGame:
            return kLoadNotAGameText;
        case LoadOutcome::NotOpened:
            break;
    }
    return kLoadFailedText;
}

SaveOutcome writeSavedGame(const std::string& path, const Position& position) {
    if (!position.fitsInBytes()) return SaveOutcome::TooManyStones;
    if (!isPlausibleSavedPosition(position)) return SaveOutcome::BeyondLoad;
    std::array<unsigned char, kSavedGameSize> bytes{};
    for (int i = 1; i <= kPitCount; ++i)
        bytes[static_cast<std::size_t>(i - 1)] = static_cast<unsigned char>(position[i]);

    std::FILE* raw = std::fopen(path.c_str(), "wb");
    if (raw == nullptr) return SaveOutcome::Failed;
    File file(raw);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const bool closed = std::fclose(file.release()) == 0;
    return written && closed ? SaveOutcome::Saved : SaveOutcome::Failed;
}

bool isPlausibleSavedPosition(const Position& position) {
    for (int i = 1; i <= kPitCount; ++i) {
        if (position[i] < 0 || position[i] > kMostStonesOnBoard) return false;
    }
    return position.total() <= kMostStonesOnBoard;
}

LoadedGame readSavedGame(const std::string& path) {
    File file(std::fopen(path.c_str(), "rb"));
    auto failed = [](LoadOutcome outcome) {
        return LoadedGame{std::nullopt, outcome, outcomeText(outcome)};
    };
    if (!file) return failed(LoadOutcome::NotOpened);
    std::array<unsigned char, kSavedGameSize> bytes{};
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        return failed(LoadOutcome::NotASavedGame);
    }
    Position position;
    for (int i = 1; i <= kPitCount; ++i) position[i] = bytes[static_cast<std::size_t>(i - 1)];
    if (!isPlausibleSavedPosition(position)) return failed(LoadOutcome::NotASavedGame);
    return {position, LoadOutcome::Loaded, kLoadedText};
}

}  // namespace pimra
