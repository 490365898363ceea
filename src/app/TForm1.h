#pragma once

#include <QMainWindow>
#include <QUrl>

#include <memory>

#include "FormWidgets.h"
#include "GameFiles.h"
#include "HelpPages.h"
#include "LanguageSwitch.h"
#include "LobbyLink.h"
#include "MasterChooser.h"
#include "ServerAddress.h"
#include "ServerLink.h"
#include "SoundSwitch.h"
#include "TableTimers.h"
#include "online/PlayState.h"

namespace pimra {

namespace media {
class AppSettings;
}

class BoardPits;
class ChatLink;
class HintLight;
class LobbyDialogs;
class MoveShow;
class SessionStore;
class SideWindows;
class TLunka;
class UiServices;
class WindowFit;
struct MainMenu;

// The main window: the board of fourteen pits, the status panel, the menu bar and the status
// bar. The game core decides every move; this window only animates what it decided.
//
// Geometry: the board layout is given relative to the client area below the menu bar of a
// window whose outer size is 730 × 420 with a 3-pixel frame, a 22-pixel caption and a 20-pixel
// menu bar. That leaves a client area of 724 × 372, of which the status bar takes the bottom 21
// rows. Qt puts the menu bar inside the window, so the fixed size is 724 wide and the board
// (724 × 351) plus the status bar (21) plus Qt's own menu bar high; with an ordinary frame
// the outer size is about 730 × 420 again (880 × 420 with the information panel).
//
// The window is a view: it forwards every event to the game being played (`PlayState`) and
// applies the effects that come back in one place (`apply`); the menu mirrors the commands the
// state allows. Nothing waits in a nested event loop: while a move or a request runs, input is
// refused.
class TForm1 : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = FormWidgets::kClientWidth;
    static const QString kTitle;

    explicit TForm1(UiServices& ui, QWidget* parent = nullptr);
    ~TForm1() override;

    void setMoveSounds(MoveSounds* sounds) { sounds_.setSounds(sounds); }
    // Restores the remembered background, move sounds, level and game folder, and keeps them
    // from now on.
    void setSettings(media::AppSettings* settings);
    // The game server; its web site has the rules, the information and the registration page.
    void setSiteUrl(const QUrl& url) { link_->setSite(url); }
    // "Запомнить меня": the store of the session, read at once; a session kept there logs
    // the user in without the dialog. None: nothing is kept.
    void setSessionStore(SessionStore* store);

  protected:
    // What follows is the window's own; a test seam derived from it reaches it.
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The interface's language, shown at once and kept in the settings.
    void setLanguage(UiLanguage language);
    // "Моё поле снизу", and whether the board is drawn turned now.
    void setOwnRowBottom(bool on);
    // "Потоки": the threads of the master and the analysis (also kept in the settings).
    void setSearchThreads(int threads);
    bool boardTurned() const { return state_.boardTurned(ownRowBottom_); }

    // Events, each to the game being played.
    void PitClick(int index);
    void FormKeyPress(QChar key);
    void RzButton1Click();  // "Обновить стол"
    void tableButton(online::Effects (online::TableController::*event)());
    void openTable(int tableId) { applyTable(state_.table().open(tableId)); }

    // Menu commands.
    void connectMenu();
    void NewGame();
    void N7Click();  // "Сохранить"
    void loadGame(bool again);
    void setLevelItem(int level);
    void backgroundClick(int index);

    // Every event of the game being played ends here: its effects, applied in order.
    void apply(online::Effects effects, online::PlayedGame* from);
    void applyTable(online::Effects effects) { apply(std::move(effects), &state_.table()); }
    void animate(const MoveResult& result, online::PlayedGame* mover);
    void moveShown(online::PlayedGame* mover);
    // "Новая" or a load during a move: the move stops at once and the board shows its end.
    void stopMove();
    void sendForTable(const online::Outgoing& outgoing);

    // Presentation.
    void SetLabel(const QString& text);
    void UpdateCursor();
    void UpdateFormLabels();
    void SetFon();
    void showBoard();
    // The menu mirrors the commands the state allows now.
    void showCommands();
    void showThinking(bool thinking);
    void showServerStatus();
    void drawAttention();
    void placePits();
    void afterLogin();
    void saveSettings();
    // Every text of the window and its dialogs anew, in the language installed now.
    void retranslate();
    LobbyLink::WindowHooks lobbyHooks();
    const net::Session& session() const { return link_->connection().session(); }
    TLunka* pit(int index) const;

    UiServices& ui_;
    SoundSwitch sounds_;
    MasterChooser master_;
    QString paneBeforeThought_;
    bool thinkingShown_ = false;
    GameFiles files_{ui_};
    std::unique_ptr<MainMenu> menu_;
    std::unique_ptr<FormWidgets> w_;
    std::unique_ptr<BoardPits> pits_;
    std::unique_ptr<WindowFit> fit_;

    media::AppSettings* settings_ = nullptr;
    LanguageSwitch language_;
    int BackgroundIndex = 1;
    bool ownRowBottom_ = true;

    std::unique_ptr<ServerLink> link_ = std::make_unique<ServerLink>(QUrl(kDefaultServerUrl));
    online::PlayState state_{link_->connection().session(), &master_};
    Game& game_ = state_.game();
    HelpPages help_{this, *link_, ui_, language_};
    TableTimers timers_{state_.table(), [this](online::Effects effects) { applyTable(effects); }};
    std::unique_ptr<MoveShow> moves_;
    std::unique_ptr<HintLight> hint_;
    std::unique_ptr<LobbyDialogs> lobby_;
    std::unique_ptr<SideWindows> side_;
    std::unique_ptr<ChatLink> chat_;
};

}  // namespace pimra
