#include <QDate>
#include <QFile>
#include <QMenu>

#include "AnalysisWindow.h"
#include "MainMenu.h"
#include "RecordWindow.h"
#include "TForm1.h"
#include "UiServices.h"
#include "core/Move.h"
#include "core/RecordFormat.h"

namespace pimra {

namespace {

std::string recordPath(const QString& fileName) {
    return QFile::encodeName(fileName).toStdString();
}

// What a record needs to be read back: counts of a byte and no more moves than a file holds.
bool fitsAFile(const GameRecord& record) {
    return record.start().fitsInBytes() && record.moves().size() <= kMaxRecordMoves;
}

}  // namespace

void TForm1::N42Click() {
    if (!recordWindow_) {
        recordWindow_ = new RecordWindow(this);
        connect(recordWindow_, &RecordWindow::positionChosen, this, &TForm1::recordPositionChosen);
        connect(recordWindow_, &RecordWindow::saveRequested, this, &TForm1::saveRecord);
        connect(recordWindow_, &RecordWindow::openRequested, this, &TForm1::openRecord);
    }
    recordWindow_->show();
    recordWindow_->raise();
    recordWindow_->activateWindow();
    updateSideWindows();
}

void TForm1::N43Click() {
    if (!analysisWindow_) {
        analysisWindow_ = new AnalysisWindow(this);
        analysisWindow_->setThinkTime(std::max(master_.thinkTime(), AnalysisWindow::kDefaultTime));
        analysisWindow_->setThreads(master_.threads());
    }
    updateSideWindows();
    analysisWindow_->show();
    analysisWindow_->raise();
}

void TForm1::updateSideWindows() {
    const online::Commands allowed = state_.commands();
    if (recordWindow_ && recordWindow_->isVisible()) {
        recordWindow_->showRecord(game_.record(), game_.recordMoves());
        recordWindow_->setCommandsEnabled(allowed.recordCommands);
    }
    if (!analysisWindow_) return;
    if (!allowed.analysis) {
        analysisWindow_->showUnavailable(QStringLiteral("Анализ не ведется за столом online"));
        return;
    }
    // The game has decided a move the board is still to show: it is analysed once it is on
    // the board. While the computer thinks, the board is what it thinks about.
    if (!state_.moveToShow()) analysisWindow_->showPosition(game_.position(), game_.sideToMove());
}

void TForm1::recordPositionChosen(std::size_t moves) {
    if (!state_.commands().history) {
        updateSideWindows();
        return;
    }
    const bool reached = game_.goToRecordMoves(moves);
    showBoard();
    showCommands();
    recordWindow_->setMessage(reached ? QString()
                                      : QStringLiteral("Этот ход уже не достать через «Назад»"));
}

void TForm1::saveRecord() {
    const QString fileName = ui_.saveRecordFileName(recordWindow_, gameFolder_);
    if (fileName.isEmpty()) return;
    GameRecord record = game_.record();
    if (!fitsAFile(record)) {
        recordWindow_->showProblem({RecordError::TooLarge, 0, {}}, false);
        return;
    }
    const bool dated = std::any_of(record.tags().begin(), record.tags().end(),
                                   [](const auto& tag) { return tag.first == "Date"; });
    if (!dated) {
        record.setTag("Date",
                      QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd")).toStdString());
    }
    const RecordProblem problem = writeRecordFile(recordPath(fileName), record);
    if (problem.error == RecordError::None) {
        rememberFolderOf(fileName);
        recordWindow_->setMessage(QStringLiteral("Запись сохранена"));
    } else {
        recordWindow_->showProblem(problem, false);
    }
}

void TForm1::openRecord() {
    if (!state_.commands().history) return;
    const QString fileName = ui_.openRecordFileName(recordWindow_, gameFolder_);
    if (fileName.isEmpty()) return;
    RecordReading reading = readRecordFile(recordPath(fileName));
    if (!reading.record) {
        // A bad file changes nothing.
        recordWindow_->showProblem(reading.problem, true);
        return;
    }
    rememberFolderOf(fileName);
    game_.loadRecord(std::move(*reading.record));
    showBoard();
    showCommands();
    SetLabel(QString::fromStdString(pimra::statusText(game_.sideToMove())));
    UpdateCursor();
    recordWindow_->setMessage(QStringLiteral("Запись открыта"));
}

}  // namespace pimra
