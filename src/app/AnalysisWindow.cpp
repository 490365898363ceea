#include "AnalysisWindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "core/Move.h"

namespace pimra {

namespace {

constexpr int kCellWidth = 64;

QString signedNumber(int value) {
    return value > 0 ? QStringLiteral("+%1").arg(value)
                     : QString::number(value).replace('-', QChar(0x2212));
}

QString moveValueText(const MoveValue& move) {
    return move.exact ? signedNumber(move.value) + QStringLiteral(" точно")
                      : signedNumber(move.value);
}

}  // namespace

AnalysisWindow::AnalysisWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Анализ"));
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
            label->setToolTip(QStringLiteral("Лунка %1").arg(index));
            grid->addWidget(label, index > kBottomStore ? 0 : 1, column);
            cells_[static_cast<std::size_t>(index)] = label;
        }
    }
    layout->addLayout(grid);
    state_ = new QLabel;
    layout->addWidget(state_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
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

void AnalysisWindow::showPosition(const Position& position, Side sideToMove) {
    if (position_ == position && sideToMove_ == sideToMove) return;
    position_ = position;
    sideToMove_ = sideToMove;
    if (isVisible()) start();
}

void AnalysisWindow::showUnavailable(const QString& text) {
    stop();
    position_.reset();
    clearValues();
    headline_->setText(text);
    state_->clear();
}

void AnalysisWindow::clearValues() {
    for (int index = 1; index <= kPitCount; ++index) {
        if (QLabel* label = cell(index)) label->clear();
    }
}

void AnalysisWindow::start() {
    stop();
    clearValues();
    if (!position_) return;
    headline_->setText(QString::fromStdString(statusText(sideToMove_)));
    state_->setText(QStringLiteral("Считаю…"));
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

void AnalysisWindow::stop() {
    ++generation_;
    analysing_ = false;
    thinker_.stop();
}

void AnalysisWindow::showResult(unsigned generation, const SearchResult& result, bool finished) {
    if (generation != generation_) return;  // another position meanwhile
    if (finished) analysing_ = false;
    clearValues();
    const int first = Position::firstPitOf(sideToMove_);
    for (int index = first; index < first + 6; ++index) {
        if (position_ && (*position_)[index] == 0) cell(index)->setText(QStringLiteral("—"));
    }
    if (!result.searched) {
        state_->setText(QStringLiteral("Слишком много камней для анализа"));
    } else if (result.moves.empty()) {
        state_->setText(QStringLiteral("Ходов нет, итог %1").arg(signedNumber(result.value)));
    } else {
        for (const MoveValue& move : result.moves) {
            QLabel* label = cell(move.pit);
            label->setText(moveValueText(move));
            QFont font = label->font();
            font.setBold(move.pit == result.pit);
            label->setFont(font);
        }
        const QString depth = QStringLiteral("глубина %1").arg(result.depth);
        state_->setText(result.exact ? depth + QStringLiteral(", всё точно")
                        : finished   ? depth
                                     : depth + QStringLiteral(", считаю дальше…"));
    }
    emit analysed(result.depth, finished);
}

void AnalysisWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    start();
}

void AnalysisWindow::hideEvent(QHideEvent* event) {
    stop();
    if (position_) state_->setText(QStringLiteral("Остановлено"));
    QWidget::hideEvent(event);
}

}  // namespace pimra
