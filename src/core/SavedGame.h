#pragma once

#include <optional>
#include <string>

#include "Position.h"

namespace pimra {

// Status texts of the save and load commands (UTF-8).
inline constexpr const char* kSavedText = "Игра сохранена";
inline constexpr const char* kLoadedText = "Сохраненная игра загужена";
inline constexpr const char* kSaveFailedText = "Ошибка: игра не сохранена";
inline constexpr const char* kSaveTooManyStonesText = "Ошибка: в лунке больше 255 камней";
inline constexpr const char* kSaveBeyondLoadText = "Ошибка: на доске больше 216 камней";
inline constexpr const char* kLoadFailedText = "Ошибка: файл игры не открыт";
inline constexpr const char* kLoadNotAGameText = "Ошибка: файл не является сохранённой игрой";

constexpr std::size_t kSavedGameSize = 14;
// The most stones a new game's board can hold: "fewer stones" down to the limit, "Новая",
// then "more stones" up to the other limit. Play only moves stones. Editing in the middle of
// a game can go past it; such a board is not saved, so every saved file loads back.
constexpr int kMostStonesOnBoard = (kStartStones + 2 * 6) * 2 * 6;

enum class SaveOutcome { Saved, TooManyStones, BeyondLoad, Failed };
enum class LoadOutcome { Loaded, NotOpened, NotASavedGame };

// The status texts that go with each outcome.
const char* outcomeText(SaveOutcome outcome);
const char* outcomeText(LoadOutcome outcome);

// A saved game is exactly the 14 stone counts of pits 1..14, one byte each, no header.
SaveOutcome writeSavedGame(const std::string& path, const Position& position);

struct LoadedGame {
    std::optional<Position> position;  // empty when the file could not be used
    LoadOutcome outcome = LoadOutcome::NotOpened;
    std::string status;  // the outcome's text
};

// True for counts the program itself can have saved: no pit or store above what editing and
// play can gather, and no more stones in all than editing puts on the board.
bool isPlausibleSavedPosition(const Position& position);

// Takes the first 14 bytes of a file when their counts are plausible (anything after them is
// ignored); a shorter file or implausible counts are not a saved game and give no position.
LoadedGame readSavedGame(const std::string& path);

// The file that "Загрузить " reads without asking. It is remembered only once a save or a
// load through it has succeeded, so a failed attempt never hides a good file.
class GameFileMemory {
  public:
    const std::string& fileName() const { return fileName_; }
    bool empty() const { return fileName_.empty(); }
    void remember(const std::string& fileName) { fileName_ = fileName; }

  private:
    std::string fileName_;
};

}  // namespace pimra
