#pragma once

class QObject;
class QWidget;

namespace pimra {

class LanguageSwitch;
class ServerLink;
class UiServices;

// "Помощь": the rules and the information on the game's site in the interface's language (the
// player's own page once logged in), the box about the program and the help topic of F1.
class HelpPages {
  public:
    HelpPages(QWidget* window, ServerLink& link, UiServices& ui, const LanguageSwitch& language);

    void rules();
    void info();
    void myGames();  // "Мои партии": only when logged in
    void about();
    // An open menu has its own topic; every other element takes the window's.
    void topicOf(QObject* focus);

  private:
    QWidget* window_;
    ServerLink& link_;
    UiServices& ui_;
    const LanguageSwitch& language_;
};

}  // namespace pimra
