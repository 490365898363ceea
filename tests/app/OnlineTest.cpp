#include <QCheckBox>
#include <QDir>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include "ChatPane.h"
#include "FakeSessionStore.h"
#include "FakeUiServices.h"
#include "FormFixture.h"
#include "InfoPanel.h"
#include "LoopbackGameServer.h"
#include "MainMenu.h"
#include "TLoginForm.h"
#include "TLunka.h"
#include "TestForm.h"
#include "TfAddGame.h"
#include "TfNet.h"
#include "core/Move.h"
#include "online/RememberedSession.h"

using namespace pimra;
using pimra::test::FakeUiServices;

namespace {

const QString kUnreachable =
    QStringLiteral("Сервер недоступен, или отсутствует подключение к интернету!");
constexpr int kNever = 3600 * 1000;  // the test ticks the timers itself

// One person at the program: the window with its own desktop fake.
struct Player {
    FakeUiServices ui;
    std::unique_ptr<TestForm> form;
};

Position boardOf(const TestForm& form) {
    Position shown;
    for (int i = 1; i <= kPitCount; ++i) shown[i] = form.pit(i)->Stones;
    return shown;
}

QString clockText(const QLCDNumber* clock) {
    return clock->accessibleName();
}

}  // namespace

class OnlineTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    server::ManualClock clock_;
    std::unique_ptr<test::LoopbackGameServer> server_;
    test::LoopbackGameServer::Socket socket_ = test::LoopbackGameServer::Socket::Off;
    int port_ = 0;
    std::vector<std::unique_ptr<Player>> players_;

    void startServer() {
        server_ = std::make_unique<test::LoopbackGameServer>(
            dir_.filePath(QStringLiteral("server.db")).toStdString(), clock_, port_, socket_);
        QVERIFY(server_->port() > 0);
        port_ = server_->port();
    }

    // Every window has finished what it was doing: moves, replays and requests.
    void settleAll() {
        for (auto& player : players_) QVERIFY(test::waitUntilIdle(*player->form));
    }

    TestForm& newPlayer() {
        auto player = std::make_unique<Player>();
        player->form = std::make_unique<TestForm>(player->ui);
        TestForm& form = *player->form;
        form.setSiteUrl(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port_)));
        form.setStepDelay(0);
        form.setOnlineStepDelay(0);
        form.setTimerPeriods(kNever, kNever);
        // An "alive" of its own would hold a poll back on a slow machine.
        form.setAlivePeriod(kNever);
        form.setClockPause(0);
        // The windows count the table's times by the server's own clock.
        form.setTableClock([this] { return std::chrono::milliseconds(clock_.nowMs()); });
        form.show();
        players_.push_back(std::move(player));
        return form;
    }
    FakeUiServices& uiOf(const TestForm& form) {
        for (auto& player : players_) {
            if (player->form.get() == &form) return player->ui;
        }
        qFatal("no such player");
    }

    void logIn(TestForm& form, const QString& login, const QString& password) {
        form.loginForm()->eLogin->setText(login);
        form.loginForm()->ePass->setText(password);
        form.loginForm()->RzBitBtn1Click();
        settleAll();
    }
    // "Создать стол" with the given minutes and bonus; gives the new table's row.
    int createTable(TestForm& form, int minutes, int bonus) {
        form.addGameForm()->RzSpinEdit1->setValue(minutes);
        form.addGameForm()->RzSpinEdit2->setValue(bonus);
        QTimer::singleShot(0, form.addGameForm(), &QDialog::accept);
        form.lobby()->RzButton1Click();
        settleAll();
        return form.lobby()->SG->rowCount() - 1;
    }
    static int tableOfRow(const TestForm& form, int row) {
        return form.lobby()->SG->item(row, 0)->text().toInt();
    }
    // Shows the lobby, picks the table's row and presses the button; gives its caption.
    QString enter(TestForm& form, int table) {
        form.N12Click();
        settleAll();
        QTableWidget* grid = form.lobby()->SG;
        for (int row = 0; row < grid->rowCount(); ++row) {
            if (grid->item(row, 0)->text().toInt() == table) grid->setCurrentCell(row, 0);
        }
        const QString caption = form.lobby()->bInput->text();
        form.lobby()->bInputClick();
        settleAll();
        return caption;
    }
    // Two players seated and ready, the spectator (if any) watching.
    int startedTable(TestForm& first, TestForm& second, int minutes, int bonus) {
        first.N12Click();
        settleAll();
        const int table = tableOfRow(first, createTable(first, minutes, bonus));
        enter(first, table);
        enter(second, table);
        first.bReadyClick();
        settleAll();
        second.bReadyClick();
        settleAll();
        first.Timer1Timer();  // nobody was to move: a reload
        settleAll();
        return table;
    }
    struct GameWithSpectator {
        TestForm& anna;
        TestForm& boris;
        TestForm& watcher;
        int table;
    };
    // Анна and Boris logged in at a started game, a third window watching it.
    GameWithSpectator gameWithSpectator(int minutes, int bonus) {
        TestForm& anna = newPlayer();
        TestForm& boris = newPlayer();
        TestForm& watcher = newPlayer();
        logIn(anna, QStringLiteral("Анна"), QStringLiteral("пароль"));
        logIn(boris, QStringLiteral("Boris"), QStringLiteral("secret"));
        const int table = startedTable(anna, boris, minutes, bonus);
        enter(watcher, table);
        return {anna, boris, watcher, table};
    }
    static TestForm& mover(TestForm& a, TestForm& b) {
        const auto& state = a.onlineTable().State();
        return state.Table.activeLogin == state.Table.seat1.login
                   ? (a.session().OwnLogin == state.Table.seat1.login ? a : b)
                   : (a.session().OwnLogin == state.Table.seat2.login ? a : b);
    }
    // The first pit of the mover's row that holds stones.
    static int anyPlayablePit(const TestForm& form) {
        const Side side = form.onlineTable().SideToMove();
        for (int pit = 1; pit <= kPitCount; ++pit) {
            if (Position::sideOf(pit) == side && canPlayPit(form.game().position(), pit))
                return pit;
        }
        return 0;
    }
    // Anna plays pit 3 and Boris pit 10, each passing the turn; every window has seen both.
    void playPassingMoves(TestForm& anna, TestForm& boris) {
        QTest::mouseClick(anna.pit(3), Qt::LeftButton);
        settleAll();
        boris.Timer1Timer();
        settleAll();
        QTest::mouseClick(boris.pit(10), Qt::LeftButton);
        settleAll();
        for (auto& player : players_) {
            player->form->Timer1Timer();
            settleAll();
        }
        QCOMPARE(anna.onlineTable().State().LastRecord, 2);
    }
    void shootInBothLanguages(TestForm& form, const char* name) {
        shoot(form.infoPanel(), name, 3);
        form.setLanguage(UiLanguage::English);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        shoot(form.infoPanel(), (std::string(name) + "-en").c_str(), 3);
        for (const QPushButton* button : form.infoPanel()->findChildren<QPushButton*>()) {
            if (button->isVisible())
                QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width(),
                         qPrintable(button->text()));
        }
        form.setLanguage(UiLanguage::Russian);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    }
    void shoot(QWidget* widget, const char* name, int zoom = 1) {
        QDir().mkpath(QStringLiteral(PIMRA_SCREENSHOT_DIR));
        const QPixmap picture = widget->grab();
        QVERIFY(picture.scaled(picture.size() * zoom)
                    .save(QStringLiteral(PIMRA_SCREENSHOT_DIR "/%1.png").arg(name)));
    }

  private slots:
    void init() {
        QVERIFY(dir_.isValid());
        port_ = 0;
        socket_ = test::LoopbackGameServer::Socket::Off;
        clock_.setMs(1'700'000'000'000);
        startServer();
        QVERIFY(server_->registerAccount("Анна", "пароль"));
        QVERIFY(server_->registerAccount("Boris", "secret"));
    }
    void cleanup() {
        players_.clear();
        server_.reset();
        QFile::remove(dir_.filePath(QStringLiteral("server.db")));
    }

    void wholeGameWithASpectator() {
        TestForm& anna = newPlayer();
        TestForm& boris = newPlayer();
        TestForm& watcher = newPlayer();

        // Logging in fills the caption and the status pane; a wrong password does not.
        anna.loginForm()->show();
        logIn(anna, QStringLiteral("Анна"), QStringLiteral("не тот"));
        shoot(anna.loginForm(), "login");
        QVERIFY(anna.messagePane()->text().startsWith(QStringLiteral("Ответ сервера: ")));
        QVERIFY(anna.loginForm()->eLogin->text() == QStringLiteral("Анна"));
        QCOMPARE(anna.windowTitle(), QStringLiteral("Пимра"));
        logIn(anna, QStringLiteral("Анна"), QStringLiteral("пароль"));
        QCOMPARE(anna.windowTitle(), QStringLiteral("Пимра - Анна"));
        logIn(boris, QStringLiteral("Boris"), QStringLiteral("secret"));
        QCOMPARE(boris.messagePane()->text(), QString());

        anna.N12Click();
        settleAll();
        QVERIFY(anna.lobby()->isVisible());
        QCOMPARE(anna.loginPane()->text(), QStringLiteral("Анна"));
        QCOMPARE(anna.lobby()->RzButton2->text(), QStringLiteral("Сменить аккаунт"));
        const int row = createTable(anna, 5, 3);
        QCOMPARE(row, 0);
        QCOMPARE(anna.lobby()->SG->item(0, 1)->text(), QStringLiteral("Анна"));
        QCOMPARE(anna.lobby()->SG->item(0, 3)->text(), QStringLiteral("5 мин. + 3 сек. "));
        QCOMPARE(anna.lobby()->SG->item(0, 0)->background().color(), QColor(224, 251, 221));
        shoot(anna.lobby(), "lobby");
        const int table = tableOfRow(anna, 0);

        // The creator returns to her own table; the window grows by the panel and its chat.
        QCOMPARE(enter(anna, table), QStringLiteral("Вход в игру"));
        QVERIFY(!anna.lobby()->isVisible());
        QCOMPARE(anna.tableId(), table);
        QCOMPARE(anna.centralWidget()->width(),
                 TForm1::kClientWidth + InfoPanel::kWidth + InfoPanel::kChatWidth);
        InfoPanel* panel = anna.infoPanel();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->Label2->text(), QStringLiteral("Стол №%1").arg(table));
        QCOMPARE(anna.statusText(), QStringLiteral("Ожидание"));
        QVERIFY(panel->bReady->isVisible());
        QVERIFY(!panel->Label3->isVisible());
        QVERIFY(!anna.menu().N26->menuAction()->isEnabled());
        QVERIFY(anna.pollRunning() && anna.clockRunning());

        QCOMPARE(enter(boris, table), QStringLiteral("Сесть за стол"));
        QCOMPARE(boris.tableId(), table);
        QCOMPARE(boris.infoPanel()->LoginLabel2->text(), QStringLiteral("Boris (1500)"));
        // Someone not logged in watches a full table, and is offered no ready button.
        QCOMPARE(enter(watcher, table), QStringLiteral("Смотреть игру"));
        QVERIFY(!watcher.infoPanel()->bReady->isVisible());
        QCOMPARE(watcher.pit(1)->cursor().shape(), Qt::ForbiddenCursor);
        QCOMPARE(boris.pit(8)->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(boris.pit(1)->cursor().shape(), Qt::ForbiddenCursor);

        anna.bReadyClick();
        settleAll();
        QVERIFY(!anna.infoPanel()->bReady->isVisible());
        QCOMPARE(anna.infoPanel()->LoginLabel1->palette().color(QPalette::WindowText),
                 QColor(0, 128, 0));
        boris.bReadyClick();
        settleAll();
        anna.Timer1Timer();
        settleAll();
        watcher.Timer1Timer();
        settleAll();
        QCOMPARE(anna.statusText(), QStringLiteral("Ходит: Анна"));
        QCOMPARE(clockText(panel->Clock1), QStringLiteral("05:00"));
        QCOMPARE(clockText(panel->Clock2), QStringLiteral("05:00"));

        // The clock of the player to move counts down between reloads, on every screen.
        clock_.advanceMs(2000);
        for (TestForm* form : {&anna, &boris, &watcher}) {
            form->Timer2Timer();
            form->Timer2Timer();
        }
        QCOMPARE(clockText(panel->Clock1), QStringLiteral("04:58"));
        QCOMPARE(clockText(boris.infoPanel()->Clock1), QStringLiteral("04:58"));
        QCOMPARE(clockText(watcher.infoPanel()->Clock2), QStringLiteral("05:00"));
        shoot(&anna, "table");

        QSignalSpy borisSaw(boris.steps(), &MoveAnimator::stepShown);
        QSignalSpy watcherSaw(watcher.steps(), &MoveAnimator::stepShown);
        int moves = 0;
        while (!anna.onlineTable().State().Over() && moves < 300) {
            TestForm& turn = mover(anna, boris);
            TestForm& other = &turn == &anna ? boris : anna;
            const int pit = anyPlayablePit(turn);
            QVERIFY(pit != 0);
            const int otherSaw =
                static_cast<int>((&other == &boris ? borisSaw : watcherSaw).count());
            QTest::mouseClick(turn.pit(pit), Qt::LeftButton);
            settleAll();
            ++moves;
            clock_.advanceMs(1000);
            other.Timer1Timer();
            settleAll();
            watcher.Timer1Timer();
            settleAll();
            // Both others replayed the move and then took the server's board.
            QCOMPARE(boardOf(other), boardOf(turn));
            QCOMPARE(boardOf(watcher), boardOf(turn));
            if (&other == &boris) QVERIFY(borisSaw.count() > otherSaw);
            anna.Timer1Timer();  // whoever was waiting learns the result too
            settleAll();
            boris.Timer1Timer();
            settleAll();
        }
        QVERIFY(moves < 300);
        qInfo("a whole game of %d moves", moves);
        QVERIFY(watcherSaw.count() > moves);
        const Position final = boardOf(anna);
        const QString winner = final[7] > final[14]   ? QStringLiteral("Победил: Анна")
                               : final[14] > final[7] ? QStringLiteral("Победил: Boris")
                                                      : QStringLiteral("Ничья");
        for (TestForm* form : {&anna, &boris, &watcher}) {
            form->Timer1Timer();
            settleAll();
            QCOMPARE(form->infoPanel()->Label3->text(), winner);
            QVERIFY(form->infoPanel()->Label3->isVisible());
            QVERIFY(form->infoPanel()->Label4->isVisible());
            // The clocks stand; the poll goes on while a rematch may come of the game.
            QVERIFY(form->pollRunning());
            QVERIFY(!form->clockRunning());
            // One box for each, players and spectator alike, naming the winner.
            QCOMPARE(uiOf(*form).results.size(), 1);
            QVERIFY(uiOf(*form).results.front().startsWith(
                winner == QStringLiteral("Ничья") ? QStringLiteral("Ничья !   ") : winner));
        }
        shoot(&watcher, "table-finished");
        shoot(watcher.infoPanel(), "info-panel-finished", 3);

        // A finished table takes no more moves.
        const Position before = boardOf(anna);
        const int pit = anyPlayablePit(anna);
        if (pit != 0) QTest::mouseClick(anna.pit(pit), Qt::LeftButton);
        settleAll();
        QCOMPARE(boardOf(anna), before);

        // "Новая" leaves the table; the server is not told.
        anna.menu().N2->trigger();
        settleAll();
        QCOMPARE(anna.tableId(), 0);
        QCOMPARE(anna.centralWidget()->width(), TForm1::kClientWidth);
        QVERIFY(!anna.infoPanel()->isVisible());
        QVERIFY(!anna.pollRunning() && !anna.clockRunning());
        QVERIFY(anna.menu().N26->menuAction()->isEnabled());
        QCOMPARE(anna.statusText(), QStringLiteral("Ваш ход"));
        QCOMPARE(anna.stepDelay(), 0);
        QCOMPARE(anna.pit(1)->cursor().shape(), Qt::PointingHandCursor);
    }

    void leavingAWaitingTable() {
        TestForm& anna = newPlayer();
        TestForm& boris = newPlayer();
        logIn(anna, QStringLiteral("Анна"), QStringLiteral("пароль"));
        logIn(boris, QStringLiteral("Boris"), QStringLiteral("secret"));
        anna.N12Click();
        settleAll();
        const int table = tableOfRow(anna, createTable(anna, 5, 0));
        enter(anna, table);
        QVERIFY(anna.infoPanel()->bLeave->isVisible());
        QCOMPARE(enter(boris, table), QStringLiteral("Сесть за стол"));
        QVERIFY(boris.infoPanel()->bLeave->isVisible());
        shoot(boris.infoPanel(), "info-panel-waiting", 3);

        // Boris gets up: his window is back at a local game and the seat is free again.
        boris.infoPanel()->bLeave->click();
        settleAll();
        QCOMPARE(boris.tableId(), 0);
        QVERIFY(!boris.infoPanel()->isVisible());
        QVERIFY(!boris.pollRunning());
        anna.RzButton1Click();
        settleAll();
        QCOMPARE(anna.infoPanel()->LoginLabel2->text(), QString());

        // The last player leaving takes the table away.
        anna.infoPanel()->bLeave->click();
        settleAll();
        QCOMPARE(anna.tableId(), 0);
        anna.N12Click();
        settleAll();
        QCOMPARE(anna.lobby()->SG->rowCount(), 0);
    }

    void lossOnTime() {
        TestForm& anna = newPlayer();
        TestForm& boris = newPlayer();
        TestForm& watcher = newPlayer();
        logIn(anna, QStringLiteral("Анна"), QStringLiteral("пароль"));
        logIn(boris, QStringLiteral("Boris"), QStringLiteral("secret"));
        const int table = startedTable(anna, boris, 1, 0);
        QCOMPARE(enter(watcher, table), QStringLiteral("Смотреть игру"));
        QVERIFY(watcher.infoPanel()->watching->isVisible());
        QVERIFY(!anna.infoPanel()->watching->isVisible());
        QCOMPARE(anna.statusText(), QStringLiteral("Ходит: Анна"));
        QCOMPARE(clockText(anna.infoPanel()->Clock1), QStringLiteral("01:00"));

        // Anna thinks too long: every screen counts her time down by the server's clock.
        clock_.advanceMs(59'000);
        for (TestForm* form : {&anna, &boris, &watcher}) {
            form->Timer2Timer();
            QCOMPARE(clockText(form->infoPanel()->Clock1), QStringLiteral("00:01"));
        }
        // Past her time and the server's grace: each clock runs out, each window asks the
        // server after the pause, and the loss reaches all three.
        clock_.advanceMs(6'000);
        for (TestForm* form : {&anna, &boris, &watcher}) form->Timer2Timer();
        // The clock that ran out shows it; the other keeps its time.
        QCOMPARE(clockText(anna.infoPanel()->Clock1), QStringLiteral("00:00"));
        QCOMPARE(clockText(anna.infoPanel()->Clock2), QStringLiteral("01:00"));
        QVERIFY(!anna.clockRunning());  // paused, then the reload brings the result
        for (TestForm* form : {&anna, &boris, &watcher}) {
            QTRY_COMPARE(form->infoPanel()->Label3->text(), QStringLiteral("Победил: Boris"));
            QVERIFY(form->infoPanel()->Label4->isVisible());
        }
        settleAll();
        anna.Timer1Timer();
        settleAll();
        QVERIFY(anna.pollRunning() && !anna.clockRunning());
        // The same box for the loser, the winner and the spectator, with the reason.
        const QString box = QStringLiteral("Победил: Boris по времени !   0:0");
        for (TestForm* form : {&anna, &boris, &watcher}) {
            QCOMPARE(uiOf(*form).results, QStringList{box});
            QCOMPARE(clockText(form->infoPanel()->Clock1), QStringLiteral("00:00"));
            QVERIFY(!clockText(form->infoPanel()->Clock2).isEmpty());
        }
        // A rematch: both ask, the server opens a table with the seats swapped and both
        // players move to it; the spectator stays where the game was.
        QVERIFY(boris.infoPanel()->bRematch->isVisible());
        QVERIFY(!watcher.infoPanel()->bRematch->isVisible());
        boris.infoPanel()->bRematch->click();
        settleAll();
        QVERIFY(!boris.infoPanel()->bRematch->isEnabled());
        QCOMPARE(boris.tableId(), table);
        anna.infoPanel()->bRematch->click();
        settleAll();
        const int rematch = anna.tableId();
        QVERIFY(rematch > 0 && rematch != table);
        boris.RzButton1Click();
        settleAll();
        QCOMPARE(boris.tableId(), rematch);
        QCOMPARE(watcher.tableId(), table);
        // Boris sits on seat 1 now; a game Anna never moved in was not rated.
        QCOMPARE(boris.infoPanel()->LoginLabel1->text(), QStringLiteral("Boris (1500)"));
        QVERIFY(boris.infoPanel()->bReady->isVisible());
    }

    // Anna resigns a rated game; Boris asks for a rematch, Anna sees it and accepts, both
    // windows move on by their polls, and the spectator follows with the button.
    void resignationThenARematchForAll() {
        auto [anna, boris, watcher, table] = gameWithSpectator(5, 0);
        playPassingMoves(anna, boris);
        for (TestForm* form : {&anna, &boris}) {
            QVERIFY(form->infoPanel()->bResign->isVisible());
            QVERIFY(form->infoPanel()->bDraw->isVisible());
        }
        QVERIFY(!watcher.infoPanel()->bResign->isVisible());
        shootInBothLanguages(anna, "info-panel-resign-draw");

        // Asked first; "Нет" changes nothing.
        uiOf(anna).confirmAnswer = false;
        anna.infoPanel()->bResign->click();
        settleAll();
        QCOMPARE(uiOf(anna).questions, QStringList{QStringLiteral("Сдать партию?")});
        QVERIFY(anna.onlineTable().State().Table.result == net::TableResult::Running);
        uiOf(anna).confirmAnswer = true;
        anna.infoPanel()->bResign->click();
        settleAll();
        boris.Timer1Timer();
        watcher.Timer1Timer();
        settleAll();
        for (TestForm* form : {&anna, &boris, &watcher}) {
            QCOMPARE(uiOf(*form).results,
                     QStringList{QStringLiteral("Победил: Boris. Сдался: Анна !   1:1")});
            QCOMPARE(form->infoPanel()->Label3->text(), QStringLiteral("Сдался: Анна"));
            QVERIFY(!form->infoPanel()->bResign->isVisible());
        }
        // Rated and kept in the archive like any other result.
        const server::GameOutcome outcome = server_->outcomeOf(table);
        QCOMPARE(outcome.finish, server::GameFinish::Resign);
        QVERIFY(outcome.rated);
        QVERIFY(outcome.rating2After > outcome.rating2Before);
        QVERIFY(boris.infoPanel()->LoginLabel2->text() != QStringLiteral("Boris (1500)"));

        // Boris asks; Anna's panel says so at her next poll.
        boris.infoPanel()->bRematch->click();
        settleAll();
        QVERIFY(!anna.infoPanel()->rematchNote->isVisible());
        anna.Timer1Timer();
        settleAll();
        QVERIFY(anna.infoPanel()->rematchNote->isVisible());
        QCOMPARE(anna.infoPanel()->rematchNote->text(), QStringLiteral("Соперник просит реванш"));
        QVERIFY(!boris.infoPanel()->rematchNote->isVisible());
        QVERIFY(!watcher.infoPanel()->rematchNote->isVisible());
        shootInBothLanguages(anna, "info-panel-rematch-offer");
        // Nobody shows as away at a finished table whose windows are open.
        for (TestForm* form : {&anna, &boris}) form->aliveTimer();
        settleAll();
        clock_.advanceMs(25'000);
        for (TestForm* form : {&anna, &boris}) form->aliveTimer();
        settleAll();
        clock_.advanceMs(25'000);
        watcher.Timer1Timer();
        settleAll();
        QVERIFY(!watcher.infoPanel()->LoginLabel1->text().contains(QStringLiteral("нет на месте")));
        QVERIFY(!watcher.infoPanel()->LoginLabel2->text().contains(QStringLiteral("нет на месте")));

        // Anna accepts: she moves at once, Boris at his next poll, no refresh pressed.
        anna.infoPanel()->bRematch->click();
        settleAll();
        const int rematch = anna.tableId();
        QVERIFY(rematch > 0 && rematch != table);
        boris.Timer1Timer();
        settleAll();
        QCOMPARE(boris.tableId(), rematch);
        QCOMPARE(boris.infoPanel()->LoginLabel2->text().left(4), QStringLiteral("Анна"));
        // The spectator is offered the new table and goes only when asked to.
        QCOMPARE(watcher.tableId(), table);
        watcher.Timer1Timer();
        settleAll();
        QCOMPARE(watcher.tableId(), table);
        QVERIFY(watcher.infoPanel()->bWatchRematch->isVisible());
        QVERIFY(!anna.infoPanel()->bWatchRematch->isVisible());
        shoot(watcher.infoPanel(), "info-panel-watch-rematch", 3);
        watcher.infoPanel()->bWatchRematch->click();
        settleAll();
        QCOMPARE(watcher.tableId(), rematch);
        QVERIFY(watcher.infoPanel()->watching->isVisible());
        QVERIFY(!watcher.infoPanel()->bWatchRematch->isVisible());
    }

    // A draw offer lapses at the next move; offered again and offered back, the game is drawn
    // by agreement for all three windows, rated and archived.
    void drawByAgreement() {
        auto [anna, boris, watcher, table] = gameWithSpectator(5, 0);
        InfoPanel* annaPanel = anna.infoPanel();
        InfoPanel* borisPanel = boris.infoPanel();
        annaPanel->bDraw->click();
        settleAll();
        QVERIFY(!annaPanel->bDraw->isEnabled());
        QCOMPARE(annaPanel->drawNote->text(), QStringLiteral("Вы предложили ничью"));
        boris.Timer1Timer();
        settleAll();
        QCOMPARE(borisPanel->drawNote->text(), QStringLiteral("Соперник предлагает ничью"));
        QCOMPARE(borisPanel->bDraw->text(), QStringLiteral("Принять ничью"));
        shootInBothLanguages(boris, "info-panel-draw-offer");
        // Anna moves instead of waiting: the offer is gone on both screens.
        playPassingMoves(anna, boris);
        QVERIFY(!annaPanel->drawNote->isVisible());
        QVERIFY(!borisPanel->drawNote->isVisible());
        QCOMPARE(borisPanel->bDraw->text(), QStringLiteral("Предложить ничью"));

        // Boris offers during Anna's turn and she offers back.
        borisPanel->bDraw->click();
        settleAll();
        anna.Timer1Timer();
        settleAll();
        QCOMPARE(annaPanel->bDraw->text(), QStringLiteral("Принять ничью"));
        annaPanel->bDraw->click();
        settleAll();
        boris.Timer1Timer();
        watcher.Timer1Timer();
        settleAll();
        for (TestForm* form : {&anna, &boris, &watcher}) {
            QCOMPARE(uiOf(*form).results, QStringList{QStringLiteral("Ничья по согласию !   1:1")});
            QCOMPARE(form->infoPanel()->Label3->text(), QStringLiteral("Ничья по согласию"));
            QVERIFY(!form->infoPanel()->bDraw->isVisible());
        }
        const server::GameOutcome outcome = server_->outcomeOf(table);
        QCOMPARE(outcome.finish, server::GameFinish::Agreement);
        QVERIFY(outcome.rated);
    }

    // Four moves made within a second and a half reach the spectator's single poll; every
    // one of them is animated before the board is reloaded.
    void quickMovesAreAllShown() {
        auto [anna, boris, watcher, table] = gameWithSpectator(5, 0);
        QSignalSpy watcherSaw(watcher.steps(), &MoveAnimator::stepShown);
        for (int move = 0; move < 4; ++move) {
            TestForm& turn = mover(anna, boris);
            TestForm& other = &turn == &anna ? boris : anna;
            QTest::mouseClick(turn.pit(anyPlayablePit(turn)), Qt::LeftButton);
            settleAll();
            clock_.advanceMs(350);
            other.Timer1Timer();
            settleAll();
        }
        QCOMPARE(watcherSaw.count(), 0);
        watcher.Timer1Timer();
        settleAll();
        int lifts = 0;
        for (const QList<QVariant>& step : watcherSaw) lifts += step.at(0).toInt() == 0 ? 1 : 0;
        QCOMPARE(lifts, 4);
        QCOMPARE(watcher.onlineTable().State().LastRecord, 4);
        QCOMPARE(boardOf(watcher), boardOf(anna));
        QCOMPARE(boardOf(boris), boardOf(anna));
    }

    // Seat 2 sees its own row at the bottom, plays it with the digit keys, and can turn the
    // board back; seat 1 and the spectator see it as always.
    void seatTwoPlaysFromTheBottom() {
        auto [anna, boris, watcher, table] = gameWithSpectator(5, 0);
        QVERIFY(boris.boardTurned());
        QVERIFY(!anna.boardTurned() && !watcher.boardTurned());
        for (int pit = 1; pit <= kPitCount; ++pit) {
            const int across = pit <= 7 ? pit + 7 : pit - 7;
            QCOMPARE(boris.pit(pit)->pos(), anna.pit(across)->pos());
            QCOMPARE(watcher.pit(pit)->pos(), anna.pit(pit)->pos());
        }
        // Boris's clock and login stand by his row, below.
        QVERIFY(boris.infoPanel()->Clock2->y() > boris.infoPanel()->Clock1->y());
        QVERIFY(anna.infoPanel()->Clock2->y() < anna.infoPanel()->Clock1->y());

        QTest::mouseClick(anna.pit(2), Qt::LeftButton);  // ends on Boris's side: his turn
        settleAll();
        boris.Timer1Timer();
        settleAll();
        QCOMPARE(boris.statusText(), QStringLiteral("Ходит: Boris"));
        shoot(&boris, "seat2-turned-board");
        const Position before = boardOf(boris);
        QTest::keyClick(&boris, Qt::Key_1);  // the pit at his bottom left: pit 8
        settleAll();
        QCOMPARE(boardOf(boris)[8], 0);
        QVERIFY(before[8] > 0);
        anna.Timer1Timer();
        settleAll();
        QCOMPARE(boardOf(anna), boardOf(boris));

        // "Моё поле снизу" off: the board as seat 1 sees it, and the setting is kept.
        boris.menu().ownRowBottom->trigger();
        QVERIFY(!boris.ownRowBottom() && !boris.boardTurned());
        for (int pit = 1; pit <= kPitCount; ++pit)
            QCOMPARE(boris.pit(pit)->pos(), anna.pit(pit)->pos());
        boris.menu().ownRowBottom->trigger();
        QVERIFY(boris.boardTurned());
        // Leaving the table puts the local board back as it was.
        boris.menu().N2->trigger();
        settleAll();
        QVERIFY(!boris.boardTurned());
        QCOMPARE(boris.pit(1)->pos(), anna.pit(1)->pos());
        QCOMPARE(boris.statusText(), QStringLiteral("Ваш ход"));
    }

    // The player in the background is called when the opponent sits down, gets ready, moves
    // or the game ends; the lobby keeps its list fresh; "Мои партии" opens the player's page.
    void thePlayerIsCalledAndTheLobbyRefreshes() {
        TestForm& anna = newPlayer();
        TestForm& boris = newPlayer();
        test::RecordingSounds sounds;
        anna.setMoveSounds(&sounds);
        logIn(anna, QStringLiteral("Анна"), QStringLiteral("пароль"));
        logIn(boris, QStringLiteral("Boris"), QStringLiteral("secret"));
        QVERIFY(anna.menu().myGames->isVisible());
        anna.menu().myGames->trigger();
        anna.menu().N39->trigger();
        const QUrl page(
            QStringLiteral("http://127.0.0.1:%1/u/%D0%90%D0%BD%D0%BD%D0%B0").arg(port_));
        QCOMPARE(uiOf(anna).urls, (QList<QUrl>{page, page}));

        anna.N12Click();
        settleAll();
        QVERIFY(anna.lobby()->refreshRunning());
        const int table = tableOfRow(anna, createTable(anna, 5, 0));
        boris.N12Click();
        settleAll();
        createTable(boris, 3, 0);
        QCOMPARE(anna.lobby()->SG->rowCount(), 1);
        anna.lobby()->refreshTick();
        settleAll();
        QCOMPARE(anna.lobby()->SG->rowCount(), 2);
        // The row the user chose stays chosen.
        QCOMPARE(anna.lobby()->lobby().CurrentTableId(), table);
        enter(anna, table);
        QVERIFY(!anna.lobby()->refreshRunning());

        // Anna waits with Boris's window in front.
        boris.activateWindow();
        QTRY_VERIFY(boris.isActiveWindow());
        const auto calls = [&] {
            return std::count(sounds.played.begin(), sounds.played.end(), MoveSound::Select);
        };
        const auto before = calls();
        const int alerts = uiOf(anna).alerts;
        enter(boris, table);
        anna.Timer1Timer();
        settleAll();
        QCOMPARE(calls(), before + 1);
        QCOMPARE(uiOf(anna).alerts, alerts + 1);
        boris.bReadyClick();
        settleAll();
        anna.Timer1Timer();
        settleAll();
        QCOMPARE(uiOf(anna).alerts, alerts + 2);
        QVERIFY(anna.aliveRunning());
        // Today's server knows no "alive": asked once, quietly, never again.
        const QString pane = anna.messagePane()->text();
        anna.aliveTimer();
        settleAll();
        QCOMPARE(anna.messagePane()->text(), pane);
    }

    void serverStoppedAndRestartedMidGame() {
        auto [anna, boris, watcher, table] = gameWithSpectator(5, 3);
        const Position start = boardOf(anna);

        server_.reset();
        QTest::mouseClick(anna.pit(2), Qt::LeftButton);
        settleAll();
        // A move that did not reach the server is not shown, and the pane says so.
        QCOMPARE(anna.messagePane()->text(), QStringLiteral("Ход не отправлен. ") + kUnreachable);
        shoot(&anna, "table-move-not-sent");
        QCOMPARE(boardOf(anna), start);
        QCOMPARE(anna.game().history().moveNumber(), 0);
        QVERIFY(anna.retryWaiting());
        // The clocks go on meanwhile, the same on every screen.
        clock_.advanceMs(4000);
        for (TestForm* form : {&boris, &watcher}) {
            form->Timer1Timer();
            settleAll();
            QCOMPARE(form->messagePane()->text(), kUnreachable);
            QVERIFY(form->retryWaiting());
        }
        for (TestForm* form : {&anna, &boris, &watcher}) {
            form->Timer2Timer();
            QCOMPARE(clockText(form->infoPanel()->Clock1), QStringLiteral("04:56"));
        }

        // Back: every window finds it by itself, reloads the table and says so.
        startServer();
        const QString back = QStringLiteral("Связь с сервером восстановлена, стол обновлён");
        for (TestForm* form : {&anna, &boris, &watcher}) {
            QTRY_COMPARE_WITH_TIMEOUT(form->messagePane()->text(), back, 6000);
            QVERIFY(test::waitUntilIdle(*form));
            QVERIFY(!form->serverLink().connection().ServerDown());
            QVERIFY(!form->retryWaiting());
            QCOMPARE(boardOf(*form), start);
            QCOMPARE(form->statusText(), QStringLiteral("Ходит: Анна"));
            QCOMPARE(clockText(form->infoPanel()->Clock1), QStringLiteral("04:56"));
        }

        shoot(&boris, "table-reconnected");

        // The move that was not sent is made again, and reaches the others: no turn lost.
        QTest::mouseClick(anna.pit(2), Qt::LeftButton);
        settleAll();
        boris.Timer1Timer();
        settleAll();
        watcher.Timer1Timer();
        settleAll();
        QVERIFY(boardOf(anna) != start);
        QCOMPARE(boardOf(boris), boardOf(anna));
        QCOMPARE(boardOf(watcher), boardOf(anna));
    }

    // On the game socket a move reaches the opponent and the spectator when it is made, with
    // no poll at all.
    void withTheSocketMovesArriveAtOnce() {
        socket_ = test::LoopbackGameServer::Socket::On;
        server_.reset();
        startServer();
        auto [anna, boris, watcher, table] = gameWithSpectator(5, 0);
        for (TestForm* form : {&anna, &boris, &watcher})
            QTRY_VERIFY(form->serverLink().socket().isOpen());
        const auto before = boardOf(anna);
        QTest::mouseClick(anna.pit(3), Qt::LeftButton);
        settleAll();
        QVERIFY(boardOf(anna) != before);
        QTRY_COMPARE(boardOf(boris), boardOf(anna));
        QTRY_COMPARE(boardOf(watcher), boardOf(anna));
        QCOMPARE(boris.onlineTable().State().LastRecord, 1);

        // A line said at the table reaches the other player and the spectator the same way.
        QLineEdit* entry = anna.infoPanel()->chat->entry;
        QVERIFY(entry->isEnabled());
        entry->setText(QStringLiteral("привет!"));
        QTest::keyClick(entry, Qt::Key_Return);
        settleAll();
        QVERIFY(entry->text().isEmpty());
        for (TestForm* form : {&boris, &watcher}) {
            QTRY_VERIFY(form->infoPanel()->chat->lines->toPlainText().endsWith(
                QStringLiteral("Анна: привет!")));
        }
        QVERIFY(!watcher.infoPanel()->chat->entry->isEnabled());  // not logged in
        shoot(&watcher, "table-socket-watcher");
    }

    // A server without the game socket: every window tries it once, quietly, asks again only
    // rarely, and plays over HTTP with the poll every two seconds.
    void withoutTheSocketTheWindowsPoll() {
        auto [anna, boris, watcher, table] = gameWithSpectator(5, 0);
        for (TestForm* form : {&anna, &boris, &watcher}) {
            const GameSocket& socket = form->serverLink().socket();
            QTRY_VERIFY(socket.retryWaiting());
            QVERIFY(!socket.isOpen());
            QCOMPARE(socket.attempts(), 1);
            QCOMPARE(socket.retryInterval(), 600000);
            form->setTimerPeriods(TableTimers::kPollPeriod, kNever);
            QCOMPARE(form->pollPeriod(), TableTimers::kPollPeriod);
            QVERIFY(uiOf(*form).results.isEmpty());
        }
        playPassingMoves(anna, boris);
        QCOMPARE(boardOf(boris), boardOf(anna));
        QCOMPARE(boardOf(watcher), boardOf(anna));
    }

    // A minute of play: the two players and the spectator show the same clocks all along.
    void clocksAgreeOnEveryScreen() {
        auto [anna, boris, watcher, table] = gameWithSpectator(5, 0);
        for (int second = 1; second <= 60; ++second) {
            clock_.advanceMs(1000);
            if (second % 7 == 0) {
                TestForm& turn = mover(anna, boris);
                const int pit = anyPlayablePit(turn);
                if (pit != 0) QTest::mouseClick(turn.pit(pit), Qt::LeftButton);
                settleAll();
            }
            if (second % 2 == 0) {
                for (TestForm* form : {&anna, &boris, &watcher}) form->Timer1Timer();
                settleAll();
            }
            for (TestForm* form : {&anna, &boris, &watcher}) form->Timer2Timer();
            for (const Side seat : {Side::Bottom, Side::Top}) {
                const auto shown = [seat](const TestForm& form) {
                    return *form.onlineTable().RemainingMs(seat);
                };
                QVERIFY(std::abs(shown(anna) - shown(boris)) < 1000);
                QVERIFY(std::abs(shown(anna) - shown(watcher)) < 1000);
            }
            QCOMPARE(clockText(boris.infoPanel()->Clock1), clockText(anna.infoPanel()->Clock1));
            QCOMPARE(clockText(watcher.infoPanel()->Clock2), clockText(anna.infoPanel()->Clock2));
        }
        // A minute is gone from the two clocks together.
        const std::int64_t left = *anna.onlineTable().RemainingMs(Side::Bottom) +
                                  *anna.onlineTable().RemainingMs(Side::Top);
        QVERIFY(left <= 2 * 300'000 - 59'000 && left >= 2 * 300'000 - 61'000);
    }

    // "Запомнить меня": the next start is logged in without the dialog, until the server no
    // longer knows the session; without a secret store everything is as before.
    void aRememberedSessionLogsInAtStart() {
        test::FakeSessionStore store;
        TestForm& first = newPlayer();
        first.setSessionStore(&store);
        first.loginForm()->rememberMe->setChecked(true);
        logIn(first, QStringLiteral("Анна"), QStringLiteral("пароль"));
        QVERIFY(store.secret.has_value());
        QVERIFY(store.secret->find("пароль") == std::string::npos);

        TestForm& next = newPlayer();
        next.setSessionStore(&store);
        QTRY_COMPARE(next.windowTitle(), QStringLiteral("Пимра - Анна"));
        QCOMPARE(next.loginPane()->text(), QStringLiteral("Анна"));
        next.N12Click();
        settleAll();
        const int table = tableOfRow(next, createTable(next, 5, 0));  // the session works
        QVERIFY(table > 0);

        // Logging in without the box forgets what was kept.
        next.loginForm()->rememberMe->setChecked(false);
        logIn(next, QStringLiteral("Анна"), QStringLiteral("пароль"));
        QVERIFY(!store.secret.has_value());

        // A session the server does not know (any more) is forgotten at its first refusal.
        store.secret = "stale\ncode\nBoris";
        TestForm& stale = newPlayer();
        stale.setSessionStore(&store);
        QTRY_COMPARE(stale.windowTitle(), QStringLiteral("Пимра - Boris"));
        stale.N12Click();
        settleAll();
        createTable(stale, 5, 0);
        QVERIFY(!store.secret.has_value());

        // No secret service: asked, nothing found, the dialog as today.
        test::FakeSessionStore none;
        none.available = false;
        TestForm& plain = newPlayer();
        plain.setSessionStore(&none);
        QTRY_COMPARE(none.reads, 1);
        QCoreApplication::processEvents();
        QCOMPARE(plain.windowTitle(), QStringLiteral("Пимра"));
        QCOMPARE(plain.loginPane()->text(), QStringLiteral("Вы не авторизованы"));
        plain.loginForm()->rememberMe->setChecked(true);
        logIn(plain, QStringLiteral("Boris"), QStringLiteral("secret"));
        QCOMPARE(plain.windowTitle(), QStringLiteral("Пимра - Boris"));
    }

    // "Выйти", beside "Игра Online" while logged in: the session ends on the server and on
    // the desktop, the kept one with it.
    void logoutEndsTheSessionEverywhere() {
        test::FakeSessionStore store;
        TestForm& anna = newPlayer();
        anna.setSessionStore(&store);
        QTRY_COMPARE(store.reads, 1);
        QVERIFY(!anna.menu().logout->isVisible());
        anna.loginForm()->rememberMe->setChecked(true);
        logIn(anna, QStringLiteral("Анна"), QStringLiteral("пароль"));
        QVERIFY(anna.menu().logout->isVisible());
        QVERIFY(store.secret.has_value());
        const net::Session ended = anna.session();

        anna.menu().logout->trigger();
        settleAll();
        QCOMPARE(anna.windowTitle(), QStringLiteral("Пимра"));
        QCOMPARE(anna.loginPane()->text(), QStringLiteral("Вы не авторизованы!"));
        QVERIFY(anna.lobby()->RzButton2->text() != QStringLiteral("Сменить аккаунт"));
        QVERIFY(!anna.menu().logout->isVisible());
        QVERIFY(!anna.menu().myGames->isVisible());
        QVERIFY(!store.secret.has_value());

        // The server refuses the ended session, kept elsewhere: no table is made with it.
        test::FakeSessionStore copied;
        copied.secret = online::EncodeSession(ended);
        TestForm& copy = newPlayer();
        copy.setSessionStore(&copied);
        QTRY_COMPARE(copy.windowTitle(), QStringLiteral("Пимра - Анна"));
        copy.N12Click();
        settleAll();
        QCOMPARE(createTable(copy, 5, 0), -1);
        QVERIFY(!copied.secret.has_value());
        // Logging in again works as ever.
        logIn(anna, QStringLiteral("Анна"), QStringLiteral("пароль"));
        QCOMPARE(anna.windowTitle(), QStringLiteral("Пимра - Анна"));
        QVERIFY(anna.menu().logout->isVisible());
    }

    // A server that takes the request and never answers.
    void closingWhileARequestWaits() {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        int connections = 0;
        connect(&silent, &QTcpServer::newConnection, this, [&] {
            while (QTcpSocket* socket = silent.nextPendingConnection()) {
                ++connections;
                socket->setParent(&silent);
            }
        });
        TestForm& form = newPlayer();
        form.setSiteUrl(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort())));

        // Loading the list waits for the silent server, and so does the game socket's upgrade.
        form.N12Click();
        QVERIFY(QTest::qWaitFor([&] { return connections == 2; }));
        QVERIFY(form.isBusy());  // the window's events go on while the request waits
        form.Timer1Timer();      // skipped, and so is a second lobby load
        form.lobby()->RzButton3Click();
        QCoreApplication::processEvents();
        QCOMPARE(connections, 2);
        form.close();
        QVERIFY(test::waitUntilIdle(form));
        QVERIFY(!form.isVisible());
        QCOMPARE(form.lobby()->SG->rowCount(), 0);

        // Shown again, the window talks to a server again. Closing the last window asked the
        // application to quit; that request is spent first, as a program that ends would.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        form.setSiteUrl(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port_)));
        form.show();
        logIn(form, QStringLiteral("Boris"), QStringLiteral("secret"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Пимра - Boris"));
    }
};

QTEST_MAIN(OnlineTest)
#include "OnlineTest.moc"
