#include "RecordWindow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <array>

#include "ShownText.h"

namespace pimra {

namespace {

// The captions of the "Уровень" menu, by level.
const std::array<const char*, 6> kLevelCaptions = {
    QT_TRANSLATE_NOOP("pimra", "Изменчивый"),    QT_TRANSLATE_NOOP("pimra", "Легкий"),
    QT_TRANSLATE_NOOP("pimra", "Нормальный"),    QT_TRANSLATE_NOOP("pimra", "Сложный"),
    QT_TRANSLATE_NOOP("pimra", "Очень сложный"), QT_TRANSLATE_NOOP("pimra", "Мастер")};

// What the main window tells the user here.
[[maybe_unused]] const char* const kMessages[] = {
    QT_TRANSLATE_NOOP("pimra", "Запись сохранена"),
    QT_TRANSLATE_NOOP("pimra", "Запись открыта"),
    QT_TRANSLATE_NOOP("pimra", "Этот ход уже не достать через «Назад»"),
};

constexpr int kListWidth = 240;
constexpr int kListHeight = 300;

QString levelCaption(int level) {
    if (level < 0 || level >= static_cast<int>(kLevelCaptions.size())) return {};
    return translated(kLevelCaptions[static_cast<std::size_t>(level)]);
}

const char* problemReason(RecordError error) {
    switch (error) {
        case RecordError::None:
            return "";
        case RecordError::CannotOpen:
            return QT_TRANSLATE_NOOP("pimra", "файл не открывается");
        case RecordError::CannotWrite:
            return QT_TRANSLATE_NOOP("pimra", "файл не записывается");
        case RecordError::TooLarge:
            return QT_TRANSLATE_NOOP("pimra", "запись слишком велика");
        case RecordError::NotUtf8:
            return QT_TRANSLATE_NOOP("pimra", "файл не в кодировке UTF-8");
        case RecordError::BadTag:
            return QT_TRANSLATE_NOOP("pimra", "неверный заголовок");
        case RecordError::BadStart:
            return QT_TRANSLATE_NOOP("pimra", "неверная начальная позиция");
        case RecordError::BadMove:
            return QT_TRANSLATE_NOOP("pimra", "неверная запись хода");
        case RecordError::IllegalMove:
            return QT_TRANSLATE_NOOP("pimra", "ход невозможен по правилам");
        case RecordError::WrongResult:
            return QT_TRANSLATE_NOOP("pimra", "итог не сходится с ходами");
    }
    return "";
}

}  // namespace

RecordWindow::RecordWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setShownTitle(this, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Запись партии")));
    auto* layout = new QVBoxLayout(this);
    moves_ = new QListWidget;
    moves_->setSelectionMode(QAbstractItemView::SingleSelection);
    moves_->setMinimumSize(kListWidth, kListHeight);
    layout->addWidget(moves_);
    result_ = new QLabel;
    layout->addWidget(result_);
    message_ = new QLabel;
    message_->setWordWrap(true);
    message_->hide();
    layout->addWidget(message_);
    auto* buttons = new QHBoxLayout;
    save_ = new QPushButton;
    setShownText(save_, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Сохранить…")));
    open_ = new QPushButton;
    setShownText(open_, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Открыть…")));
    buttons->addWidget(save_);
    buttons->addWidget(open_);
    layout->addLayout(buttons);

    connect(moves_, &QListWidget::itemClicked, this, &RecordWindow::lineClicked);
    connect(save_, &QPushButton::clicked, this, &RecordWindow::saveRequested);
    connect(open_, &QPushButton::clicked, this, &RecordWindow::openRequested);
}

QString RecordWindow::moveText(std::size_t number, const RecordedMove& move) {
    const QString who =
        move.mover == Mover::Human
            ? translated(QT_TRANSLATE_NOOP("pimra", "игрок"))
            : translated(QT_TRANSLATE_NOOP("pimra", "компьютер, ")) + levelCaption(move.level);
    return QStringLiteral("%1. %2 %3").arg(number).arg(move.pit).arg(who);
}

void RecordWindow::showRecord(const GameRecord& record, std::optional<std::size_t> shown) {
    record_ = record;
    shown_ = shown;
    showLines();
}

void RecordWindow::showLines() {
    const QSignalBlocker blocker(moves_);
    moves_->clear();
    moves_->addItem(translated(QT_TRANSLATE_NOOP("pimra", "Начало")));
    std::size_t number = 1;
    for (const RecordedMove& move : record_.moves()) moves_->addItem(moveText(number++, move));
    // The moves ahead of the board are those "Вперед" brings back.
    const QColor ahead = palette().color(QPalette::Disabled, QPalette::Text);
    for (int row = 0; row < moves_->count(); ++row) {
        if (shown_ && static_cast<std::size_t>(row) > *shown_)
            moves_->item(row)->setForeground(ahead);
    }
    if (shown_) {
        moves_->setCurrentRow(static_cast<int>(*shown_));
        moves_->scrollToItem(moves_->currentItem());
    } else {
        moves_->clearSelection();
    }
    const std::string result = record_.result();
    result_->setText(result == "*" ? translated(QT_TRANSLATE_NOOP("pimra", "Партия не окончена"))
                                   : translated(QT_TRANSLATE_NOOP("pimra", "Итог: ")) +
                                         QString::fromStdString(result));
}

void RecordWindow::setCommandsEnabled(bool enabled) {
    moves_->setEnabled(enabled);
    open_->setEnabled(enabled);
}

void RecordWindow::setMessage(const QString& russian) {
    messageSource_ = russian;
    problem_.reset();
    showMessage();
}

void RecordWindow::showProblem(const RecordProblem& problem, bool reading) {
    messageSource_.clear();
    problem_ = problem;
    problemReading_ = reading;
    showMessage();
}

void RecordWindow::showMessage() {
    message_->setText(problem_ ? problemText(*problem_, problemReading_)
                               : translated(messageSource_));
    message_->setVisible(!message_->text().isEmpty());
    makeRoom();
}

void RecordWindow::makeRoom() {
    // A message that wraps needs more height than the window had; the list keeps its own and
    // the result line stays below it, never under it.
    layout()->activate();
    const int needed = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width())
                                                     : layout()->totalSizeHint().height();
    if (height() < needed) resize(width(), needed);
}

QString RecordWindow::message() const {
    return message_->text();
}

QString RecordWindow::resultText() const {
    return result_->text();
}

void RecordWindow::lineClicked(QListWidgetItem* item) {
    const int row = moves_->row(item);
    if (row >= 0) emit positionChosen(static_cast<std::size_t>(row));
}

void RecordWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange) return;
    retranslateTree(this);
    showLines();
    showMessage();
}

void RecordWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    makeRoom();
}

QString RecordWindow::problemText(const RecordProblem& problem, bool reading) {
    if (problem.error == RecordError::None) return {};
    QString text = reading ? translated(QT_TRANSLATE_NOOP("pimra", "Запись не открыта: "))
                           : translated(QT_TRANSLATE_NOOP("pimra", "Запись не сохранена: "));
    if (problem.line > 0)
        text += translated(QT_TRANSLATE_NOOP("pimra", "строка %1, ")).arg(problem.line);
    return text + translated(problemReason(problem.error));
}

}  // namespace pimra
