#include <QActionGroup>
#include <QDir>
#include <QLCDNumber>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include "FakeUiServices.h"
#include "FormFixture.h"
#include "InfoPanel.h"
#include "MainMenu.h"
#include "TLunka.h"
#include "TestForm.h"
#include "media/AppSettings.h"
#include "media/TextureLibrary.h"

using namespace pimra;
using pimra::test::FakeUiServices;
using pimra::test::waitUntilIdle;

namespace {

Position boardOf(const TestForm& form) {
    Position shown;
    for (int i = 1; i <= kPitCount; ++i) shown[i] = form.pit(i)->Stones;
    return shown;
}

Position uniform(int pits, int stores) {
    Position position;
    for (int i = 1; i <= kPitCount; ++i) position[i] = Position::isStore(i) ? stores : pits;
    return position;
}

}  // namespace

class WindowTest : public QObject, private pimra::test::FormFixture {
    Q_OBJECT

  private slots:
    void init() { openForm(); }
    void cleanup() { closeForm(); }

    void startUpState() {
        QCOMPARE(form_->windowTitle(), QStringLiteral("Пимра"));
        QCOMPARE(form_->pos(), QPoint(20, 50));
        QCOMPARE(form_->centralWidget()->size(), QSize(724, 351));
        QCOMPARE(form_->statusBar()->height(), 21);
        QCOMPARE(form_->width(), 724);
        QCOMPARE(form_->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(form_->font().pointSize(), 8);
        QCOMPARE(form_->statusText(), QStringLiteral("Ваш ход"));
        QCOMPARE(form_->statusPanel()->geometry(), QRect(270, 160, 183, 50));
        QCOMPARE(form_->loginPane()->text(), QStringLiteral("Вы не авторизованы"));
        QCOMPARE(form_->loginPane()->width(), 136);
        QVERIFY(form_->messagePane()->text().isEmpty());
        QVERIFY(!form_->infoPanel()->isVisible());
        QCOMPARE(form_->infoPanel()->Clock1->digitCount(), 4);
        QCOMPARE(boardOf(*form_), Position::start());
        QCOMPARE(form_->game().history().moveNumber(), 0);
        QCOMPARE(form_->game().level(), 3);
        QCOMPARE(form_->backgroundIndex(), 1);
        QVERIFY(!form_->isBusy());

        QVERIFY(menu().N18->isChecked());
        for (QAction* other : {menu().N16, menu().N17, menu().N19, menu().N22})
            QVERIFY(!other->isChecked());
        QVERIFY(menu().N10->isChecked());
        for (QAction* item : menu().backgrounds) QVERIFY(!item->isChecked());
        QVERIFY(!menu().N20->isEnabled());
        QVERIFY(!menu().N29->isEnabled());
        for (QAction* item : menu().topLevel()) QVERIFY(item->isEnabled());
        for (QAction* item : {menu().N24, menu().N25, menu().N27, menu().N28, menu().N2})
            QVERIFY(item->isEnabled());
    }

    void pitsArePlacedWithPointersAndTips() {
        for (int i = 1; i <= kPitCount; ++i) {
            const TLunka* lunka = form_->pit(i);
            QCOMPARE(lunka->PitIndex, i);
            QCOMPARE(lunka->Side, i <= 7 ? 1 : 2);
            QCOMPARE(lunka->IsStore, i == 7 || i == 14);
            QCOMPARE(lunka->FillColor, QColor(255, 255, 255));
            const bool store = lunka->IsStore;
            QCOMPARE(lunka->size(), store ? QSize(180, 70) : QSize(70, 70));
            QCOMPARE(lunka->toolTip(), store ? QStringLiteral("Пимра") : QStringLiteral("Лунка"));
            const Qt::CursorShape expected = i <= 6 ? Qt::PointingHandCursor : Qt::ForbiddenCursor;
            QCOMPARE(lunka->cursor().shape(), expected);
        }
        QCOMPARE(form_->pit(1)->pos(), QPoint(50, 250));
        QCOMPARE(form_->pit(6)->pos(), QPoint(600, 250));
        QCOMPARE(form_->pit(7)->pos(), QPoint(490, 150));
        QCOMPARE(form_->pit(8)->pos(), QPoint(600, 50));
        QCOMPARE(form_->pit(13)->pos(), QPoint(50, 50));
        QCOMPARE(form_->pit(14)->pos(), QPoint(50, 150));
        for (int i = 1; i <= 6; ++i) QCOMPARE(form_->pit(14 - i)->x(), form_->pit(i)->x());
    }

    void menuCaptionsAndShortcuts() {
        const QList<QAction*> bar = form_->menuBar()->actions();
        QStringList titles;
        // Shown with the letter that Alt takes underlined; the caption itself is unchanged.
        for (QAction* item : bar) titles << QString(item->text()).remove(QLatin1Char('&'));
        // "Выйти" is shown only while logged in.
        QCOMPARE(titles, QStringList({"Игра Online", "Выйти", "Игра с компьютером", "Звук",
                                      "Помощь", "Уровень", "Особые возможности", "Фон"}));
        const struct {
            QAction* item;
            const char* caption;
            QKeySequence key;
        } items[] = {
            {menu().N2, "Новая", Qt::Key_F2},
            {menu().N7, "Сохранить", Qt::Key_F5},
            {menu().N11, "Загрузить ", Qt::Key_F8},
            {menu().N23, "Выбрать ", Qt::Key_F7},
            {menu().N4, "Выход", {}},
            {menu().N10, "Звуки ходов", Qt::Key_F4},
            {menu().N6, "Правила", {}},
            {menu().N39, "Об игре", {}},
            {menu().N40, "О программе", {}},
            {menu().N16, "Легкий", Qt::CTRL | Qt::Key_E},
            {menu().N17, "Нормальный", Qt::CTRL | Qt::Key_N},
            {menu().N18, "Сложный", Qt::CTRL | Qt::Key_H},
            {menu().N19, "Очень сложный", Qt::CTRL | Qt::Key_V},
            {menu().N22, "Изменчивый", Qt::CTRL | Qt::Key_I},
            {menu().N20, "Назад", Qt::Key_F9},
            {menu().N29, "Вперед", Qt::Key_F10},
            {menu().N24, "Подсказка", Qt::Key_F11},
            {menu().N25, "Поменятся полями", {}},
            {menu().N27, "Увеличить кол-во камней", {}},
            {menu().N28, "Уменьшить кол-во камней", {}},
            {menu().backgrounds[0], "Земля", Qt::CTRL | Qt::Key_1},
            {menu().backgrounds[7], "Зеленый", Qt::CTRL | Qt::Key_8},
        };
        for (const auto& expected : items) {
            QCOMPARE(expected.item->text(), QString::fromUtf8(expected.caption));
            QCOMPARE(expected.item->shortcut(), expected.key);
        }
        QVERIFY(menu().backgroundGroup->isExclusive());
    }

    void digitKeysPlayPitsAndOthersAreIgnored() {
        for (char other : {'0', '7', '9', 'a'}) key(other);
        QCOMPARE(boardOf(*form_), Position::start());
        QCOMPARE(form_->game().history().moveNumber(), 0);

        // Pit 1 ends in its own store: the user moves again, no reply.
        key('1');
        Position expected = Position::start();
        expected[1] = 0;
        for (int i = 2; i <= 6; ++i) expected[i] = 7;
        expected[7] = 1;
        QCOMPARE(boardOf(*form_), expected);
        QCOMPARE(form_->statusText(), QStringLiteral("Ход нижнего игрока"));
        QCOMPARE(form_->game().history().moveNumber(), 1);
        QVERIFY(menu().N20->isEnabled());

        // Pit 3 passes the turn; the computer replies until the bottom row is to move.
        key('3');
        QCOMPARE(form_->game().sideToMove(), Side::Bottom);
        QCOMPARE(form_->game().history().moveNumber(), 2);
        QCOMPARE(boardOf(*form_), form_->game().position());
        QCOMPARE(form_->game().history().entry(3), form_->game().position());
    }

    void refusedClicks() {
        click(7);
        click(14);
        click(8);
        QCOMPARE(form_->game().history().moveNumber(), 0);
        QCOMPARE(boardOf(*form_), Position::start());

        // An empty pit of the user's row counts as a turn that changes nothing.
        click(1);
        click(1);
        QCOMPARE(form_->game().history().moveNumber(), 2);
        QCOMPARE(form_->game().history().entry(2), form_->game().history().entry(3));
        QVERIFY(menu().N20->isEnabled());
        QVERIFY(!menu().N29->isEnabled());
    }

    void backForwardAndNewGame() {
        click(3);
        const Position afterTurn = boardOf(*form_);
        QVERIFY(afterTurn != Position::start());
        QVERIFY(menu().N20->isEnabled());

        menu().N20->trigger();
        QCOMPARE(boardOf(*form_), Position::start());
        QVERIFY(!menu().N20->isEnabled());
        QVERIFY(menu().N29->isEnabled());
        menu().N29->trigger();
        QCOMPARE(boardOf(*form_), afterTurn);
        QVERIFY(!menu().N29->isEnabled());

        // Two steps back and a new turn forget what lay ahead.
        click(1);
        menu().N20->trigger();
        menu().N20->trigger();
        click(2);
        QVERIFY(!menu().N29->isEnabled());
        QCOMPARE(form_->game().history().redoCount(), 0);

        const Position beforeNew = boardOf(*form_);
        QTest::keyClick(form_.get(), Qt::Key_F2);
        QCOMPARE(boardOf(*form_), Position::start());
        QVERIFY(menu().N20->isEnabled());
        QVERIFY(!menu().N29->isEnabled());
        QTest::keyClick(form_.get(), Qt::Key_F9);
        QCOMPARE(boardOf(*form_), beforeNew);
        QVERIFY(!menu().N20->isEnabled());
        QTest::keyClick(form_.get(), Qt::Key_F10);
        QCOMPARE(boardOf(*form_), Position::start());
        QCOMPARE(form_->stepDelay(), 0);
    }

    void editingCommands() {
        click(2);
        const Position before = boardOf(*form_);
        menu().N25->trigger();
        Position swapped = before;
        for (int k = 1; k <= 7; ++k) std::swap(swapped[k], swapped[k + 7]);
        QCOMPARE(boardOf(*form_), swapped);
        menu().N25->trigger();
        QCOMPARE(boardOf(*form_), before);
        QCOMPARE(form_->game().history().moveNumber(), 1);

        QTest::keyClick(form_.get(), Qt::Key_F2);
        for (int k = 0; k < 6; ++k) menu().N27->trigger();
        QCOMPARE(boardOf(*form_), uniform(12, 0));
        QVERIFY(!menu().N27->isEnabled());
        menu().N27->trigger();
        QCOMPARE(boardOf(*form_), uniform(12, 0));
        for (int k = 0; k < 12; ++k) menu().N28->trigger();
        QCOMPARE(boardOf(*form_), uniform(0, 0));
        QVERIFY(!menu().N28->isEnabled());
        QVERIFY(menu().N27->isEnabled());

        // The stone shift outlives a new game.
        QTest::keyClick(form_.get(), Qt::Key_F2);
        QCOMPARE(boardOf(*form_), Position::start());
        QVERIFY(!menu().N28->isEnabled());
    }

    void levelItemsKeepOneTick() {
        QTest::keyClick(form_.get(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(form_->game().level(), 1);
        QVERIFY(menu().N16->isChecked());
        QVERIFY(!menu().N18->isChecked());
        menu().N16->trigger();
        QVERIFY(menu().N16->isChecked());
        QCOMPARE(form_->game().level(), 1);
        const struct {
            QAction* item;
            int level;
        } levels[] = {
            {menu().N17, 2}, {menu().N19, 4}, {menu().N41, 5}, {menu().N22, 0}, {menu().N18, 3}};
        for (const auto& expected : levels) {
            expected.item->trigger();
            QCOMPARE(form_->game().level(), expected.level);
            int ticked = 0;
            for (int level = 0; level <= 5; ++level) ticked += menu().levelItem(level)->isChecked();
            QCOMPARE(ticked, 1);
            QVERIFY(expected.item->isChecked());
        }
    }

    void hintHighlightsForItsDuration() {
        form_->setHintDuration(40);
        QTest::keyClick(form_.get(), Qt::Key_F11);
        QCOMPARE(form_->pit(1)->FillColor, QColor(192, 220, 192));
        QVERIFY(form_->isBusy());  // no move while the hint is shown
        click(2);
        QCOMPARE(form_->game().history().moveNumber(), 0);
        QVERIFY(waitUntilIdle(*form_));
        QCOMPARE(form_->pit(1)->FillColor, QColor(255, 255, 255));
        QCOMPARE(form_->pit(1)->frameShape(), QFrame::Panel);

        // Nothing to suggest when the bottom row is empty.
        for (int k = 0; k < 6; ++k) menu().N28->trigger();
        menu().N24->trigger();
        QVERIFY(!form_->isBusy());
        for (int i = 1; i <= 6; ++i) QCOMPARE(form_->pit(i)->FillColor, QColor(255, 255, 255));
    }

    void pagesAboutAndHelp() {
        menu().N6->trigger();
        menu().N39->trigger();
        QCOMPARE(ui_->urls, QList<QUrl>({QUrl("http://127.0.0.1:8455/rules.html"),
                                         QUrl("http://127.0.0.1:8455/info.html")}));
        form_->setSiteUrl(QUrl("http://example.test/"));
        menu().N6->trigger();
        QCOMPARE(ui_->urls.last(), QUrl("http://example.test/rules.html"));

        menu().N40->trigger();
        const QStringList lines = ui_->aboutText.split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[2], QStringLiteral("http://example.test/"));
        QVERIFY(!ui_->aboutTitle.isEmpty());

        QTest::keyClick(form_.get(), Qt::Key_F1);
        QTest::keyClick(menu().N15, Qt::Key_F1);
        QTest::keyClick(menu().N26, Qt::Key_F1);
        QTest::keyClick(menu().N30, Qt::Key_F1);
        QCOMPARE(ui_->helpTopics, QList<int>({1, 3, 4, 1}));
    }

    void soundsAndBackgroundItems() {
        QTest::keyClick(form_.get(), Qt::Key_F4);
        QVERIFY(!form_->soundOn());
        QVERIFY(!menu().N10->isChecked());
        QTest::keyClick(form_.get(), Qt::Key_4, Qt::ControlModifier);
        QCOMPARE(form_->backgroundIndex(), 4);
        QVERIFY(menu().backgrounds[3]->isChecked());
        menu().backgrounds[1]->trigger();
        QVERIFY(!menu().backgrounds[3]->isChecked());
        QCOMPARE(form_->backgroundIndex(), 2);
    }

    void rememberedSettingsAreRestoredAndKept() {
        QTemporaryDir dir;
        media::AppSettings fresh(dir.filePath("fresh.ini"));
        form_->setSettings(&fresh);
        // A fresh start: texture 1 shown, no texture item checked.
        QCOMPARE(form_->backgroundIndex(), 1);
        for (QAction* item : menu().backgrounds) QVERIFY(!item->isChecked());

        QTest::keyClick(form_.get(), Qt::Key_7, Qt::ControlModifier);
        QTest::keyClick(form_.get(), Qt::Key_F4);
        menu().N16->trigger();
        QCOMPARE(fresh.load(), (media::Settings{7, false, 1}));

        TestForm second(*ui_);
        second.setSettings(&fresh);
        QCOMPARE(second.backgroundIndex(), 7);
        QVERIFY(second.menu().backgrounds[6]->isChecked());
        QVERIFY(!second.soundOn());
        QVERIFY(!second.menu().N10->isChecked());
        QCOMPARE(second.game().level(), 1);
        QVERIFY(second.menu().N16->isChecked());
        QVERIFY(!second.menu().N18->isChecked());

        // The master level and its time per move are kept as well.
        QTest::keyClick(form_.get(), Qt::Key_M, Qt::ControlModifier);
        form_->setMasterTime(std::chrono::milliseconds(250));
        QCOMPARE(fresh.load(), (media::Settings{7, false, 5, 250}));
        TestForm third(*ui_);
        third.setSettings(&fresh);
        QCOMPARE(third.game().level(), 5);
        QVERIFY(third.menu().N41->isChecked());
        QCOMPARE(third.masterTime(), std::chrono::milliseconds(250));

        // "Потоки": the machine's default is checked and kept as 0, a chosen count as itself.
        const int defaultThreads = MasterSearch::defaultThreads();
        QVERIFY(
            third.menu().threadItems[static_cast<std::size_t>(defaultThreads - 1)]->isChecked());
        menu().threadItems[3]->trigger();
        QCOMPARE(fresh.load().searchThreads, defaultThreads == 4 ? 0 : 4);
        TestForm fourth(*ui_);
        fourth.setSettings(&fresh);
        QVERIFY(fourth.menu().threadItems[3]->isChecked());
    }

    void backgroundTextureIsTiledBehindThePits() {
        QTest::keyClick(form_.get(), Qt::Key_2, Qt::ControlModifier);
        const QImage shot = form_->centralWidget()->grab().toImage();
        const QImage wall = media::loadTexture(2).convertToFormat(QImage::Format_RGB32);
        // The client area starts with the texture's own corner, and repeats every 40 pixels.
        QCOMPARE(shot.pixelColor(0, 0), wall.pixelColor(0, 0));
        QCOMPARE(shot.pixelColor(45, 3), wall.pixelColor(5, 3));
        QCOMPARE(shot.pixelColor(3, 125), wall.pixelColor(3, 5));
    }

    void screenshotWithEveryTexture() {
        QDir().mkpath(PIMRA_SCREENSHOT_DIR);
        for (int index = 1; index <= media::kTextureCount; ++index) {
            menu().backgrounds[static_cast<std::size_t>(index - 1)]->trigger();
            const QString file = QStringLiteral(PIMRA_SCREENSHOT_DIR "/texture-%1.png").arg(index);
            QVERIFY(form_->grab().save(file));
        }
    }

    void saveAndLoadThroughTheDialogs() {
        QTemporaryDir dir;
        const QString file = dir.filePath("game.sav");
        form_->SetLabel("x");
        menu().N7->trigger();  // cancelled: nothing changes
        QCOMPARE(form_->statusText(), QStringLiteral("x"));

        ui_->saveName = file;
        QTest::keyClick(form_.get(), Qt::Key_F5);
        QCOMPARE(form_->statusText(), QStringLiteral("Игра сохранена"));
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("\6\6\6\6\6\6\0\6\6\6\6\6\6\0", 14));
        saved.close();

        click(3);
        QTest::keyClick(form_.get(), Qt::Key_F8);
        QCOMPARE(ui_->openAsked, 0);
        QCOMPARE(boardOf(*form_), Position::start());
        QCOMPARE(form_->statusText(), QStringLiteral("Сохраненная игра загужена"));
        QCOMPARE(form_->game().sideToMove(), Side::Bottom);

        // A missing or short file leaves the board alone and says why.
        click(3);
        const Position played = boardOf(*form_);
        ui_->openName = dir.filePath("missing.sav");
        QTest::keyClick(form_.get(), Qt::Key_F7);
        QCOMPARE(boardOf(*form_), played);
        QCOMPARE(form_->statusText(), QString::fromUtf8(kLoadFailedText));
        // Files that are not saved games: text, bytes 255, one byte short, longer text.
        const QList<QByteArray> notGames = {QByteArray("hello, kalah!\n"), QByteArray(14, '\xff'),
                                            QByteArray(13, '\6'), QByteArray(15, 'z'),
                                            QByteArray("\1\2\3")};
        for (const QByteArray& bytes : notGames) {
            QFile notGame(dir.filePath("not-a-game.sav"));
            QVERIFY(notGame.open(QIODevice::WriteOnly | QIODevice::Truncate));
            notGame.write(bytes);
            notGame.close();
            ui_->openName = notGame.fileName();
            form_->SetLabel("x");
            menu().N23->trigger();
            QCOMPARE(boardOf(*form_), played);
            QCOMPARE(form_->game().position(), played);
            QCOMPARE(form_->statusText(), QString::fromUtf8(kLoadNotAGameText));
        }

        // A count that does not fit the file is not reported as saved.
        Position big = played;
        big[7] = 300;
        form_->game().setPosition(big);
        menu().N7->trigger();
        QCOMPARE(form_->statusText(), QString::fromUtf8(kSaveTooManyStonesText));
        // Nor is a board that could not be loaded back.
        big[7] = played[7] + kMostStonesOnBoard + 1 - played.total();
        form_->game().setPosition(big);
        menu().N7->trigger();
        QCOMPARE(form_->statusText(), QString::fromUtf8(kSaveBeyondLoadText));
        ui_->saveName = dir.filePath("no/such/dir/game.sav");
        form_->game().setPosition(played);
        menu().N7->trigger();
        QCOMPARE(form_->statusText(), QString::fromUtf8(kSaveFailedText));
        // "Загрузить " still reads the file of the last good save.
        menu().N11->trigger();
        QCOMPARE(boardOf(*form_), Position::start());
    }

    void exitClosesTheWindow() {
        menu().N4->trigger();
        QVERIFY(!form_->isVisible());
    }
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
