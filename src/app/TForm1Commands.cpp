#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

#include <algorithm>

#include "AnalysisWindow.h"
#include "InfoPanel.h"
#include "MainMenu.h"
#include "RecordWindow.h"
#include "ShownText.h"
#include "SitePages.h"
#include "TForm1.h"
#include "TLunka.h"
#include "UiServices.h"
#include "media/AppSettings.h"

namespace pimra {

namespace {

std::string localPath(const QString& fileName) {
    return QFile::encodeName(fileName).toStdString();
}

}  // namespace

void TForm1::N2Click() {
    NewGame();
}

void TForm1::NewGame() {
    mover_ = nullptr;  // the move stops where it is, and no replay follows it
    stopMove();
    const online::Effects effects = state_.newGame();
    turnedShown_ = false;
    // What was said of the old game's record is no news about the new one.
    if (recordWindow_) recordWindow_->setMessage({});
    for (int i = 1; i <= kPitCount; ++i) pit(i)->PlacePit(i);
    iPanel->setTurned(false);
    UpdateFormLabels();
    UpdateCursor();
    apply(effects, nullptr);
}

void TForm1::N7Click() {
    const QString fileName = ui_.saveGameFileName(this, gameFolder_);
    if (fileName.isEmpty()) return;
    const std::string path = localPath(fileName);
    const SaveOutcome outcome = writeSavedGame(path, game_.position());
    if (outcome == SaveOutcome::Saved) {
        gameFile_.remember(path);
        rememberFolderOf(fileName);
    }
    SetLabel(QString::fromUtf8(outcomeText(outcome)));
}

void TForm1::N11Click() {
    if (!gameFile_.empty()) {
        loadFrom(QFile::decodeName(gameFile_.fileName().c_str()), false);
        return;
    }
    const QString fileName = ui_.openGameFileName(this, gameFolder_);
    if (!fileName.isEmpty()) loadFrom(fileName, true);
}

void TForm1::N23Click() {
    const QString fileName = ui_.openGameFileName(this, gameFolder_);
    if (!fileName.isEmpty()) loadFrom(fileName, false);
}

void TForm1::loadFrom(const QString& fileName, bool remember) {
    const std::string path = localPath(fileName);
    const LoadedGame loaded = readSavedGame(path);
    if (loaded.position) {
        stopMove();
        apply(state_.load(*loaded.position), nullptr);
        if (remember) gameFile_.remember(path);
        rememberFolderOf(fileName);
    }
    SetLabel(QString::fromUtf8(outcomeText(loaded.outcome)));
    UpdateFormLabels();
    UpdateCursor();
}

void TForm1::rememberFolderOf(const QString& fileName) {
    gameFolder_ = QFileInfo(fileName).absolutePath();
    if (settings_ != nullptr) settings_->saveGameFolder(gameFolder_);
}

void TForm1::N4Click() {
    close();
}

void TForm1::N10Click() {
    soundOn_ = menu_->N10->isChecked();
    saveSettings();
}

void TForm1::N6Click() {
    ui_.openUrl(link_->page(sitePagePath(SitePage::Rules, language_.current())));
}

void TForm1::N39Click() {
    // Logged in, the game's page is the player's own on the server.
    ui_.openUrl(session().LoggedIn()
                    ? playerPage()
                    : link_->page(sitePagePath(SitePage::Info, language_.current())));
}

void TForm1::myGamesClick() {
    if (session().LoggedIn()) ui_.openUrl(playerPage());
}

QUrl TForm1::playerPage() const {
    const QByteArray login = QUrl::toPercentEncoding(QString::fromStdString(session().OwnLogin));
    QUrl page = link_->site();
    page.setPath(QStringLiteral("/u/") + QString::fromLatin1(login), QUrl::TolerantMode);
    return page;
}

void TForm1::N40Click() {
    const QString text = translated(QT_TRANSLATE_NOOP("pimra", "Пимра — игра в калах для двоих")) +
                         QLatin1Char('\n') +
                         translated(QT_TRANSLATE_NOOP("pimra", "Версия 0.1, для Linux")) +
                         QLatin1Char('\n') + link_->site().toString();
    ui_.showAbout(this, translated(QT_TRANSLATE_NOOP("pimra", "О программе")), text);
}

void TForm1::setLevelItem(int level) {
    QAction* own = menu_->levelItem(level);
    if (game_.level() == level) {
        // A click on the ticked item changes nothing; Qt has just unticked it.
        own->setChecked(true);
        return;
    }
    for (int other = 0; other <= kLevelMaster; ++other) menu_->levelItem(other)->setChecked(false);
    own->setChecked(true);
    game_.setLevel(level);
    saveSettings();
    // The computer thinking of its move starts again at the new level.
    apply(state_.local().levelChanged(), &state_.local());
}

void TForm1::setSearchThreads(int threads) {
    threads = std::clamp(threads, 1, MainMenu::kMenuThreads);
    master_.setThreads(threads);
    if (analysisWindow_) analysisWindow_->setThreads(threads);
    menu_->threadItems[static_cast<std::size_t>(threads - 1)]->setChecked(true);
    saveSettings();
}

void TForm1::N20Click() {
    if (!game_.history().canGoBack()) return;
    game_.goBack();
    showBoard();
    showCommands();
}

void TForm1::N29Click() {
    if (!game_.history().canGoForward()) return;
    game_.goForward();
    showBoard();
    showCommands();
}

void TForm1::N24Click() {
    if (hintTimer_.isActive()) return;
    const int index = game_.hint();
    if (index == 0) return;
    hinted_ = pit(index);
    hinted_->HighlightPit();
    state_.setHint(true);
    hintTimer_.start(hintDuration_);
}

void TForm1::endHint() {
    hintTimer_.stop();
    state_.setHint(false);
    if (hinted_ == nullptr) return;
    hinted_->NormalPit();
    hinted_ = nullptr;
}

void TForm1::N25Click() {
    game_.swapRows();
    for (int k = 1; k <= 7; ++k) showPits(game_.position(), {k + 7, k});
    updateSideWindows();
}

void TForm1::N27Click() {
    game_.addStones();
    for (int k = 1; k <= 6; ++k) showPits(game_.position(), {k + 7, k});
    showCommands();
}

void TForm1::N28Click() {
    game_.removeStones();
    for (int k = 1; k <= 6; ++k) showPits(game_.position(), {k + 7, k});
    showCommands();
}

void TForm1::backgroundClick(int index) {
    BackgroundIndex = index;
    SetFon();
    saveSettings();
}

void TForm1::showBoard() {
    for (int i = 1; i <= kPitCount; ++i) pit(i)->setStones(game_.position()[i]);
    updateSideWindows();
}

}  // namespace pimra
