#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <array>
#include <memory>

#include "LanguageSwitch.h"
#include "LobbyLink.h"
#include "MasterChooser.h"
#include "MoveAnimator.h"
#include "MoveSounds.h"
#include "ServerAddress.h"
#include "ServerLink.h"
#include "WindowFit.h"
#include "core/Game.h"
#include "core/SavedGame.h"
#include "online/PlayState.h"

class QLabel;

namespace pimra {

namespace media {
class AppSettings;
}

class AnalysisWindow;
class InfoPanel;
class RecordWindow;
class TLunka;
class TLoginForm;
class TfAddGame;
class TfNet;
class SessionStore;
class UiServices;
struct MainMenu;
struct MoveStep;
struct WindowChrome;

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
// The window is a view: the local match decides the local turn, the table controller the
// online one; the window animates the moves they hand out (MoveAnimator), sends the requests
// the controller asks for (RequestRunner, which reports by signal) and shows what it is told.
// Nothing waits in a nested event loop: while a move or a request runs, input is refused.
class TForm1 : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = 724;
    static constexpr int kBoardHeight = 351;
    static constexpr int kStatusBarHeight = 21;
    static constexpr int kHintDuration = 1000;
    static constexpr int kPollPeriod = 2000;
    static constexpr int kClockPeriod = 1000;
    static constexpr int kClockRunOutPause = 1000;
    static constexpr int kAlivePeriod = 10000;
    static const QString kTitle;

    explicit TForm1(UiServices& ui, QWidget* parent = nullptr);
    ~TForm1() override;

    void setMoveSounds(MoveSounds* sounds);
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
    bool boardTurned() const;
    TLunka* pit(int index) const;

    // Turn control and the move.
    void PitClick(TLunka* pit);
    void FormKeyPress(QChar key);

    // Presentation.
    void SetLabel(const QString& text);
    void UpdateCursor();
    void UpdateFormLabels();
    void SetFon();

    // The online table.
    void N12Click();  // "Игра Online": the lobby, modeless
    void SetClocks();
    void Timer1Timer();
    void Timer2Timer();
    void RzButton1Click();  // "Обновить стол"
    void bReadyClick();     // "Жми, если готов"
    void bLeaveClick();     // "Покинуть стол"
    void bRematchClick();   // "Реванш"
    void aliveTimer();
    void myGamesClick();  // "Мои партии"
    void logoutClick();   // "Выйти"
    // The session with the server, as the lobby and the table see it.
    const net::Session& session() const;
    // Makes `tableId` the open table and loads it.
    void openTable(int tableId);

    void buildLayout();
    void connectMenu();
    void FormCreate();

    // Menu commands.
    void N2Click();
    void N7Click();
    void N11Click();
    void N23Click();
    void N4Click();
    void N10Click();
    void N6Click();
    void N39Click();
    void N40Click();
    void setLevelItem(int level);
    void N20Click();
    void N29Click();
    void N24Click();
    void N25Click();
    void N27Click();
    void N28Click();
    void backgroundClick(int index);
    void N42Click();  // "Запись партии"
    void N43Click();  // "Анализ"

    // The record and analysis windows (TForm1Record.cpp).
    void updateSideWindows();
    void recordPositionChosen(std::size_t moves);
    void saveRecord();
    void openRecord();

    void NewGame();
    void loadFrom(const QString& fileName, bool remember);
    void rememberFolderOf(const QString& fileName);
    void showBoard();
    // The menu mirrors the commands the state allows now.
    void showCommands();
    void playSound(MoveSound sound);
    void showHelp(QObject* focus);

    // Animation.
    void animate(const MoveResult& result, online::PlayedGame* mover);
    void showStepStart(const MoveStep& step);
    void showStepSettled(const MoveStep& step);
    void moveFinished();
    // "Новая" or a load during a move: the move stops at once and the board shows its end.
    void stopMove();
    void showThinking(bool thinking);
    void showPits(const Position& position, std::initializer_list<int> pits);
    void endHint();
    void saveSettings();
    // Every text of the window and its dialogs anew, in the language installed now.
    void retranslate();
    void paintBackground();

    // Online helpers.
    void createDialogs();
    // Every event of the game being played ends here: its effects, applied in order.
    void apply(online::Effects effects, online::PlayedGame* from);
    void applyTable(online::Effects effects);
    void applyTimers(const online::Effects& effects);
    void sendForTable(const online::Outgoing& outgoing);
    void startClock(std::optional<std::chrono::milliseconds> nextTick);
    bool requestUnderWay() const { return link_->runner().busy(); }
    void showServerStatus();
    void drawAttention();
    void placePits();
    QUrl playerPage() const;
    void afterLogin();
    LobbyLink::WindowHooks lobbyHooks();

    UiServices& ui_;
    SilentMoveSounds silentSounds_;
    MoveSounds* sounds_ = &silentSounds_;
    MasterChooser master_;
    QString paneBeforeThought_;
    bool thinkingShown_ = false;
    GameFileMemory gameFile_;
    std::unique_ptr<MainMenu> menu_;

    std::array<TLunka*, 15> Board{};  // 1-based; element 0 unused
    QLabel* Panel1 = nullptr;
    QLabel* sPanel1 = nullptr;
    QLabel* sPanel2 = nullptr;
    InfoPanel* iPanel = nullptr;
    QWidget* board_ = nullptr;
    std::unique_ptr<WindowFit> fit_;
    QTimer Timer1;
    QTimer Timer2;

    int hintDuration_ = kHintDuration;
    MoveAnimator animator_;
    online::PlayedGame* mover_ = nullptr;  // the game whose move is being shown
    QTimer hintTimer_;
    TLunka* hinted_ = nullptr;
    media::AppSettings* settings_ = nullptr;
    // Where the file dialogs start: the folder of the last game saved or loaded.
    QString gameFolder_;
    LanguageSwitch language_;
    bool soundOn_ = true;
    int BackgroundIndex = 1;

    std::unique_ptr<ServerLink> link_ = std::make_unique<ServerLink>(QUrl(kDefaultServerUrl));
    online::PlayState state_{link_->connection().session(), &master_};
    Game& game_ = state_.game();
    LobbyLink lobbyLink_{*link_, ui_, kTitle, lobbyHooks()};
    QTimer clockPause_;
    QTimer retryTimer_;  // the next try after a failed exchange
    int clockPeriod_ = kClockPeriod;
    QTimer aliveTimer_;
    bool ownRowBottom_ = true;
    bool turnedShown_ = false;
    TLoginForm* loginForm_ = nullptr;
    TfAddGame* fAddGame_ = nullptr;
    TfNet* fNet_ = nullptr;
    RecordWindow* recordWindow_ = nullptr;  // made when first opened, owned by the window
    AnalysisWindow* analysisWindow_ = nullptr;
};

}  // namespace pimra
