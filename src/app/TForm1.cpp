#include "TForm1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>

#include "AnalysisWindow.h"
#include "HelpTopics.h"
#include "InfoPanel.h"
#include "MainMenu.h"
#include "RecordWindow.h"
#include "ShownText.h"
#include "TLoginForm.h"
#include "TLunka.h"
#include "TextFit.h"
#include "TfAddGame.h"
#include "TfNet.h"
#include "UiServices.h"
#include "media/AppSettings.h"
#include "media/TextureLibrary.h"
#include "online/BoardView.h"

namespace pimra {

const QString TForm1::kTitle = QStringLiteral("Пимра");

namespace {

constexpr int kLoginPaneWidth = 136;

}  // namespace

TForm1::TForm1(UiServices& ui, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      ui_(ui),
      gameFolder_(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)) {
    language_.apply(UiLanguage::Russian);
    buildLayout();
    connectMenu();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildLayout() {
    setShownTitle(this, kTitle);
    // Not on Linux; Qt falls back to a sans face with Cyrillic letters.
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

    menu_ = std::make_unique<MainMenu>(menuBar());

    board_ = new QWidget(this);
    board_->setAutoFillBackground(true);
    QPalette boardPalette = board_->palette();
    boardPalette.setColor(QPalette::Window, boardPalette.color(QPalette::Highlight));
    board_->setPalette(boardPalette);
    board_->setFixedSize(kClientWidth, kBoardHeight);
    setCentralWidget(board_);
    board_->installEventFilter(this);

    Panel1 = new QLabel(board_);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setWordWrap(true);
    Panel1->setTextFormat(Qt::PlainText);
    Panel1->setAutoFillBackground(true);
    Panel1->setBackgroundRole(QPalette::Button);

    iPanel = new InfoPanel(board_);
    iPanel->hide();

    sPanel1 = new QLabel;
    setShownText(sPanel1, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Вы не авторизованы")));
    sPanel1->setFixedWidth(kLoginPaneWidth);
    sPanel1->setTextFormat(Qt::PlainText);
    sPanel2 = new QLabel;
    sPanel2->setTextFormat(Qt::PlainText);
    sPanel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(kStatusBarHeight);
    bar->addWidget(sPanel1);
    bar->addWidget(sPanel2, 1);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    fit_ = std::make_unique<WindowFit>(WindowFit::Parts{
        this, board_, iPanel, Panel1, &Board, kClientWidth, kBoardHeight, kStatusBarHeight});

    Timer1.setInterval(kPollPeriod);
    Timer2.setInterval(kClockPeriod);
    // The clock's ticks keep to the seconds of the server's time.
    Timer2.setTimerType(Qt::PreciseTimer);
    retryTimer_.setSingleShot(true);
    clockPause_.setSingleShot(true);
    clockPause_.setInterval(kClockRunOutPause);
    aliveTimer_.setInterval(kAlivePeriod);
    hintTimer_.setSingleShot(true);
}

void TForm1::connectMenu() {
    const MainMenu& m = *menu_;
    // Commands a running move does not allow must not run by short-cut either.
    auto guarded = [this](bool online::Commands::*allowed, void (TForm1::*handler)()) {
        return [this, allowed, handler] {
            if (state_.commands().*allowed) (this->*handler)();
        };
    };
    connect(m.N12, &QAction::triggered, this, guarded(&online::Commands::lobby, &TForm1::N12Click));
    connect(m.logout, &QAction::triggered, this, &TForm1::logoutClick);
    connect(m.N2, &QAction::triggered, this, &TForm1::N2Click);
    connect(m.N7, &QAction::triggered, this, guarded(&online::Commands::save, &TForm1::N7Click));
    connect(m.N11, &QAction::triggered, this, &TForm1::N11Click);
    connect(m.N23, &QAction::triggered, this, &TForm1::N23Click);
    connect(m.N42, &QAction::triggered, this, &TForm1::N42Click);
    connect(m.N4, &QAction::triggered, this, &TForm1::N4Click);
    connect(m.N10, &QAction::triggered, this, guarded(&online::Commands::sound, &TForm1::N10Click));
    connect(m.N6, &QAction::triggered, this, &TForm1::N6Click);
    connect(m.N39, &QAction::triggered, this, &TForm1::N39Click);
    connect(m.N40, &QAction::triggered, this, &TForm1::N40Click);
    connect(m.russianItem, &QAction::triggered, this, [this] { setLanguage(UiLanguage::Russian); });
    connect(m.englishItem, &QAction::triggered, this, [this] { setLanguage(UiLanguage::English); });
    for (int level = 0; level <= kLevelMaster; ++level) {
        connect(m.levelItem(level), &QAction::triggered, this,
                [this, level] { setLevelItem(level); });
    }
    for (int k = 0; k < MainMenu::kMenuThreads; ++k) {
        connect(m.threadItems[static_cast<std::size_t>(k)], &QAction::triggered, this,
                [this, k] { setSearchThreads(k + 1); });
    }
    connect(m.N20, &QAction::triggered, this,
            guarded(&online::Commands::special, &TForm1::N20Click));
    connect(m.N29, &QAction::triggered, this,
            guarded(&online::Commands::special, &TForm1::N29Click));
    connect(m.N24, &QAction::triggered, this,
            guarded(&online::Commands::special, &TForm1::N24Click));
    connect(m.N25, &QAction::triggered, this,
            guarded(&online::Commands::special, &TForm1::N25Click));
    connect(m.N27, &QAction::triggered, this,
            guarded(&online::Commands::special, &TForm1::N27Click));
    connect(m.N28, &QAction::triggered, this,
            guarded(&online::Commands::special, &TForm1::N28Click));
    connect(m.N43, &QAction::triggered, this,
            guarded(&online::Commands::special, &TForm1::N43Click));
    for (int k = 0; k < MainMenu::kBackgroundCount; ++k) {
        connect(m.backgrounds[static_cast<std::size_t>(k)], &QAction::triggered, this, [this, k] {
            if (state_.commands().background) backgroundClick(k + 1);
        });
    }
    for (QMenu* menu : m.menus()) menu->installEventFilter(this);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { showHelp(focusWidget()); });

    connect(iPanel->RzButton1, &QPushButton::clicked, this, &TForm1::RzButton1Click);
    connect(iPanel->bReady, &QPushButton::clicked, this, &TForm1::bReadyClick);
    connect(iPanel->bLeave, &QPushButton::clicked, this, &TForm1::bLeaveClick);
    connect(iPanel->bRematch, &QPushButton::clicked, this, &TForm1::bRematchClick);
    // The table may have moved on while the question was open: the table decides then.
    connect(iPanel->bResign, &QPushButton::clicked, this, [this] {
        if (ui_.confirm(this, translated(kTitle), translated("Сдать партию?")))
            applyTable(state_.table().resign());
    });
    connect(iPanel->bDraw, &QPushButton::clicked, this,
            [this] { applyTable(state_.table().offerDraw()); });
    connect(iPanel->bWatchRematch, &QPushButton::clicked, this,
            [this] { applyTable(state_.table().watchRematch()); });
    connect(&aliveTimer_, &QTimer::timeout, this, &TForm1::aliveTimer);
    connect(m.myGames, &QAction::triggered, this, &TForm1::myGamesClick);
    connect(m.ownRowBottom, &QAction::toggled, this, &TForm1::setOwnRowBottom);
    connect(&Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(&Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    connect(&clockPause_, &QTimer::timeout, this,
            [this] { applyTable(state_.table().pauseOver()); });
    connect(&retryTimer_, &QTimer::timeout, this,
            [this] { applyTable(state_.table().retryTick()); });
    connect(&animator_, &MoveAnimator::stepStarted, this, &TForm1::showStepStart);
    connect(&animator_, &MoveAnimator::stepSettled, this, &TForm1::showStepSettled);
    connect(&animator_, &MoveAnimator::finished, this, &TForm1::moveFinished);
    connect(&hintTimer_, &QTimer::timeout, this, &TForm1::endHint);
}

void TForm1::FormCreate() {
    state_.local().setSink(
        [this](online::Effects effects) { apply(std::move(effects), &state_.local()); });
    state_.setRequestQuery([this] { return link_->runner().busy(); });
    game_.setLevel(kLevelHard);
    BackgroundIndex = 1;
    for (int level = 0; level <= kLevelMaster; ++level) menu_->levelItem(level)->setChecked(false);
    menu_->levelItem(game_.level())->setChecked(true);
    move(20, 50);
    for (int i = 1; i <= kPitCount; ++i) {
        auto* lunka = new TLunka(board_);
        connect(lunka, &TLunka::clicked, this, &TForm1::PitClick);
        Board[static_cast<std::size_t>(i)] = lunka;
        lunka->PlacePit(i);
    }
    showBoard();
    showCommands();
    Panel1->setGeometry(270, 160, 183, 50);
    SetLabel(QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Ваш ход")));
    UpdateFormLabels();
    UpdateCursor();
    createDialogs();
}

TLunka* TForm1::pit(int index) const {
    return Position::isValidIndex(index) ? Board[static_cast<std::size_t>(index)] : nullptr;
}

void TForm1::setMoveSounds(MoveSounds* sounds) {
    sounds_ = sounds ? sounds : &silentSounds_;
}

void TForm1::SetLabel(const QString& text) {
    setShownText(Panel1, text);
    Panel1->repaint();
}

void TForm1::SetFon() {
    board_->repaint();
}

void TForm1::paintBackground() {
    // The texture covers the client area; the window's own colour shows only where it cannot.
    QPainter painter(board_);
    media::paintTexture(painter, BackgroundIndex, frameGeometry().size());
}

void TForm1::setSettings(media::AppSettings* settings) {
    settings_ = nullptr;  // applying the values must not write them back
    if (settings == nullptr) return;
    const media::Settings remembered = settings->load();
    if (QFile::exists(settings->filePath())) {
        // A fresh start checks no texture; a remembered one is checked.
        menu_->backgrounds[static_cast<std::size_t>(remembered.backgroundIndex - 1)]->setChecked(
            true);
    }
    BackgroundIndex = remembered.backgroundIndex;
    menu_->N10->setChecked(remembered.soundOn);
    soundOn_ = remembered.soundOn;
    setLevelItem(remembered.level);
    master_.setThinkTime(std::chrono::milliseconds(remembered.masterTimeMs));
    setSearchThreads(remembered.searchThreads > 0 ? remembered.searchThreads
                                                  : MasterSearch::defaultThreads());
    setOwnRowBottom(remembered.ownRowBottom);
    if (const QString folder = settings->gameFolder(); !folder.isEmpty()) gameFolder_ = folder;
    setLanguage(languageFromCode(settings->language()));
    SetFon();
    settings_ = settings;
}

void TForm1::saveSettings() {
    // A settings file that cannot be written costs nothing but the memory of these choices.
    // Search threads at the machine's default are kept as 0, so that they follow the machine.
    const int threadsSetting =
        master_.threads() == MasterSearch::defaultThreads() ? 0 : master_.threads();
    if (settings_ != nullptr)
        settings_->save({BackgroundIndex, soundOn_, game_.level(),
                         static_cast<int>(master_.thinkTime().count()), ownRowBottom_,
                         threadsSetting});
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (text.size() == 1) {
        FormKeyPress(text.front());
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TForm1::FormKeyPress(QChar key) {
    if (key >= QLatin1Char('1') && key <= QLatin1Char('6'))
        PitClick(pit(online::PitForDigit(key.digitValue(), boardTurned())));
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Closing just stops what runs: the waiting request gives up at once, a move or hint
    // stops where it is, and the program can end from its own event loop.
    link_->runner().abort();
    Timer1.stop();
    Timer2.stop();
    clockPause_.stop();
    aliveTimer_.stop();
    retryTimer_.stop();
    mover_ = nullptr;
    stopMove();
    endHint();
    state_.table().stop();
    apply(state_.local().abandon(), nullptr);
    // The dialogs go too, or the program would wait for them to close.
    for (QWidget* dialog : {static_cast<QWidget*>(fNet_), static_cast<QWidget*>(loginForm_),
                            static_cast<QWidget*>(fAddGame_), static_cast<QWidget*>(recordWindow_),
                            static_cast<QWidget*>(analysisWindow_)}) {
        if (dialog != nullptr) dialog->hide();
    }
    QMainWindow::closeEvent(event);
}

void TForm1::showEvent(QShowEvent* event) {
    // Shown again after a close: the server may be asked again.
    link_->resume();
    QMainWindow::showEvent(event);
    fit_->followScreen();
    fit_->refit();
}

void TForm1::setLanguage(UiLanguage language) {
    language_.apply(language);
    (language == UiLanguage::English ? menu_->englishItem : menu_->russianItem)->setChecked(true);
    if (settings_ != nullptr) settings_->saveLanguage(languageCode(language));
    retranslate();
}

void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) retranslate();
}

void TForm1::retranslate() {
    retranslateTree(this);
    for (int i = 1; i <= kPitCount; ++i)
        if (pit(i) != nullptr) pit(i)->updateAccessibleText();
    // The dialogs lay themselves out anew for their new texts.
    for (QWidget* dialog : {static_cast<QWidget*>(fNet_), static_cast<QWidget*>(loginForm_),
                            static_cast<QWidget*>(fAddGame_)}) {
        if (dialog == nullptr) continue;
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(dialog, &change);
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == board_ && event->type() == QEvent::Paint) {
        paintBackground();
        return false;
    }
    const bool helpKey =
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1;
    if (!helpKey) return QMainWindow::eventFilter(watched, event);
    event->accept();
    if (event->type() == QEvent::KeyPress) showHelp(watched);
    return true;
}

void TForm1::showHelp(QObject* focus) {
    // An open menu has its own topic; every other element takes the window's.
    const QVariant context = focus ? focus->property("helpContext") : QVariant();
    ui_.showHelp(this, context.isValid() ? context.toInt() : kHelpGeneral);
}

}  // namespace pimra
