#include "ServerAddress.h"

#include <QCommandLineParser>

namespace pimra {

bool IsServerUrl(const QUrl& url) {
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QUrl ChooseServerUrl(const QStringList& arguments, const QString& settingsUrl) {
    QCommandLineParser parser;
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("Address of the game server."),
                                    QStringLiteral("URL"));
    parser.addOption(server);
    // An unknown option is no reason to refuse to start; the known ones are still read.
    (void)parser.parse(arguments);
    for (const QString& candidate : {parser.value(server), settingsUrl.trimmed()}) {
        if (candidate.isEmpty()) continue;
        const QUrl url(candidate, QUrl::StrictMode);
        if (IsServerUrl(url)) return url;
    }
    return QUrl(kDefaultServerUrl);
}

}  // namespace pimra
