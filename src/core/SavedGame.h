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
inline constexpr const char* kLoadFailedText = "Ошибка: файл игры не открыт";
inline constexpr const char* kLoadTooShortText = "Ошибка: файл игры повреждён";

constexpr std::size_t kSavedGameSize = 14;

enum class SaveOutcome { Saved, TooManyStones, Failed };
enum class LoadOutcome { Loaded, NotOpened, TooShort };

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

// Reads the first 14 bytes; anything after them is ignored.
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
