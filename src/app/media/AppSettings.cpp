#include "media/AppSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <optional>

#include "media/TextureLibrary.h"

namespace pimra::media {

namespace {

const QString kBackgroundKey = QStringLiteral("look/background");
const QString kSoundKey = QStringLiteral("sound/moveSounds");
const QString kLevelKey = QStringLiteral("game/level");
const QString kMasterTimeKey = QStringLiteral("game/masterTimeMs");
const QString kOwnRowKey = QStringLiteral("look/ownRowBottom");
const QString kChatKey = QStringLiteral("online/chat");
const QString kThreadsKey = QStringLiteral("game/searchThreads");
const QString kServerKey = QStringLiteral("server/url");
const QString kGameFolderKey = QStringLiteral("files/gameFolder");
const QString kLanguageKey = QStringLiteral("look/language");

constexpr int kMinLevel = 0;
constexpr int kMaxLevel = 5;
constexpr int kMinMasterTime = 10;
constexpr int kMaxMasterTime = 60000;
constexpr int kMaxThreads = 8;

QString userSettingsPath() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("pimra"),
                     QStringLiteral("pimra"))
        .fileName();
}

std::optional<int> readInt(const QSettings& file, const QString& key, int low, int high) {
    bool ok = false;
    const int value = file.value(key).toString().trimmed().toInt(&ok);
    if (!ok || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// QSettings parses lazily and reports a damaged file only after the first read.
bool damaged(const QSettings& file) {
    (void)file.allKeys();
    return file.status() != QSettings::NoError;
}

bool validBackground(int index) {
    return textureInfo(index) != nullptr;
}
bool validLevel(int level) {
    return level >= kMinLevel && level <= kMaxLevel;
}
bool validMasterTime(int milliseconds) {
    return milliseconds >= kMinMasterTime && milliseconds <= kMaxMasterTime;
}

}  // namespace

AppSettings::AppSettings() : filePath_(userSettingsPath()) {}

AppSettings::AppSettings(QString filePath) : filePath_(std::move(filePath)) {}

Settings AppSettings::load() const {
    const QSettings file(filePath_, QSettings::IniFormat);
    Settings settings;
    if (damaged(file)) {
        return settings;
    }
    settings.backgroundIndex =
        readInt(file, kBackgroundKey, 1, kTextureCount).value_or(settings.backgroundIndex);
    settings.soundOn = readInt(file, kSoundKey, 0, 1).value_or(settings.soundOn ? 1 : 0) == 1;
    settings.level = readInt(file, kLevelKey, kMinLevel, kMaxLevel).value_or(settings.level);
    settings.masterTimeMs = readInt(file, kMasterTimeKey, kMinMasterTime, kMaxMasterTime)
                                .value_or(settings.masterTimeMs);
    settings.ownRowBottom =
        readInt(file, kOwnRowKey, 0, 1).value_or(settings.ownRowBottom ? 1 : 0) == 1;
    settings.searchThreads =
        readInt(file, kThreadsKey, 0, kMaxThreads).value_or(settings.searchThreads);
    settings.chatOn = readInt(file, kChatKey, 0, 1).value_or(settings.chatOn ? 1 : 0) == 1;
    return settings;
}

QString AppSettings::serverUrl() const {
    const QSettings file(filePath_, QSettings::IniFormat);
    return damaged(file) ? QString() : file.value(kServerKey).toString();
}

QString AppSettings::gameFolder() const {
    const QSettings file(filePath_, QSettings::IniFormat);
    return damaged(file) ? QString() : file.value(kGameFolderKey).toString();
}

bool AppSettings::saveGameFolder(const QString& folder) const {
    return saveValue(kGameFolderKey, folder);
}

QString AppSettings::language() const {
    const QSettings file(filePath_, QSettings::IniFormat);
    return damaged(file) ? QString() : file.value(kLanguageKey).toString();
}

bool AppSettings::saveLanguage(const QString& code) const {
    return saveValue(kLanguageKey, code);
}

bool AppSettings::saveValue(const QString& key, const QString& value) const {
    setDamagedFileAside();
    QSettings file(filePath_, QSettings::IniFormat);
    file.setValue(key, value);
    file.sync();
    return file.status() == QSettings::NoError;
}

bool AppSettings::save(const Settings& settings) const {
    setDamagedFileAside();
    // Read only once a damaged file is out of the way: it has nothing to keep.
    const QString server = serverUrl();
    const QString folder = gameFolder();
    const QString chosenLanguage = language();
    const Settings defaults;
    QSettings file(filePath_, QSettings::IniFormat);
    file.clear();
    if (!server.isEmpty()) file.setValue(kServerKey, server);
    if (!folder.isEmpty()) file.setValue(kGameFolderKey, folder);
    if (!chosenLanguage.isEmpty()) file.setValue(kLanguageKey, chosenLanguage);
    file.setValue(kBackgroundKey, validBackground(settings.backgroundIndex)
                                      ? settings.backgroundIndex
                                      : defaults.backgroundIndex);
    file.setValue(kSoundKey, settings.soundOn ? 1 : 0);
    file.setValue(kLevelKey, validLevel(settings.level) ? settings.level : defaults.level);
    file.setValue(kMasterTimeKey, validMasterTime(settings.masterTimeMs) ? settings.masterTimeMs
                                                                         : defaults.masterTimeMs);
    file.setValue(kOwnRowKey, settings.ownRowBottom ? 1 : 0);
    file.setValue(kThreadsKey, settings.searchThreads >= 0 && settings.searchThreads <= kMaxThreads
                                   ? settings.searchThreads
                                   : defaults.searchThreads);
    file.setValue(kChatKey, settings.chatOn ? 1 : 0);
    file.sync();
    return file.status() == QSettings::NoError;
}

void AppSettings::setDamagedFileAside() const {
    // QSettings never writes over a file it cannot parse, so the choices would be lost on
    // every run from now on; the damaged file is kept beside it for a look.
    if (!QFileInfo(filePath_).isFile()) {
        return;
    }
    const QSettings file(filePath_, QSettings::IniFormat);
    if (!damaged(file) || file.status() != QSettings::FormatError) {
        return;
    }
    const QString aside = filePath_ + QStringLiteral(".damaged");
    QFile::remove(aside);
    QFile::rename(filePath_, aside);
}

}  // namespace pimra::media
