#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace pimra {

// The server that the README's start command runs on this computer.
inline const QString kDefaultServerUrl = QStringLiteral("http://127.0.0.1:8455");

// An address the client can post to: http or https with a host.
bool IsServerUrl(const QUrl& url);

// The game server: "--server URL" from the command line, else the settings entry, else the
// local server. An address that is not usable is passed over; unknown options are ignored.
QUrl ChooseServerUrl(const QStringList& arguments, const QString& settingsUrl);

}  // namespace pimra
