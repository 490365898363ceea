#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>

#include "BoardPits.h"
#include "HintLight.h"
#include "InfoPanel.h"
#include "LobbyDialogs.h"
#include "MainMenu.h"
#include "MoveShow.h"
#include "ShownText.h"
#include "SideWindows.h"
#include "TForm1.h"
#include "UiServices.h"

namespace pimra {

void TForm1::connectMenu() {
    const MainMenu& m = *menu_;
    // Commands a running move does not allow must not run by short-cut either.
    auto guarded = [this](bool online::Commands::*allowed, auto handler) {
        return [this, allowed, handler] {
            if (state_.commands().*allowed) handler();
        };
    };
    auto edit = [this](online::BoardEdit edit) {
        return [this, edit] { apply(state_.edit(edit), nullptr); };
    };
    connect(m.N12, &QAction::triggered, this,
            guarded(&online::Commands::lobby, [this] { lobby_->showLobby(); }));
    connect(m.logout, &QAction::triggered, this, [this] { lobby_->logout(); });
    connect(m.N2, &QAction::triggered, this, &TForm1::NewGame);
    connect(m.N7, &QAction::triggered, this,
            guarded(&online::Commands::save, [this] { N7Click(); }));
    connect(m.N11, &QAction::triggered, this, [this] { loadGame(true); });
    connect(m.N23, &QAction::triggered, this, [this] { loadGame(false); });
    connect(m.N42, &QAction::triggered, this, [this] { side_->openRecord(); });
    connect(m.N4, &QAction::triggered, this, &TForm1::close);
    connect(m.N10, &QAction::triggered, this, guarded(&online::Commands::sound, [this] {
                sounds_.setOn(menu_->N10->isChecked());
                saveSettings();
            }));
    connect(m.N6, &QAction::triggered, this, [this] { help_.rules(); });
    connect(m.N39, &QAction::triggered, this, [this] { help_.info(); });
    connect(m.N40, &QAction::triggered, this, [this] { help_.about(); });
    connect(m.myGames, &QAction::triggered, this, [this] { help_.myGames(); });
    connect(m.russianItem, &QAction::triggered, this, [this] { setLanguage(UiLanguage::Russian); });
    connect(m.englishItem, &QAction::triggered, this, [this] { setLanguage(UiLanguage::English); });
    for (int level = 0; level <= kLevelMaster; ++level)
        connect(m.levelItem(level), &QAction::triggered, this,
                [this, level] { setLevelItem(level); });
    for (int k = 0; k < MainMenu::kMenuThreads; ++k)
        connect(m.threadItems[static_cast<std::size_t>(k)], &QAction::triggered, this,
                [this, k] { setSearchThreads(k + 1); });
    connect(m.N20, &QAction::triggered, this, edit(online::BoardEdit::Back));
    connect(m.N29, &QAction::triggered, this, edit(online::BoardEdit::Forward));
    connect(m.N24, &QAction::triggered, this, [this] { hint_->show(); });
    connect(m.N25, &QAction::triggered, this, edit(online::BoardEdit::SwapRows));
    connect(m.N27, &QAction::triggered, this, edit(online::BoardEdit::AddStones));
    connect(m.N28, &QAction::triggered, this, edit(online::BoardEdit::RemoveStones));
    connect(m.N43, &QAction::triggered, this, guarded(&online::Commands::special, [this] {
                side_->openAnalysis(master_.thinkTime(), master_.threads());
            }));
    for (int k = 0; k < MainMenu::kBackgroundCount; ++k)
        connect(m.backgrounds[static_cast<std::size_t>(k)], &QAction::triggered, this,
                guarded(&online::Commands::background, [this, k] { backgroundClick(k + 1); }));
    connect(m.ownRowBottom, &QAction::toggled, this, &TForm1::setOwnRowBottom);
    for (QMenu* menu : m.menus()) menu->installEventFilter(this);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { help_.topicOf(focusWidget()); });

    const InfoPanel& panel = *w_->iPanel;
    connect(panel.RzButton1, &QPushButton::clicked, this, &TForm1::RzButton1Click);
    connect(panel.bReady, &QPushButton::clicked, this,
            [this] { tableButton(&online::TableController::ready); });
    connect(panel.bLeave, &QPushButton::clicked, this,
            [this] { tableButton(&online::TableController::leaveTable); });
    connect(panel.bRematch, &QPushButton::clicked, this,
            [this] { tableButton(&online::TableController::rematch); });
    // The table may have moved on while the question was open: the table decides then.
    connect(panel.bResign, &QPushButton::clicked, this, [this] {
        if (ui_.confirm(this, translated(kTitle), translated("Сдать партию?"))) {
            tableButton(&online::TableController::resign);
        }
    });
    connect(panel.bDraw, &QPushButton::clicked, this,
            [this] { tableButton(&online::TableController::offerDraw); });
    connect(panel.bWatchRematch, &QPushButton::clicked, this,
            [this] { tableButton(&online::TableController::watchRematch); });
}

void TForm1::NewGame() {
    moves_->forget();  // the move stops where it is, and no replay follows it
    stopMove();
    const online::Effects effects = state_.newGame();
    side_->forgetMessage();
    UpdateFormLabels();
    UpdateCursor();
    apply(effects, nullptr);
}

void TForm1::N7Click() {
    if (const std::optional<QString> outcome = files_.save(this, game_.position()))
        SetLabel(*outcome);
}

// "Загрузить" (`again`: the last file, without asking) and "Выбрать".
void TForm1::loadGame(bool again) {
    const std::optional<LoadedGame> loaded = files_.load(this, again);
    if (!loaded) return;
    if (loaded->position) {
        stopMove();
        apply(state_.load(*loaded->position), nullptr);
    }
    SetLabel(QString::fromUtf8(outcomeText(loaded->outcome)));
    UpdateFormLabels();
    UpdateCursor();
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
    side_->setThreads(threads);
    menu_->threadItems[static_cast<std::size_t>(threads - 1)]->setChecked(true);
    saveSettings();
}

void TForm1::backgroundClick(int index) {
    BackgroundIndex = index;
    SetFon();
    saveSettings();
}

}  // namespace pimra
