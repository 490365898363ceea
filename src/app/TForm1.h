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

    // Settings.
    void setMoveSounds(MoveSounds* sounds);
    // Restores the remembered background, move sounds, level and game folder, and keeps them
    // from now on.
    void setSettings(media::AppSettings* settings);
    QString gameFolder() const { return gameFolder_; }
    // The interface's language, shown at once and kept in the settings.
    void setLanguage(UiLanguage language);
    UiLanguage language() const { return language_.current(); }
    void setStepDelay(int milliseconds) { state_.setLocalStepDelay(milliseconds); }
    int stepDelay() const { return state_.stepDelay(); }
    void setHintDuration(int milliseconds) { hintDuration_ = milliseconds; }
    QUrl siteUrl() const { return link_->site(); }
    // The game server; its web site has the rules, the information and the registration page.
    void setSiteUrl(const QUrl& url) { link_->setSite(url); }
    // Online timing, for tests: the poll and clock periods and the pause after a clock ran out.
    void setTimerPeriods(int pollMilliseconds, int clockMilliseconds);
    void setClockPause(int milliseconds) { clockPause_.setInterval(milliseconds); }
    void setAlivePeriod(int milliseconds) { aliveTimer_.setInterval(milliseconds); }
    // The clock the table's times are counted by; tests set one that follows their server.
    void setTableClock(online::MonotonicClock clock) { state_.table().setClock(std::move(clock)); }
    bool retryWaiting() const { return retryTimer_.isActive(); }
    bool aliveRunning() const { return aliveTimer_.isActive(); }
    // "Моё поле снизу", and whether the board is drawn turned now.
    void setOwnRowBottom(bool on);
    bool ownRowBottom() const { return ownRowBottom_; }
    bool boardTurned() const;
    // A computer that thinks elsewhere; none: the window's own (the levels of today answer at
    // once, the master level thinks on a worker thread).
    void setMoveChooser(MoveChooser* chooser) {
        state_.local().match().setChooser(chooser ? chooser : &master_);
    }
    // The master level's time per move (also kept in the settings).
    void setMasterTime(std::chrono::milliseconds time);
    std::chrono::milliseconds masterTime() const { return master_.thinkTime(); }
    // The computer is thinking of its move; the window shows it in the message pane.
    bool computerThinking() const { return state_.local().thinking(); }
    void setOnlineStepDelay(int milliseconds) { state_.setOnlineStepDelay(milliseconds); }

    // What the window shows.
    const Game& game() const { return game_; }
    Game& game() { return game_; }
    TLunka* pit(int index) const;
    QString statusText() const;
    QLabel* statusPanel() const { return Panel1; }
    QLabel* loginPane() const { return sPanel1; }
    QLabel* messagePane() const { return sPanel2; }
    InfoPanel* infoPanel() const { return iPanel; }
    // Below 1 when the board is drawn smaller so that the window fits the screen.
    double boardScale() const { return boardScale_; }
    const MainMenu& menu() const { return *menu_; }
    // A move, a turn, a hint or a request is under way: clicks, keys and ticks are refused.
    bool isBusy() const { return state_.busy(); }
    bool soundOn() const { return soundOn_; }
    int backgroundIndex() const { return BackgroundIndex; }
    int tableId() const { return state_.table().table().TableId(); }
    const online::OnlineTable& onlineTable() const { return state_.table().table(); }
    const ServerLink& serverLink() const { return *link_; }
    bool pollRunning() const { return Timer1.isActive(); }
    bool clockRunning() const { return Timer2.isActive(); }
    TfNet* lobby() const { return fNet_; }
    TLoginForm* loginForm() const { return loginForm_; }
    TfAddGame* addGameForm() const { return fAddGame_; }
    // The record and analysis windows, once opened.
    RecordWindow* recordWindow() const { return recordWindow_; }
    AnalysisWindow* analysisWindow() const { return analysisWindow_; }

    // Turn control and the move.
    void PitClick(TLunka* pit);
    void FormKeyPress(QChar key);
    // Plays one move on the board with its animation.
    void Hod(int pit);

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

    // The session with the server, as the lobby and the table see it.
    const net::Session& session() const;
    // What the lobby and its dialogs use to reach the server and the desktop.
    LobbyHost& lobbyHost() { return lobbyLink_; }
    // Makes `tableId` the open table and loads it.
    void openTable(int tableId);

    // "Запомнить меня": the store of the session, read at once; a session kept there logs
    // the user in without the dialog. None: nothing is kept.
    void setSessionStore(SessionStore* store);

  signals:
    // A step of a move is on the screen (for watching the animation).
    void moveStepShown(int stepIndex);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
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

    // Size and place: the board as large as designed unless the screen is too small for it.
    void fitBoard(bool withPanel);
    WindowChrome windowChrome(int boardWidth) const;
    void keepOnScreen();
    void followScreen();

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
    double boardScale_ = 1.0;
    bool boardWithPanel_ = false;
    bool followsScreen_ = false;
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
