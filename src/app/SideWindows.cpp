#include "SideWindows.h"

#include <QDate>
#include <QFile>

#include <algorithm>

#include "AnalysisWindow.h"
#include "GameFiles.h"
#include "RecordWindow.h"
#include "UiServices.h"
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

// A record saved without a date gets today's.
void dateRecord(GameRecord& record) {
    const bool dated = std::any_of(record.tags().begin(), record.tags().end(),
                                   [](const auto& tag) { return tag.first == "Date"; });
    if (dated) return;
    record.setTag("Date",
                  QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd")).toStdString());
}

}  // namespace

SideWindows::SideWindows(QWidget* owner, UiServices& ui, GameFiles& files, online::PlayState& state,
                         std::function<void(online::Effects)> apply)
    : QObject(owner),
      owner_(owner),
      ui_(ui),
      files_(files),
      state_(state),
      apply_(std::move(apply)) {}

void SideWindows::openRecord() {
    if (!record_) {
        record_ = new RecordWindow(owner_);
        connect(record_, &RecordWindow::positionChosen, this, &SideWindows::positionChosen);
        connect(record_, &RecordWindow::saveRequested, this, &SideWindows::saveRecord);
        connect(record_, &RecordWindow::openRequested, this, &SideWindows::readRecord);
    }
    record_->show();
    record_->raise();
    record_->activateWindow();
    update();
}

void SideWindows::openAnalysis(std::chrono::milliseconds thinkTime, int threads) {
    if (!analysis_) {
        analysis_ = new AnalysisWindow(owner_);
        analysis_->setThinkTime(std::max(thinkTime, AnalysisWindow::kDefaultTime));
        analysis_->setThreads(threads);
    }
    update();
    analysis_->show();
    analysis_->raise();
}

void SideWindows::update() {
    const online::Commands allowed = state_.commands();
    const Game& game = state_.game();
    if (record_ && record_->isVisible()) {
        record_->showRecord(game.record(), game.recordMoves());
        record_->setCommandsEnabled(allowed.recordCommands);
    }
    if (!analysis_) return;
    if (!allowed.analysis) {
        analysis_->showUnavailable(QStringLiteral("Анализ не ведется за столом online"));
        return;
    }
    // The game has decided a move the board is still to show: it is analysed once it is on
    // the board. While the computer thinks, the board is what it thinks about.
    if (!state_.moveToShow()) analysis_->showPosition(game.position(), game.sideToMove());
}

void SideWindows::setThreads(int threads) {
    if (analysis_) analysis_->setThreads(threads);
}

void SideWindows::forgetMessage() {
    if (record_) record_->setMessage({});
}

void SideWindows::hide() {
    if (record_) record_->hide();
    if (analysis_) analysis_->hide();
}

void SideWindows::positionChosen(std::size_t moves) {
    const online::PlayState::RecordStep step = state_.goToRecordMoves(moves);
    if (step == online::PlayState::RecordStep::Refused) {
        update();
        return;
    }
    online::Effects shown;
    shown.showBoard = true;
    apply_(std::move(shown));
    const bool reached = step == online::PlayState::RecordStep::Reached;
    record_->setMessage(reached ? QString()
                                : QStringLiteral("Этот ход уже не достать через «Назад»"));
}

void SideWindows::saveRecord() {
    const QString fileName = ui_.saveRecordFileName(record_, files_.folder());
    if (fileName.isEmpty()) return;
    GameRecord record = state_.game().record();
    if (!fitsAFile(record)) {
        record_->showProblem({RecordError::TooLarge, 0, {}}, false);
        return;
    }
    dateRecord(record);
    const RecordProblem problem = writeRecordFile(recordPath(fileName), record);
    if (problem.error != RecordError::None) {
        record_->showProblem(problem, false);
        return;
    }
    files_.rememberFolderOf(fileName);
    record_->setMessage(QStringLiteral("Запись сохранена"));
}

void SideWindows::readRecord() {
    if (!state_.commands().history) return;
    const QString fileName = ui_.openRecordFileName(record_, files_.folder());
    if (fileName.isEmpty()) return;
    RecordReading reading = readRecordFile(recordPath(fileName));
    if (!reading.record) {
        // A bad file changes nothing.
        record_->showProblem(reading.problem, true);
        return;
    }
    files_.rememberFolderOf(fileName);
    apply_(state_.loadRecord(std::move(*reading.record)));
    record_->setMessage(QStringLiteral("Запись открыта"));
}

}  // namespace pimra
