#include "TForm1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>

#include "BoardPits.h"
#include "ChatLink.h"
#include "HintLight.h"
#include "InfoPanel.h"
#include "LobbyDialogs.h"
#include "MainMenu.h"
#include "MoveShow.h"
#include "ShownText.h"
#include "SideWindows.h"
#include "TLunka.h"
#include "UiServices.h"
#include "WindowFit.h"
#include "media/AppSettings.h"
#include "media/TextureLibrary.h"
#include "online/BoardView.h"

namespace pimra {

const QString TForm1::kTitle = QStringLiteral("Пимра");

TForm1::TForm1(UiServices& ui, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      ui_(ui) {
    language_.apply(UiLanguage::Russian);
    setShownTitle(this, kTitle);
    // Not on Linux; Qt falls back to a sans face with Cyrillic letters.
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    menu_ = std::make_unique<MainMenu>(menuBar());
    w_ = std::make_unique<FormWidgets>(this);
    w_->board->installEventFilter(this);
    pits_ = std::make_unique<BoardPits>(w_->board, this, [this](int index) { PitClick(index); });
    fit_ = std::make_unique<WindowFit>(WindowFit::Parts{
        this, w_->board, w_->iPanel, w_->Panel1, &pits_->places(), FormWidgets::kClientWidth,
        FormWidgets::kBoardHeight, FormWidgets::kStatusBarHeight});
    moves_ = std::make_unique<MoveShow>(
        *pits_, sounds_, state_,
        MoveShow::Hooks{.status = [this](const QString& text) { SetLabel(text); },
                        .result =
                            [this](const QString& text) {
                                ui_.showResult(this, translated(kTitle), translated(text));
                            },
                        .done = [this](online::PlayedGame* mover) { moveShown(mover); }});
    lobby_ = std::make_unique<LobbyDialogs>(this, *link_, ui_, kTitle, lobbyHooks());
    side_ = std::make_unique<SideWindows>(
        this, ui_, files_, state_, [this](online::Effects e) { apply(std::move(e), nullptr); });
    hint_ = std::make_unique<HintLight>(*pits_, state_);
    chat_ = std::make_unique<ChatLink>(
        menu_->N44, *w_->iPanel, state_.table(),
        ChatLink::Hooks{[this](online::Effects e) { applyTable(std::move(e)); },
                        [this] { fit_->refit(); }, [this] { saveSettings(); }});
    state_.local().setSink(
        [this](online::Effects effects) { apply(std::move(effects), &state_.local()); });
    state_.setRequestQuery([this] { return link_->runner().busy(); });
    game_.setLevel(kLevelHard);
    menu_->levelItem(game_.level())->setChecked(true);
    connectMenu();
    move(20, 50);
    showBoard();
    showCommands();
    SetLabel(QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Ваш ход")));
    UpdateFormLabels();
    UpdateCursor();
}

TForm1::~TForm1() = default;

TLunka* TForm1::pit(int index) const {
    return pits_->pit(index);
}

void TForm1::SetLabel(const QString& text) {
    setShownText(w_->Panel1, text);
    w_->Panel1->repaint();
}

void TForm1::SetFon() {
    w_->board->repaint();
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
    sounds_.setOn(remembered.soundOn);
    setLevelItem(remembered.level);
    master_.setThinkTime(std::chrono::milliseconds(remembered.masterTimeMs));
    setSearchThreads(remembered.searchThreads > 0 ? remembered.searchThreads
                                                  : MasterSearch::defaultThreads());
    setOwnRowBottom(remembered.ownRowBottom);
    chat_->setOn(remembered.chatOn);
    files_.setSettings(settings);
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
        settings_->save({BackgroundIndex, sounds_.on(), game_.level(),
                         static_cast<int>(master_.thinkTime().count()), ownRowBottom_,
                         threadsSetting, chat_->on()});
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
        PitClick(online::PitForDigit(key.digitValue(), boardTurned()));
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Closing just stops what runs: the waiting request gives up at once, a move or hint
    // stops where it is, and the program can end from its own event loop.
    link_->runner().abort();
    timers_.stopAll();
    moves_->forget();
    stopMove();
    hint_->end();
    state_.table().stop();
    apply(state_.local().abandon(), nullptr);
    // The dialogs go too, or the program would wait for them to close.
    for (QWidget* dialog : lobby_->dialogs()) dialog->hide();
    side_->hide();
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
    if (pits_) pits_->retranslate();
    if (!lobby_) return;
    // The dialogs lay themselves out anew for their new texts.
    for (QWidget* dialog : lobby_->dialogs()) {
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(dialog, &change);
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == w_->board && event->type() == QEvent::Paint) {
        // The texture covers the client area; the window's own colour shows only where it
        // cannot.
        QPainter painter(w_->board);
        media::paintTexture(painter, BackgroundIndex, frameGeometry().size());
        return false;
    }
    const bool helpKey =
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1;
    if (!helpKey) return QMainWindow::eventFilter(watched, event);
    event->accept();
    if (event->type() == QEvent::KeyPress) help_.topicOf(watched);
    return true;
}

}  // namespace pimra
