#pragma once

#include <QString>
#include <QTranslator>

namespace pimra {

// The interface's language: Russian (as written) or English (from the game's translation).
// Qt's own dialogs and buttons follow it through Qt's translation of the same language.
enum class UiLanguage { Russian, English };

QString languageCode(UiLanguage language);
// "ru" or "en"; anything else is Russian.
UiLanguage languageFromCode(const QString& code);

class LanguageSwitch {
  public:
    LanguageSwitch() = default;
    ~LanguageSwitch();
    LanguageSwitch(const LanguageSwitch&) = delete;
    LanguageSwitch& operator=(const LanguageSwitch&) = delete;

    // Installs the translations of the language; every widget is told to show itself anew.
    // False when a translation could not be found (the texts then stay as written).
    bool apply(UiLanguage language);
    UiLanguage current() const { return current_; }

  private:
    void removeInstalled();

    QTranslator qtTranslator_;
    QTranslator ownTranslator_;
    bool qtInstalled_ = false;
    bool ownInstalled_ = false;
    UiLanguage current_ = UiLanguage::Russian;
};

}  // namespace pimra
