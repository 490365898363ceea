#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include "FakeUiServices.h"
#include "FormFixture.h"
#include "MainMenu.h"
#include "TLunka.h"
#include "TestForm.h"
#include "core/SavedGame.h"

using namespace pimra;
using pimra::test::FakeUiServices;
using pimra::test::RecordingSounds;

namespace {

int firstPlayablePit(const Position& position) {
    for (int i = 1; i <= 6; ++i)
        if (position[i] > 0) return i;
    return 0;
}

QColor colourAt(QWidget* widget, QPoint point) {
    return widget->grab().toImage().pixelColor(point);
}

}  // namespace

class PlayTest : public QObject, private pimra::test::FormFixture {
    Q_OBJECT

  private slots:
    void init() { openForm(); }
    void cleanup() { closeForm(); }

    void fullGameAgainstEachLevel_data() {
        QTest::addColumn<int>("level");
        QTest::newRow("variable") << 0;
        QTest::newRow("easy") << 1;
        QTest::newRow("normal") << 2;
        QTest::newRow("hard") << 3;
        QTest::newRow("very hard") << 4;
    }
    void fullGameAgainstEachLevel() {
        QFETCH(int, level);
        menu().levelItem(level)->trigger();
        QCOMPARE(form_->game().level(), level);

        bool busyAtResult = false;
        bool menuLockedAtResult = false;
        ui_->onResult = [&] {
            busyAtResult = form_->isBusy();
            menuLockedAtResult = !menu().N26->menuAction()->isEnabled();
        };
        for (int turn = 0; turn < 400 && ui_->results.isEmpty(); ++turn) {
            const int pit = firstPlayablePit(form_->game().position());
            QVERIFY2(pit != 0, "the bottom row ran empty without a result");
            click(pit);
        }
        // A store past 36 ends the game on every later move too, the computer's included.
        QVERIFY(!ui_->results.isEmpty());
        QCOMPARE(ui_->resultTitles.first(), QStringLiteral("Пимра"));
        QCOMPARE(ui_->results.last(), QString::fromStdString(resultText(form_->game().position())));
        QVERIFY(busyAtResult);
        QVERIFY(menuLockedAtResult);
        QVERIFY(!form_->isBusy());
        for (QAction* item : menu().topLevel()) QVERIFY(item->isEnabled());
        // The board shows what the game holds.
        for (int i = 1; i <= kPitCount; ++i)
            QCOMPARE(form_->pit(i)->Stones, form_->game().position()[i]);
    }

    void clicksAndKeysDuringAMoveAreRefused() {
        int seen = 0;
        bool busy = false;
        QTimer::singleShot(0, this, [&] {
            // Runs inside the first flash of the move, as a real click would.
            busy = form_->isBusy();
            QTest::mouseClick(form_->pit(2), Qt::LeftButton);
            QTest::keyClick(form_.get(), '4');
            form_->PitClick(form_->pit(5));
            ++seen;
        });
        click(1);
        QCOMPARE(seen, 1);
        QVERIFY(busy);
        QCOMPARE(form_->game().history().moveNumber(), 1);
        Position expected = Position::start();
        expected[1] = 0;
        for (int i = 2; i <= 6; ++i) expected[i] = 7;
        expected[7] = 1;
        QCOMPARE(form_->game().position(), expected);
        QVERIFY(!form_->isBusy());
    }

    void menuIsLockedDuringAMoveAndReleasedAfter() {
        QList<bool> enabledDuring;
        int levelDuring = -1;
        QTimer::singleShot(0, this, [&] {
            for (QAction* item : menu().topLevel()) enabledDuring << item->isEnabled();
            // Short-cuts of locked items do nothing; the level may change.
            QTest::keyClick(form_.get(), Qt::Key_F5);
            QTest::keyClick(form_.get(), Qt::Key_F9);
            menu().N25->trigger();
            QTest::keyClick(form_.get(), Qt::Key_E, Qt::ControlModifier);
            levelDuring = form_->game().level();
        });
        click(3);
        // "Игра с компьютером" stays open for "Новая" and the loads; "Сохранить" waits.
        QCOMPARE(enabledDuring, QList<bool>({false, true, false, true, true, false, false}));
        QCOMPARE(ui_->saveAsked, 0);
        QCOMPARE(levelDuring, 1);
        for (QAction* item : menu().topLevel()) QVERIFY(item->isEnabled());
        QVERIFY(menu().N20->isEnabled());
        QVERIFY(!menu().N29->isEnabled());
        QCOMPARE(form_->game().history().moveNumber(), 1);
        QCOMPARE(form_->game().sideToMove(), Side::Bottom);
        QVERIFY(form_->game().position() != Position::start());
    }

    void everyStepIsOnScreenBeforeTheNext() {
        QList<Position> shown;
        connect(form_->steps(), &MoveAnimator::stepShown, this, [&] {
            Position board;
            for (int i = 1; i <= kPitCount; ++i) board[i] = form_->pit(i)->Stones;
            shown << board;
        });
        const MoveResult expected = playMove(Position::start(), Side::Bottom, 1);
        click(1);
        QCOMPARE(shown.size(), static_cast<int>(expected.steps.size()));
        for (int k = 0; k < shown.size(); ++k)
            QCOMPARE(shown[k], expected.steps[static_cast<std::size_t>(k)].position);
    }

    void aNewGameOrALoadCutsAMoveOfAnySizeShort() {
        QTemporaryDir dir;
        const QString saved = dir.filePath("game.sav");
        const QString notAGame = dir.filePath("text.sav");
        Position loaded = Position::start();
        loaded[3] = 0;
        loaded[7] = 6;
        QCOMPARE(writeSavedGame(saved.toStdString(), loaded), SaveOutcome::Saved);
        QFile text(notAGame);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a game :-)");
        text.close();
        // 140 stones in one pit: more than ten times round the board, a long move.
        Position big;
        big[1] = 140;
        big[8] = 1;
        form_->setStepDelay(5);
        for (const char* command : {"new", "bad load", "load"}) {
            form_->game().loadPosition(big, true);
            QTest::mouseClick(form_->pit(1), Qt::LeftButton);
            QVERIFY(QTest::qWaitFor([&] { return form_->pit(1)->Stones == 0; }));
            QVERIFY(form_->isBusy());
            QVERIFY(menu().N2->isEnabled() && menu().N23->isEnabled());
            const QString what = QString::fromLatin1(command);
            if (what == "new") {
                QTest::keyClick(form_.get(), Qt::Key_F2);
            } else {
                ui_->openName = what == "load" ? saved : notAGame;
                QTest::keyClick(form_.get(), Qt::Key_F7);
            }
            if (what == "bad load") {
                // A file that is not loaded leaves the move running to its end.
                QVERIFY(form_->isBusy());
                QCOMPARE(form_->statusText(), QString::fromUtf8(kLoadNotAGameText));
                settle();
                continue;
            }
            QVERIFY(!form_->isBusy());
            const Position expected = what == "new" ? Position::start() : loaded;
            QCOMPARE(form_->game().position(), expected);
            for (int i = 1; i <= kPitCount; ++i) QCOMPARE(form_->pit(i)->Stones, expected[i]);
            for (QAction* item : menu().topLevel()) QVERIFY(item->isEnabled());
            QVERIFY(menu().N7->isEnabled());
            // Nothing of the stopped move follows; the game goes on from the new board.
            QTest::qWait(100);
            QCOMPARE(form_->game().position(), expected);
            QCOMPARE(form_->game().sideToMove(), Side::Bottom);
        }
        form_->setStepDelay(0);
        const int turns = form_->game().history().moveNumber();
        click(1);
        QCOMPARE(form_->game().history().moveNumber(), turns + 1);
    }

    void aComputerThatThinksElsewhereIsWaitedFor() {
        // Answers from the event loop, some time after it was asked, as a search on another
        // thread would.
        struct LateChooser : MoveChooser {
            int asked = 0;
            void choose(const Position&, int, Answer answer) override {
                ++asked;
                QTimer::singleShot(5, qApp, [answer] { answer(8); });
            }
        } late;
        form_->setMoveChooser(&late);
        Position start;
        for (int i = 1; i <= 6; ++i) start[i] = 1;
        start[8] = 2;
        start[9] = 2;
        form_->game().loadPosition(start, true);
        QTest::mouseClick(form_->pit(1), Qt::LeftButton);  // one stone to pit 2: the top's turn
        QVERIFY(QTest::qWaitFor([&] { return late.asked == 1; }));
        QVERIFY(form_->isBusy());
        // While the computer thinks the game may be begun anew, not the position changed.
        QVERIFY(menu().N1->menuAction()->isEnabled());
        QVERIFY(!menu().N26->menuAction()->isEnabled());
        QCOMPARE(form_->messagePane()->text(), QStringLiteral("Компьютер думает…"));
        click(3);  // refused meanwhile
        QVERIFY(!form_->isBusy());
        QCOMPARE(late.asked, 1);
        QCOMPARE(form_->game().history().moveNumber(), 1);
        QCOMPARE(form_->game().position()[8], 0);  // the late answer was played
        QCOMPARE(form_->pit(8)->Stones, 0);
        QCOMPARE(form_->game().sideToMove(), Side::Bottom);
        QVERIFY(menu().N1->menuAction()->isEnabled());
        QVERIFY(menu().N26->menuAction()->isEnabled());
        QVERIFY(form_->messagePane()->text().isEmpty());
        form_->setMoveChooser(nullptr);
    }

    void theMasterAnswersWhileTheWindowRuns() {
        startMasterTurn(std::chrono::milliseconds(20));
        if (QTest::currentTestFailed()) return;
        settle();  // the reply arrives while the event loop runs
        QCOMPARE(form_->game().history().moveNumber(), 1);
        QCOMPARE(form_->game().sideToMove(), Side::Bottom);
        const Position& after = form_->game().position();
        QVERIFY(after[8] == 0 || after[9] == 0);  // one of the top's two pits was played
        QCOMPARE(form_->pit(8)->Stones, after[8]);
        QVERIFY(form_->messagePane()->text().isEmpty());
        QVERIFY(menu().N26->menuAction()->isEnabled());
    }

    void aNewGameDuringTheThoughtDropsIt() {
        startMasterTurn(std::chrono::milliseconds(60000));
        if (QTest::currentTestFailed()) return;
        QTest::keyClick(form_.get(), Qt::Key_F2);  // "Новая"
        QVERIFY(!form_->computerThinking());
        QVERIFY(!form_->isBusy());
        // A result already on its way would be delivered by the events still queued.
        QCoreApplication::processEvents();
        QCOMPARE(form_->game().position(), Position::start());
        QVERIFY(form_->messagePane()->text().isEmpty());
        QVERIFY(menu().N26->menuAction()->isEnabled());
        QCOMPARE(form_->game().level(), 5);
        click(1);  // the new game plays on: six stones end in the user's store
        QCOMPARE(form_->game().sideToMove(), Side::Bottom);
    }

    void aLevelChangeDuringTheThoughtAnswersAtTheNewLevel() {
        startMasterTurn(std::chrono::milliseconds(60000));
        if (QTest::currentTestFailed()) return;
        menu().N19->trigger();  // "Очень сложный" answers at once
        QVERIFY(!form_->computerThinking());
        settle();
        QCOMPARE(form_->game().level(), 4);
        QCOMPARE(form_->game().history().moveNumber(), 1);
        QCOMPARE(form_->game().sideToMove(), Side::Bottom);
        QVERIFY(form_->messagePane()->text().isEmpty());
    }

    void aLoadDuringTheThoughtStopsItAndAFailedOneDoesNot() {
        QTemporaryDir dir;
        const QString missing = dir.filePath("missing.sav");
        const QString saved = dir.filePath("game.sav");
        Position loaded = Position::start();
        loaded[1] = 0;
        loaded[2] = 12;
        QCOMPARE(writeSavedGame(saved.toStdString(), loaded), SaveOutcome::Saved);
        startMasterTurn(std::chrono::milliseconds(60000));
        if (QTest::currentTestFailed()) return;
        ui_->openName = missing;
        QTest::keyClick(form_.get(), Qt::Key_F7);  // "Выбрать ": nothing to load
        QVERIFY(form_->computerThinking());
        ui_->openName = saved;
        QTest::keyClick(form_.get(), Qt::Key_F7);
        QVERIFY(!form_->computerThinking());
        QVERIFY(!form_->isBusy());
        QCoreApplication::processEvents();
        QCOMPARE(form_->game().position(), loaded);
        QVERIFY(form_->messagePane()->text().isEmpty());
        QVERIFY(menu().N26->menuAction()->isEnabled());
    }

    void closingDuringTheThoughtStopsIt() {
        startMasterTurn(std::chrono::milliseconds(60000));
        if (QTest::currentTestFailed()) return;
        form_->close();
        QVERIFY(!form_->computerThinking());
        QVERIFY(!form_->isBusy());
        QCoreApplication::processEvents();
        // The user's move stands; the top row has not moved.
        QCOMPARE(form_->game().position()[2], 2);
        QCOMPARE(form_->game().position()[8], 2);
        QCOMPARE(form_->game().position()[9], 2);
    }

    void soundsOfAMove() {
        RecordingSounds sounds;
        form_->setMoveSounds(&sounds);
        click(1);
        const std::vector<MoveSound> expected = {
            MoveSound::Take,   MoveSound::Select, MoveSound::Select, MoveSound::Select,
            MoveSound::Select, MoveSound::Select, MoveSound::Select};
        QCOMPARE(sounds.played, expected);

        // Bottom 2 0 0 0 0 0 | top pits with stones: pit 1 drops into empty pit 3 and captures.
        Position capture;
        capture[1] = 2;
        capture[11] = 4;
        capture[8] = 1;
        form_->game().loadPosition(capture, true);
        sounds.played.clear();
        form_->Hod(1);
        settle();
        QCOMPARE(sounds.played.back(), MoveSound::Put);

        menu().N10->trigger();
        sounds.played.clear();
        form_->game().loadPosition(Position::start(), true);
        form_->Hod(2);
        settle();
        QVERIFY(sounds.played.empty());
        form_->setMoveSounds(nullptr);
    }

    void closingDuringAMoveEndsCleanly() {
        auto* form = new TestForm(*ui_);
        form->setStepDelay(2);
        form->show();
        QPointer<TestForm> guard(form);
        int steps = 0;
        connect(form->steps(), &MoveAnimator::stepShown, this, [&] {
            if (++steps == 3) form->close();
        });
        form->PitClick(form->pit(3));
        QVERIFY(QTest::qWaitFor([form] { return !form->isVisible(); }));
        QVERIFY(guard);
        QVERIFY(!form->isBusy());
        QVERIFY(steps < 8);
        delete form;
    }

    void closingDuringTheComputerReplyEndsCleanly() {
        auto* form = new TestForm(*ui_);
        form->setStepDelay(1);
        form->show();
        int lifts = 0;
        // The second lift is the computer's first move.
        connect(form->steps(), &MoveAnimator::stepShown, this, [&](int step) {
            if (step == 0 && ++lifts == 2) QTimer::singleShot(0, form, &QWidget::close);
        });
        form->PitClick(form->pit(3));
        QVERIFY(QTest::qWaitFor([form] { return !form->isVisible(); }));
        QCOMPARE(lifts, 2);
        QVERIFY(!form->isVisible());
        QVERIFY(ui_->results.isEmpty());
        delete form;
    }

    void destroyingTheWindowDuringAMoveTouchesNothing() {
        auto* form = new TestForm(*ui_);
        form->setStepDelay(1);
        form->show();
        QPointer<TestForm> guard(form);
        connect(form->steps(), &MoveAnimator::stepShown, this, [&](int step) {
            if (step == 4) delete form;
        });
        form->PitClick(form->pit(3));
        QVERIFY(QTest::qWaitFor([&guard] { return guard.isNull(); }));
    }

    void closingMidMoveEndsTheProgram() {
        // As in main(): the window is the last one, and closing it ends the event loop.
        form_->hide();
        auto* form = new TestForm(*ui_);
        form->setStepDelay(5);
        form->show();
        connect(form->steps(), &MoveAnimator::stepShown, this, [form](int step) {
            if (step == 3) form->close();
        });
        QTimer::singleShot(0, form, [form] { form->PitClick(form->pit(3)); });
        // Only a program that never ends would get here.
        QTimer::singleShot(60000, qApp, [] { QCoreApplication::exit(2); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!form->isBusy());
        delete form;
    }

    void screenshotsAtStartAndDuringAMove() {
        QDir().mkpath(PIMRA_SCREENSHOT_DIR);
        QVERIFY(form_->grab().save(PIMRA_SCREENSHOT_DIR "/start.png"));
        // Stones of pit 1 and its count box at the bottom right.
        QCOMPARE(colourAt(form_->pit(1), {9, 9}), QColor(0, 128, 0));
        QCOMPARE(colourAt(form_->pit(1), {35, 35}), QColor(255, 255, 255));

        bool grabbed = false;
        QColor lifted;
        QColor sown;
        connect(form_->steps(), &MoveAnimator::stepShown, this, [&](int step) {
            if (step != 3 || grabbed) return;
            grabbed = form_->grab().save(PIMRA_SCREENSHOT_DIR "/move.png");
            lifted = colourAt(form_->pit(1), {35, 35});
            sown = colourAt(form_->pit(3), {9, 19});
        });
        click(1);
        QVERIFY(grabbed);
        QCOMPARE(lifted, QColor(192, 220, 192));
        QCOMPARE(sown, QColor(0, 128, 0));  // the seventh stone starts a second row
    }

  private:
    // The user's pit 1 holds one stone: its move passes the turn to the top row at once.
    // Selects "Мастер" by its short-cut and plays a move it must answer; returns once it thinks.
    void startMasterTurn(std::chrono::milliseconds thinkTime) {
        form_->setMasterTime(thinkTime);
        QTest::keyClick(form_.get(), Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(form_->game().level(), 5);
        QVERIFY(menu().N41->isChecked());
        Position start;
        for (int i = 1; i <= 6; ++i) start[i] = 1;
        start[8] = 2;
        start[9] = 2;
        form_->game().loadPosition(start, true);
        QTest::mouseClick(form_->pit(1), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([this] { return form_->computerThinking(); }));
        QCOMPARE(form_->messagePane()->text(), QStringLiteral("Компьютер думает…"));
        QVERIFY(form_->isBusy());
        QVERIFY(!menu().N26->menuAction()->isEnabled());
    }
};

QTEST_MAIN(PlayTest)
#include "PlayTest.moc"
