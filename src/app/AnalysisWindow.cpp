#include "AnalysisWindow.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "ShownText.h"
#include "TextFit.h"
#include "core/Move.h"
#include "core/SharedPitDatabase.h"

namespace pimra {

namespace {

constexpr int kCellWidth = 64;
constexpr std::chrono::milliseconds kDatabasePoll{500};

QString signedNumber(int value) {
    return value > 0 ? QStringLiteral("+%1").arg(value)
                     : QString::number(value).replace('-', QChar(0x2212));
}

QString moveValueText(const MoveValue& move) {
    return move.exact ? signedNumber(move.value) + QLatin1Char(' ') +
                            translated(QT_TRANSLATE_NOOP("pimra", "точно"))
                      : signedNumber(move.value);
}

QString depthText(const SearchResult& result, bool finished) {
    const QString depth = translated(QT_TRANSLATE_NOOP("pimra", "глубина %1")).arg(result.depth);
    if (result.exact) return depth + translated(QT_TRANSLATE_NOOP("pimra", ", всё точно"));
    return finished ? depth : depth + translated(QT_TRANSLATE_NOOP("pimra", ", считаю дальше…"));
}

QString databaseStatusText(const PitDatabaseStatus& status) {
    using State = PitDatabaseStatus::State;
    switch (status.state) {
        case State::NotStarted:
            return {};
        case State::Loading:
            return translated(QT_TRANSLATE_NOOP("pimra", "База окончаний: загружается"));
        case State::Building:
            return translated(QT_TRANSLATE_NOOP("pimra", "База окончаний: строится, %1 %"))
                .arg(static_cast<int>(status.progress * 100));
        case State::Ready:
            return translated(QT_TRANSLATE_NOOP("pimra", "База окончаний: до %1 камней, %2 МБ"))
                .arg(status.stones)
                .arg(static_cast<double>(status.bytes) / 1e6, 0, 'f', 1);
        case State::Failed:
            return translated(QT_TRANSLATE_NOOP("pimra", "База окончаний не построена"));
    }
    return {};
}

// Why the main window has no analysis for the board.
[[maybe_unused]] const char* const kUnavailableText =
    QT_TRANSLATE_NOOP("pimra", "Анализ не ведется за столом online");

}  // namespace

AnalysisWindow::AnalysisWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setShownTitle(this, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Анализ")));
    auto* layout = new QVBoxLayout(this);
    headline_ = new QLabel;
    layout->addWidget(headline_);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    // As on the board: the top row's pits 13..8 above the bottom row's pits 1..6.
    for (int column = 0; column < 6; ++column) {
        for (const int index : {13 - column, 1 + column}) {
            auto* label = new QLabel;
            label->setAlignment(Qt::AlignCenter);
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            label->setMinimumWidth(kCellWidth);
            label->setProperty("pit", index);
            grid->addWidget(label, index > kBottomStore ? 0 : 1, column);
            cells_[static_cast<std::size_t>(index)] = label;
        }
    }
    layout->addLayout(grid);
    state_ = new QLabel;
    layout->addWidget(state_);
    database_ = new QLabel;
    layout->addWidget(database_);
    databaseTimer_ = new QTimer(this);
    databaseTimer_->setInterval(kDatabasePoll);
    connect(databaseTimer_, &QTimer::timeout, this, &AnalysisWindow::showDatabase);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    showHeadline();
}

AnalysisWindow::~AnalysisWindow() {
    // The worker posts to this object: it must be gone first.
    stop();
}

QLabel* AnalysisWindow::cell(int index) const {
    if (!Position::isValidIndex(index) || Position::isStore(index)) return nullptr;
    return cells_[static_cast<std::size_t>(index)];
}

QString AnalysisWindow::valueText(int index) const {
    const QLabel* label = cell(index);
    return label ? label->text() : QString();
}

QString AnalysisWindow::headline() const {
    return headline_->text();
}

QString AnalysisWindow::stateText() const {
    return state_->text();
}

QString AnalysisWindow::databaseText() const {
    return database_->text();
}

void AnalysisWindow::showDatabase() {
    const PitDatabaseStatus status = sharedPitDatabaseStatus();
    setTextAsIs(database_, databaseStatusText(status));
    const bool settled = status.state == PitDatabaseStatus::State::Ready ||
                         status.state == PitDatabaseStatus::State::Failed;
    if (settled || !isVisible()) {
        databaseTimer_->stop();
    } else if (!databaseTimer_->isActive()) {
        databaseTimer_->start();
    }
}

void AnalysisWindow::showPosition(const Position& position, Side sideToMove) {
    if (position_ == position && sideToMove_ == sideToMove) return;
    position_ = position;
    sideToMove_ = sideToMove;
    if (isVisible()) start();
}

void AnalysisWindow::showUnavailable(const QString& russian) {
    stop();
    position_.reset();
    result_.reset();
    clearValues();
    setShownText(headline_, russian);
    setShownText(state_, QString());
}

void AnalysisWindow::showHeadline() {
    for (int index = 1; index <= kPitCount; ++index) {
        if (QLabel* label = cell(index))
            label->setToolTip(translated(QT_TRANSLATE_NOOP("pimra", "Лунка %1")).arg(index));
    }
    if (position_) setShownText(headline_, QString::fromStdString(statusText(sideToMove_)));
}

void AnalysisWindow::clearValues() {
    for (int index = 1; index <= kPitCount; ++index) {
        if (QLabel* label = cell(index)) label->clear();
    }
}

void AnalysisWindow::start() {
    stop();
    clearValues();
    result_.reset();
    stopped_ = false;
    if (!position_) return;
    showHeadline();
    setShownText(state_, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Считаю…")));
    analysing_ = true;
    const unsigned generation = ++generation_;
    SearchLimits limits;
    limits.time = thinkTime_;
    // Both run on the worker; only the queued calls touch this object, on its own thread.
    const auto post = [this, generation](bool finished) {
        return [this, generation, finished](const SearchResult& result) {
            QMetaObject::invokeMethod(
                this,
                [this, generation, result, finished] { showResult(generation, result, finished); },
                Qt::QueuedConnection);
        };
    };
    thinker_.analyse(*position_, sideToMove_, limits, post(false), post(true));
}

void AnalysisWindow::setThreads(int threads) {
    if (threads == thinker_.threads()) return;
    const bool restart = analysing_;
    stop();
    thinker_.setThreads(threads);
    if (restart) start();
}

void AnalysisWindow::stop() {
    ++generation_;
    analysing_ = false;
    thinker_.stop();
}

void AnalysisWindow::showResult(unsigned generation, const SearchResult& result, bool finished) {
    if (generation != generation_) return;  // another position meanwhile
    if (finished) analysing_ = false;
    result_ = result;
    finished_ = finished;
    showValues();
    emit analysed(result.depth, finished);
}

void AnalysisWindow::showValues() {
    if (!result_) return;
    const SearchResult& result = *result_;
    clearValues();
    const int first = Position::firstPitOf(sideToMove_);
    for (int index = first; index < first + 6; ++index) {
        if (position_ && (*position_)[index] == 0) cell(index)->setText(QStringLiteral("—"));
    }
    if (!result.searched) {
        setShownText(state_, QString::fromUtf8(
                                 QT_TRANSLATE_NOOP("pimra", "Слишком много камней для анализа")));
    } else if (result.moves.empty()) {
        setTextAsIs(state_, translated(QT_TRANSLATE_NOOP("pimra", "Ходов нет, итог %1"))
                                .arg(signedNumber(result.value)));
    } else {
        for (const MoveValue& move : result.moves) {
            QLabel* label = cell(move.pit);
            label->setText(moveValueText(move));
            QFont font = label->font();
            font.setBold(move.pit == result.pit);
            label->setFont(font);
        }
        setTextAsIs(state_, depthText(result, finished_));
    }
}

void AnalysisWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange) return;
    retranslateTree(this);
    showHeadline();
    showDatabase();
    // A stopped search keeps saying so; the values stay as they were found.
    if (!stopped_) showValues();
}

void AnalysisWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    start();
    showDatabase();
}

void AnalysisWindow::hideEvent(QHideEvent* event) {
    stop();
    if (position_) {
        setShownText(state_, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Остановлено")));
        stopped_ = true;
    }
    QWidget::hideEvent(event);
}

}  // namespace pimra
