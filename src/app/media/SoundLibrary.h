#pragma once

#include <QString>
#include <QStringView>
#include <QUrl>

#include "MoveSounds.h"

namespace pimra::media {

// The name a move sound is asked for by: "select", "take" or "put".
QString soundName(MoveSound sound);

// Resource path of the sound with this name; names match regardless of case. Empty when
// the program carries no such sound.
QString soundPath(QStringView name);

// The sound's resource as a URL for players that take one.
QUrl soundUrl(MoveSound sound);

}  // namespace pimra::media
