#include "LanguageSwitch.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace pimra {

namespace {

const QString kOwnEnglish = QStringLiteral(":/i18n/pimra_en.qm");

}  // namespace

QString languageCode(UiLanguage language) {
    return language == UiLanguage::English ? QStringLiteral("en") : QStringLiteral("ru");
}

UiLanguage languageFromCode(const QString& code) {
    return code == QLatin1String("en") ? UiLanguage::English : UiLanguage::Russian;
}

LanguageSwitch::~LanguageSwitch() {
    removeInstalled();
}

void LanguageSwitch::removeInstalled() {
    if (qtInstalled_) QCoreApplication::removeTranslator(&qtTranslator_);
    if (ownInstalled_) QCoreApplication::removeTranslator(&ownTranslator_);
    qtInstalled_ = false;
    ownInstalled_ = false;
}

bool LanguageSwitch::apply(UiLanguage language) {
    removeInstalled();
    current_ = language;
    bool complete = true;
    if (language == UiLanguage::Russian) {
        // Our texts are Russian as written; Qt's own (file dialogs, standard buttons) are not.
        complete = qtTranslator_.load(QStringLiteral("qtbase_ru"),
                                      QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        if (complete) qtInstalled_ = QCoreApplication::installTranslator(&qtTranslator_);
    } else {
        // Qt speaks English by itself.
        complete = ownTranslator_.load(kOwnEnglish);
        if (complete) ownInstalled_ = QCoreApplication::installTranslator(&ownTranslator_);
    }
    if (!qtInstalled_ && !ownInstalled_) {
        // Nothing installed means nothing was told: the texts written before still show.
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(QCoreApplication::instance(), &change);
    }
    return complete;
}

}  // namespace pimra
