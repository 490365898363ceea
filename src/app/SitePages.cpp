#include "SitePages.h"

namespace pimra {

QString sitePagePath(SitePage page, UiLanguage language) {
    const bool english = language == UiLanguage::English;
    switch (page) {
        case SitePage::Registration:
            return english ? QStringLiteral("/en/reg") : QStringLiteral("/ru/reg");
        case SitePage::Rules:
            return english ? QStringLiteral("/en/rules.html") : QStringLiteral("/rules.html");
        case SitePage::Info:
            return english ? QStringLiteral("/en/info.html") : QStringLiteral("/info.html");
    }
    return QStringLiteral("/info.html");
}

}  // namespace pimra
