#include "HelpPages.h"

#include <QVariant>

#include "HelpTopics.h"
#include "LanguageSwitch.h"
#include "ServerLink.h"
#include "ShownText.h"
#include "SitePages.h"
#include "UiServices.h"

namespace pimra {

HelpPages::HelpPages(QWidget* window, ServerLink& link, UiServices& ui,
                     const LanguageSwitch& language)
    : window_(window), link_(link), ui_(ui), language_(language) {}

void HelpPages::rules() {
    ui_.openUrl(link_.page(sitePagePath(SitePage::Rules, language_.current())));
}

void HelpPages::info() {
    // Logged in, the game's page is the player's own on the server.
    const net::Session& session = link_.connection().session();
    ui_.openUrl(session.LoggedIn() ? link_.playerPage(session.OwnLogin)
                                   : link_.page(sitePagePath(SitePage::Info, language_.current())));
}

void HelpPages::myGames() {
    const net::Session& session = link_.connection().session();
    if (session.LoggedIn()) ui_.openUrl(link_.playerPage(session.OwnLogin));
}

void HelpPages::about() {
    const QString text = translated(QT_TRANSLATE_NOOP("pimra", "Пимра — игра в калах для двоих")) +
                         QLatin1Char('\n') +
                         translated(QT_TRANSLATE_NOOP("pimra", "Версия 0.1, для Linux")) +
                         QLatin1Char('\n') + link_.site().toString();
    ui_.showAbout(window_, translated(QT_TRANSLATE_NOOP("pimra", "О программе")), text);
}

void HelpPages::topicOf(QObject* focus) {
    const QVariant context = focus ? focus->property("helpContext") : QVariant();
    ui_.showHelp(window_, context.isValid() ? context.toInt() : kHelpGeneral);
}

}  // namespace pimra
