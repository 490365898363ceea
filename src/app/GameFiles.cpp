#include "GameFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "UiServices.h"
#include "media/AppSettings.h"

namespace pimra {

namespace {

std::string localPath(const QString& fileName) {
    return QFile::encodeName(fileName).toStdString();
}

}  // namespace

GameFiles::GameFiles(UiServices& ui)
    : ui_(ui), folder_(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)) {}

void GameFiles::setSettings(media::AppSettings* settings) {
    settings_ = settings;
    if (settings == nullptr) return;
    if (const QString folder = settings->gameFolder(); !folder.isEmpty()) folder_ = folder;
}

void GameFiles::rememberFolderOf(const QString& fileName) {
    folder_ = QFileInfo(fileName).absolutePath();
    if (settings_ != nullptr) settings_->saveGameFolder(folder_);
}

std::optional<QString> GameFiles::save(QWidget* parent, const Position& position) {
    const QString fileName = ui_.saveGameFileName(parent, folder_);
    if (fileName.isEmpty()) return std::nullopt;
    const std::string path = localPath(fileName);
    const SaveOutcome outcome = writeSavedGame(path, position);
    if (outcome == SaveOutcome::Saved) {
        last_.remember(path);
        rememberFolderOf(fileName);
    }
    return QString::fromUtf8(outcomeText(outcome));
}

std::optional<LoadedGame> GameFiles::load(QWidget* parent, bool again) {
    if (again && !last_.empty()) return read(QFile::decodeName(last_.fileName().c_str()), false);
    const QString fileName = ui_.openGameFileName(parent, folder_);
    if (fileName.isEmpty()) return std::nullopt;
    return read(fileName, again);
}

LoadedGame GameFiles::read(const QString& fileName, bool remember) {
    const std::string path = localPath(fileName);
    LoadedGame loaded = readSavedGame(path);
    if (loaded.position) {
        if (remember) last_.remember(path);
        rememberFolderOf(fileName);
    }
    return loaded;
}

}  // namespace pimra
