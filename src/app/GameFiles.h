#pragma once

#include <QString>

#include <optional>

#include "core/SavedGame.h"

class QWidget;

namespace pimra {

namespace media {
class AppSettings;
}

class UiServices;

// The saved games of the window: where the file dialogs start (the folder of the last game or
// record saved or loaded, kept in the settings) and the file "Загрузить" reads again.
class GameFiles {
  public:
    explicit GameFiles(UiServices& ui);

    QString folder() const { return folder_; }
    // Reads the remembered folder and keeps the folder there from now on; none: not kept.
    void setSettings(media::AppSettings* settings);
    void rememberFolderOf(const QString& fileName);

    // "Сохранить": the outcome's text; none when no file was chosen.
    std::optional<QString> save(QWidget* parent, const Position& position);
    // "Загрузить" (`again`: the file saved or loaded by it last, without asking) and
    // "Выбрать": the game read; none when no file was chosen.
    std::optional<LoadedGame> load(QWidget* parent, bool again);

  private:
    LoadedGame read(const QString& fileName, bool remember);

    UiServices& ui_;
    media::AppSettings* settings_ = nullptr;
    QString folder_;
    GameFileMemory last_;
};

}  // namespace pimra
