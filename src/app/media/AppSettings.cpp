#include "media/AppSettings.h"

#include <QSettings>
#include <optional>

#include "media/TextureLibrary.h"

namespace pimra::media {

namespace {

const QString kBackgroundKey = QStringLiteral("look/background");
const QString kSoundKey = QStringLiteral("sound/moveSounds");
const QString kLevelKey = QStringLiteral("game/level");

constexpr int kMinLevel = 0;
constexpr int kMaxLevel = 4;

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

bool validBackground(int index) { return textureInfo(index) != nullptr; }
bool validLevel(int level) { return level >= kMinLevel && level <= kMaxLevel; }

}  // namespace

AppSettings::AppSettings() : filePath_(userSettingsPath()) {}

AppSettings::AppSettings(QString filePath) : filePath_(std::move(filePath)) {}

Settings AppSettings::load() const {
    const QSettings file(filePath_, QSettings::IniFormat);
    Settings settings;
    if (file.status() != QSettings::NoError) {
        return settings;
    }
    settings.backgroundIndex =
        readInt(file, kBackgroundKey, 1, kTextureCount).value_or(settings.backgroundIndex);
    settings.soundOn = readInt(file, kSoundKey, 0, 1).value_or(settings.soundOn ? 1 : 0) == 1;
    settings.level = readInt(file, kLevelKey, kMinLevel, kMaxLevel).value_or(settings.level);
    return settings;
}

bool AppSettings::save(const Settings& settings) const {
    const Settings defaults;
    QSettings file(filePath_, QSettings::IniFormat);
    file.clear();  // a damaged file is replaced, not merged
    file.setValue(kBackgroundKey, validBackground(settings.backgroundIndex)
                                      ? settings.backgroundIndex
                                      : defaults.backgroundIndex);
    file.setValue(kSoundKey, settings.soundOn ? 1 : 0);
    file.setValue(kLevelKey, validLevel(settings.level) ? settings.level : defaults.level);
    file.sync();
    return file.status() == QSettings::NoError;
}

}  // namespace pimra::media
