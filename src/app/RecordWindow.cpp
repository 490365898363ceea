#include "RecordWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <array>

namespace pimra {

namespace {

// The captions of the "Уровень" menu, by level.
const std::array<QString, 6> kLevelCaptions = {
    QStringLiteral("Изменчивый"), QStringLiteral("Легкий"),        QStringLiteral("Нормальный"),
    QStringLiteral("Сложный"),    QStringLiteral("Очень сложный"), QStringLiteral("Мастер")};

constexpr int kListWidth = 240;
constexpr int kListHeight = 300;

QString levelCaption(int level) {
    if (level < 0 || level >= static_cast<int>(kLevelCaptions.size())) return {};
    return kLevelCaptions[static_cast<std::size_t>(level)];
}

}  // namespace

RecordWindow::RecordWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Запись партии"));
    auto* layout = new QVBoxLayout(this);
    moves_ = new QListWidget;
    moves_->setSelectionMode(QAbstractItemView::SingleSelection);
    moves_->setMinimumSize(kListWidth, kListHeight);
    layout->addWidget(moves_);
    result_ = new QLabel;
    layout->addWidget(result_);
    message_ = new QLabel;
    message_->setWordWrap(true);
    layout->addWidget(message_);
    auto* buttons = new QHBoxLayout;
    save_ = new QPushButton(QStringLiteral("Сохранить…"));
    open_ = new QPushButton(QStringLiteral("Открыть…"));
    buttons->addWidget(save_);
    buttons->addWidget(open_);
    layout->addLayout(buttons);

    connect(moves_, &QListWidget::itemClicked, this, &RecordWindow::lineClicked);
    connect(save_, &QPushButton::clicked, this, &RecordWindow::saveRequested);
    connect(open_, &QPushButton::clicked, this, &RecordWindow::openRequested);
}

QString RecordWindow::moveText(std::size_t number, const RecordedMove& move) {
    const QString who = move.mover == Mover::Human
                            ? QStringLiteral("игрок")
                            : QStringLiteral("компьютер, ") + levelCaption(move.level);
    return QStringLiteral("%1. %2 %3").arg(number).arg(move.pit).arg(who);
}

void RecordWindow::showRecord(const GameRecord& record, std::optional<std::size_t> shown) {
    const QSignalBlocker blocker(moves_);
    moves_->clear();
    moves_->addItem(QStringLiteral("Начало"));
    std::size_t number = 1;
    for (const RecordedMove& move : record.moves()) moves_->addItem(moveText(number++, move));
    // The moves ahead of the board are those "Вперед" brings back.
    const QColor ahead = palette().color(QPalette::Disabled, QPalette::Text);
    for (int row = 0; row < moves_->count(); ++row) {
        if (shown && static_cast<std::size_t>(row) > *shown)
            moves_->item(row)->setForeground(ahead);
    }
    if (shown) {
        moves_->setCurrentRow(static_cast<int>(*shown));
        moves_->scrollToItem(moves_->currentItem());
    } else {
        moves_->clearSelection();
    }
    const std::string result = record.result();
    result_->setText(result == "*" ? QStringLiteral("Партия не окончена")
                                   : QStringLiteral("Итог: ") + QString::fromStdString(result));
}

void RecordWindow::setCommandsEnabled(bool enabled) {
    moves_->setEnabled(enabled);
    open_->setEnabled(enabled);
}

void RecordWindow::setMessage(const QString& text) {
    message_->setText(text);
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

QString RecordWindow::problemText(const RecordProblem& problem, bool reading) {
    QString what;
    switch (problem.error) {
        case RecordError::None:
            return {};
        case RecordError::CannotOpen:
            what = QStringLiteral("файл не открывается");
            break;
        case RecordError::CannotWrite:
            what = QStringLiteral("файл не записывается");
            break;
        case RecordError::TooLarge:
            what = QStringLiteral("запись слишком велика");
            break;
        case RecordError::NotUtf8:
            what = QStringLiteral("файл не в кодировке UTF-8");
            break;
        case RecordError::BadTag:
            what = QStringLiteral("неверный заголовок");
            break;
        case RecordError::BadStart:
            what = QStringLiteral("неверная начальная позиция");
            break;
        case RecordError::BadMove:
            what = QStringLiteral("неверная запись хода");
            break;
        case RecordError::IllegalMove:
            what = QStringLiteral("ход невозможен по правилам");
            break;
        case RecordError::WrongResult:
            what = QStringLiteral("итог не сходится с ходами");
            break;
    }
    QString text =
        reading ? QStringLiteral("Запись не открыта: ") : QStringLiteral("Запись не сохранена: ");
    if (problem.line > 0) text += QStringLiteral("строка %1, ").arg(problem.line);
    return text + what;
}

}  // namespace pimra
