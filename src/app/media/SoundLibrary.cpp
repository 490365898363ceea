#include "media/SoundLibrary.h"

#include <QFile>
#include <array>

namespace pimra::media {

namespace {

// Stored in upper case, asked for in lower case.
constexpr std::array<const char*, 3> kStoredNames{"SELECT", "TAKE", "PUT"};

}  // namespace

QString soundName(MoveSound sound) {
    switch (sound) {
        case MoveSound::Select:
            return QStringLiteral("select");
        case MoveSound::Take:
            return QStringLiteral("take");
        case MoveSound::Put:
            return QStringLiteral("put");
    }
    return {};
}

QString soundPath(QStringView name) {
    for (const char* stored : kStoredNames) {
        if (name.compare(QLatin1String(stored), Qt::CaseInsensitive) == 0) {
            return QStringLiteral(":/sounds/") + QLatin1String(stored);
        }
    }
    return {};
}

QUrl soundUrl(MoveSound sound) {
    const QString path = soundPath(soundName(sound));
    if (path.isEmpty()) {
        return {};
    }
    return QUrl(QStringLiteral("qrc") + path);
}

}  // namespace pimra::media
