#include <QApplication>
#include <cstdio>
#include <cstring>

#include "KeychainSessionStore.h"
#include "QtUiServices.h"
#include "ServerAddress.h"
#include "TForm1.h"
#include "media/AppSettings.h"
#include "media/QtMoveSounds.h"
#include "pimra/Version.h"

int main(int argc, char* argv[]) {
    // Answered before any window or display is needed.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("pimra " PIMRA_VERSION);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pimra"));
    QApplication::setOrganizationName(QStringLiteral("pimra"));
    pimra::QtUiServices ui;
    pimra::media::QtMoveSounds sounds;
    pimra::media::AppSettings settings;
    pimra::KeychainSessionStore sessions;
    pimra::TForm1 form(ui);
    form.setSiteUrl(pimra::ChooseServerUrl(QApplication::arguments(), settings.serverUrl()));
    form.setMoveSounds(&sounds);
    form.setSettings(&settings);
    form.setSessionStore(&sessions);
    form.show();
    return QApplication::exec();
}
