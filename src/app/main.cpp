#include <QApplication>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "KeychainSessionStore.h"
#include "QtUiServices.h"
#include "ServerAddress.h"
#include "TForm1.h"
#include "media/AppSettings.h"
#include "media/QtMoveSounds.h"

int main(int argc, char* argv[]) {
    // Answered before any window or display is needed.
    const std::optional<std::string> answer =
        pimra::immediateAnswer(std::vector<std::string>(argv, argv + argc));
    if (answer) {
        std::fputs(answer->c_str(), stdout);
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
