#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "AnalysisWindow.h"
#include "FakeUiServices.h"
#include "FormFixture.h"
#include "MainMenu.h"
#include "QtUiServices.h"
#include "RecordWindow.h"
#include "TLunka.h"
#include "TestForm.h"
#include "core/MasterSearch.h"
#include "core/RecordFormat.h"
#include "media/AppSettings.h"

using namespace pimra;

namespace {

Position boardOf(const TestForm& form) {
    Position shown;
    for (int i = 1; i <= kPitCount; ++i) shown[i] = form.pit(i)->Stones;
    return shown;
}

QString readAll(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

// The analysis window's text for a move, as the full search proves it.
QString provenText(const MoveValue& move) {
    const QString number = move.value > 0 ? QStringLiteral("+%1").arg(move.value)
                                          : QString::number(move.value).replace('-', QChar(0x2212));
    return number + QStringLiteral(" точно");
}

}  // namespace

class RecordWindowsTest : public QObject, private pimra::test::FormFixture {
    Q_OBJECT

  private slots:
    void init() {
        openForm();
        menu().N16->trigger();  // "Легкий" answers at once
    }
    void cleanup() { closeForm(); }

    void theRecordWindowListsTheMovesAndClickingOneShowsItsPosition() {
        click(1);  // an extra move: a turn of its own
        click(3);
        click(2);
        RecordWindow* window = openRecordWindow();
        QVERIFY(!window->isModal());
        QCOMPARE(window->windowModality(), Qt::NonModal);
        const GameRecord record = form_->game().record();
        QListWidget* list = window->moveList();
        QCOMPARE(list->count(), static_cast<int>(record.moves().size()) + 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("Начало"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("1. 1 игрок"));
        QCOMPARE(list->item(3)->text(),
                 QStringLiteral("3. %1 компьютер, Легкий").arg(record.moves()[2].pit));
        QCOMPARE(list->currentRow(), list->count() - 1);
        QCOMPARE(window->resultText(), QStringLiteral("Партия не окончена"));

        // The user's second move: the board shows where its turn ended, as "Назад" would.
        clickLine(window, 2);
        QCOMPARE(form_->game().history().moveNumber(), 2);
        const std::size_t turnEnd = *form_->game().recordMoves();
        QVERIFY(turnEnd >= 3);
        QCOMPARE(boardOf(*form_), record.after(turnEnd).position);
        QCOMPARE(list->currentRow(), static_cast<int>(turnEnd));
        QCOMPARE(list->count(), static_cast<int>(record.moves().size()) + 1);  // still all
        QVERIFY(menu().N29->isEnabled());
        clickLine(window, 0);
        QCOMPARE(boardOf(*form_), Position::start());
        QVERIFY(!menu().N20->isEnabled());
        // "Вперед" walks the same history, and a move from there cuts the record's tail.
        QTest::keyClick(form_.get(), Qt::Key_F10);
        QCOMPARE(list->currentRow(), 1);
        click(2);
        QCOMPARE(list->item(2)->text(), QStringLiteral("2. 2 игрок"));
        QCOMPARE(list->currentRow(), list->count() - 1);
        QVERIFY(!menu().N29->isEnabled());
        // An edited board is not on the record: no line is selected until the next turn.
        menu().N25->trigger();
        QVERIFY(list->selectedItems().isEmpty());
    }

    void linesCannotBeChosenWhileAMoveRuns() {
        click(3);
        RecordWindow* window = openRecordWindow();
        bool enabledDuring = true;
        int moveNumberDuring = -1;
        QTimer::singleShot(0, this, [&] {
            enabledDuring = window->moveList()->isEnabled();
            emit window->positionChosen(0);  // as a click that got through
            moveNumberDuring = form_->game().history().moveNumber();
        });
        click(2);
        QVERIFY(!enabledDuring);
        QCOMPARE(moveNumberDuring, 2);
        QCOMPARE(form_->game().history().moveNumber(), 2);
        QVERIFY(window->moveList()->isEnabled());
    }

    void recordsAreSavedAndOpenedAgain() {
        QTemporaryDir dir;
        click(1);
        click(4);
        RecordWindow* window = openRecordWindow();
        window->saveButton()->click();  // cancelled
        QCOMPARE(ui_->recordSaveAsked, 1);
        QVERIFY(window->message().isEmpty());
        ui_->recordSaveName = dir.filePath("game.pgn");
        window->saveButton()->click();
        QCOMPARE(window->message(), QStringLiteral("Запись сохранена"));
        const GameRecord played = form_->game().record();
        const Position end = form_->game().position();
        const QString text = readAll(ui_->recordSaveName);
        QVERIFY(text.contains(QStringLiteral("1. 1 human\n2. 4 human\n3. ")));
        QVERIFY(text.contains(QStringLiteral("computer easy\n")));
        QVERIFY(text.contains(QStringLiteral("[Date \"")));

        // The .sav is what it always was, next to it.
        ui_->saveName = dir.filePath("game.sav");
        menu().N7->trigger();
        QCOMPARE(QFile(ui_->saveName).size(), 14);

        QTest::keyClick(form_.get(), Qt::Key_F2);
        QCOMPARE(window->moveList()->count(), 1);
        QVERIFY(window->message().isEmpty());  // said of the old game, not of the new one
        ui_->recordOpenName = ui_->recordSaveName;
        window->openButton()->click();
        QCOMPARE(window->message(), QStringLiteral("Запись открыта"));
        QCOMPARE(form_->game().record().moves(), played.moves());
        QCOMPARE(form_->game().position(), end);
        QCOMPARE(boardOf(*form_), end);
        QCOMPARE(window->moveList()->count(), static_cast<int>(played.moves().size()) + 1);
        QCOMPARE(form_->game().history().moveNumber(), 2);  // two turns, each one step back
        QVERIFY(menu().N20->isEnabled());
        QTest::keyClick(form_.get(), Qt::Key_F9);
        QTest::keyClick(form_.get(), Qt::Key_F9);
        QCOMPARE(boardOf(*form_), Position::start());
        click(4);  // the opened game is played on
        QCOMPARE(form_->game().record().moves().front().pit, 4);
    }

    void aBadRecordFileIsReportedAndChangesNothing() {
        QTemporaryDir dir;
        click(3);
        RecordWindow* window = openRecordWindow();
        const GameRecord before = form_->game().record();
        const Position board = boardOf(*form_);
        const struct {
            const char* content;
            const char* message;
        } cases[] = {
            {"1. 1 human\n2. 1 human\n", "Запись не открыта: строка 2, ход невозможен по правилам"},
            {"[Start \"1 2 3\"]\n", "Запись не открыта: строка 1, неверная начальная позиция"},
            {"1. 1 human\n\n3. 2 human\n", "Запись не открыта: строка 3, неверная запись хода"},
            {"[Result \"40:0\"]\n1. 3 human\n", "Запись не открыта: итог не сходится с ходами"},
            {"\xff\xfe", "Запись не открыта: файл не в кодировке UTF-8"},
        };
        int k = 0;
        for (const auto& bad : cases) {
            const QString name = dir.filePath(QStringLiteral("bad%1.pgn").arg(k++));
            QFile file(name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bad.content);
            file.close();
            ui_->recordOpenName = name;
            window->openButton()->click();
            QCOMPARE(window->message(), QString::fromUtf8(bad.message));
            QCOMPARE(form_->game().record(), before);
            QCOMPARE(boardOf(*form_), board);
            QCOMPARE(form_->game().history().moveNumber(), 1);
        }
        ui_->recordOpenName = dir.filePath("missing.pgn");
        window->openButton()->click();
        QCOMPARE(window->message(), QStringLiteral("Запись не открыта: файл не открывается"));
        ui_->recordSaveName = dir.filePath("no/such/dir/game.pgn");
        window->saveButton()->click();
        QCOMPARE(window->message(), QStringLiteral("Запись не сохранена: файл не записывается"));

        // A message that wraps over lines leaves the result line whole below the list.
        window->resize(window->minimumSizeHint().width(), window->minimumSizeHint().height());
        window->showProblem({RecordError::BadMove, 12345, {}}, true);
        QCoreApplication::processEvents();
        const auto* result = window->findChildren<QLabel*>().value(0);
        QVERIFY(result != nullptr);
        QCOMPARE(result->text(), window->resultText());
        QVERIFY(result->geometry().top() >= window->moveList()->geometry().bottom());
        QVERIFY(result->height() >= result->fontMetrics().height());
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            QVERIFY(window->rect().contains(label->geometry()));
            QVERIFY(label->height() >= label->heightForWidth(label->width()));
        }
        QDir().mkpath(QStringLiteral(PIMRA_SCREENSHOT_DIR));
        QVERIFY(window->grab().save(QStringLiteral(PIMRA_SCREENSHOT_DIR "/record-problem.png")));
    }

    void recordDialogsStartWhereTheLastGameOrRecordWas() {
        QTemporaryDir config;
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("records"));
        QDir(dir.path()).mkpath(QStringLiteral("games"));
        const QString records = dir.filePath(QStringLiteral("records"));
        const QString games = dir.filePath(QStringLiteral("games"));
        media::AppSettings settings(config.filePath(QStringLiteral("pimra.ini")));
        form_->setSettings(&settings);
        click(3);
        RecordWindow* window = openRecordWindow();

        // The documents folder at first; a record that could not be written moves nothing.
        ui_->recordSaveName = dir.filePath(QStringLiteral("no/such/folder/game.pgn"));
        window->saveButton()->click();
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(ui_->folders, QStringList({documents}));
        // A saved record: the next dialogs of both kinds start beside it.
        ui_->recordSaveName = records + QStringLiteral("/one.pgn");
        window->saveButton()->click();
        QCOMPARE(ui_->folders.last(), documents);
        QCOMPARE(window->message(), QStringLiteral("Запись сохранена"));
        ui_->saveName = games + QStringLiteral("/one.sav");
        menu().N7->trigger();
        QCOMPARE(ui_->folders.last(), records);
        // And beside the saved game after it; a record that could not be read moves nothing.
        ui_->recordOpenName = records + QStringLiteral("/missing.pgn");
        window->openButton()->click();
        QCOMPARE(ui_->folders.last(), games);
        window->openButton()->click();
        QCOMPARE(ui_->folders.last(), games);
        ui_->recordOpenName = records + QStringLiteral("/one.pgn");
        window->openButton()->click();
        QCOMPARE(window->message(), QStringLiteral("Запись открыта"));
        window->saveButton()->click();
        QCOMPARE(ui_->folders.last(), records);
        QCOMPARE(ui_->folders.size(), 7);
        // Remembered for the next run.
        test::FakeUiServices nextUi;
        TestForm next(nextUi);
        next.setSettings(&settings);
        QCOMPARE(next.gameFolder(), records);

        auto dialog = QtUiServices::createRecordDialog(nullptr, false, games);
        QCOMPARE(dialog->directory().absolutePath(), QDir(games).absolutePath());
        form_->setLanguage(UiLanguage::English);
        dialog = QtUiServices::createRecordDialog(nullptr, true, games);
        QCOMPARE(dialog->nameFilters(), QStringList({QStringLiteral("Game record (*.pgn)")}));
        form_->setLanguage(UiLanguage::Russian);
    }

    void theAnalysisShowsEachPitsValueAndFollowsTheMoves() {
        for (int k = 0; k < 5; ++k) menu().N28->trigger();  // one stone per pit: proven at once
        QTest::keyClick(form_.get(), Qt::Key_F12);
        AnalysisWindow* window = form_->analysisWindow();
        QVERIFY(window != nullptr && window->isVisible());
        QVERIFY(!window->isModal());
        QVERIFY(waitForAnalysis(window));
        expectProvenValues(window);
        QCOMPARE(window->headline(), QStringLiteral("Ход нижнего игрока"));
        QCOMPARE(window->valueText(8), QString());  // the other row has none

        click(6);  // into the store: the bottom row moves again, on another board
        QVERIFY(waitForAnalysis(window));
        QCOMPARE(form_->game().position()[6], 0);
        expectProvenValues(window);
        QCOMPARE(window->valueText(6), QStringLiteral("—"));  // an empty pit

        // A new position replaces the one under way: only its values are ever shown.
        window->setThinkTime(std::chrono::milliseconds(60000));
        window->showPosition(Position::start(), Side::Bottom);
        QVERIFY(window->analysing());
        window->showPosition(form_->game().position(), Side::Bottom);
        QVERIFY(waitForAnalysis(window));
        expectProvenValues(window);

        // Closing the window stops the work.
        window->showPosition(Position::start(), Side::Bottom);
        QVERIFY(window->analysing());
        window->close();
        QVERIFY(!window->analysing());
    }

    void theAnalysisWaitsWhileAMoveIsShown() {
        QTest::keyClick(form_.get(), Qt::Key_F12);
        AnalysisWindow* window = form_->analysisWindow();
        window->setThinkTime(std::chrono::milliseconds(30));
        QVERIFY(waitForAnalysis(window));
        form_->setStepDelay(5);
        QString headlineDuring;
        QTimer::singleShot(0, this, [&] { headlineDuring = window->stateText(); });
        click(3);
        // During the animation the values of the board before it stayed; then the new board's.
        QVERIFY(!headlineDuring.contains(QStringLiteral("Считаю")));
        QVERIFY(waitForAnalysis(window));
        QCOMPARE(window->headline(), QStringLiteral("Ход нижнего игрока"));
    }

    void screenshotOfBothWindowsBesideTheBoard() {
        click(3);
        click(1);
        RecordWindow* record = openRecordWindow();
        QTest::keyClick(form_.get(), Qt::Key_F12);
        AnalysisWindow* analysis = form_->analysisWindow();
        analysis->setThinkTime(std::chrono::milliseconds(300));
        QVERIFY(waitForAnalysis(analysis));
        const QPixmap main = form_->grab();
        const QPixmap list = record->grab();
        const QPixmap values = analysis->grab();
        QPixmap shot(main.width() + 8 + std::max(list.width(), values.width()),
                     std::max(main.height(), list.height() + 8 + values.height()));
        shot.fill(Qt::darkGray);
        QPainter painter(&shot);
        painter.drawPixmap(0, 0, main);
        painter.drawPixmap(main.width() + 8, 0, list);
        painter.drawPixmap(main.width() + 8, list.height() + 8, values);
        painter.end();
        QDir().mkpath(PIMRA_SCREENSHOT_DIR);
        QVERIFY(shot.save(QStringLiteral(PIMRA_SCREENSHOT_DIR "/record-and-analysis.png")));
        QVERIFY(list.save(QStringLiteral(PIMRA_SCREENSHOT_DIR "/record-window.png")));
        QVERIFY(values.save(QStringLiteral(PIMRA_SCREENSHOT_DIR "/analysis-window.png")));
    }

  private:
    RecordWindow* openRecordWindow() {
        menu().N42->trigger();
        RecordWindow* window = form_->recordWindow();
        if (window == nullptr || !window->isVisible())
            QTest::qFail("no record window", __FILE__, __LINE__);
        return window;
    }

    void clickLine(RecordWindow* window, int row) {
        QListWidget* list = window->moveList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }

    // Waits for the search of the window's position to end.
    bool waitForAnalysis(AnalysisWindow* window) {
        QSignalSpy spy(window, &AnalysisWindow::analysed);
        if (!window->analysing()) return true;
        while (window->analysing()) {
            if (!spy.wait(60000)) return false;
        }
        return true;
    }

    void expectProvenValues(AnalysisWindow* window) {
        MasterSearch search(1 << 16);
        SearchLimits limits;
        limits.time = std::chrono::milliseconds(0);
        const SearchResult expected =
            search.analyse(form_->game().position(), form_->game().sideToMove(), limits);
        QVERIFY(expected.exact);
        QVERIFY(!expected.moves.empty());
        for (const MoveValue& move : expected.moves) {
            QCOMPARE(window->valueText(move.pit), provenText(move));
        }
        QVERIFY(window->stateText().contains(QStringLiteral("всё точно")));
    }
};

QTEST_MAIN(RecordWindowsTest)
#include "RecordWindowsTest.moc"
