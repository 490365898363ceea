#pragma once

#include <QString>

#include "LanguageSwitch.h"

namespace pimra {

// The pages of the game's site that the program opens; each is served in both languages.
enum class SitePage { Registration, Rules, Info };

// The page's path on the site in the interface's language, e.g. "/en/rules.html".
QString sitePagePath(SitePage page, UiLanguage language);

}  // namespace pimra
