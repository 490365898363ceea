#include "TfAddGame.h"
#include "ShownText.h"
#include "TextFit.h"

#include <algorithm>

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace pimra {

namespace {

constexpr int kWidth = 165;
constexpr int kHeight = 92;
constexpr int kMargin = 6;
constexpr int kLabelWidth = 100;
constexpr int kBoxWidth = 52;
constexpr int kRowHeight = 21;
constexpr int kButtonHeight = 24;

QSpinBox* spinBox(QWidget* parent, int minimum, int maximum, int value, const QString& hint) {
    auto* box = new QSpinBox(parent);
    box->setRange(minimum, maximum);
    box->setValue(value);
    setShownToolTip(box, hint);
    return box;
}

}  // namespace

TfAddGame::TfAddGame(QWidget* parent) : QDialog(parent) {
    setShownTitle(this, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Новая игра")));

    const QString minutesHint =
        QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Минут на партию каждому сопернику"));
    const QString bonusHint =
        QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Сколько секунд добавить игроку после хода"));
    minutesLabel_ = new QLabel(this);
    setShownText(minutesLabel_, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Минут на партию:")));
    setShownToolTip(minutesLabel_, minutesHint);
    RzSpinEdit1 = spinBox(this, 1, 120, 5, minutesHint);
    bonusLabel_ = new QLabel(this);
    setShownText(bonusLabel_, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Увеличение (сек.):")));
    setShownToolTip(bonusLabel_, bonusHint);
    RzSpinEdit2 = spinBox(this, 0, 300, 3, bonusHint);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    cancel_ = new QPushButton(this);
    setShownText(cancel_, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Cancel")));
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    layOut();
}

void TfAddGame::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) retranslateTree(this);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LanguageChange) layOut();
}

void TfAddGame::layOut() {
    // The designed places (a 165 × 92 dialog, labels 100 wide, rows of 21), widened and
    // heightened where a face needs more room for the labels.
    // Both labels in the dialog's own font, never one of them shrunk.
    const QFontMetrics metrics(font());
    const int labelWidth =
        std::max({kLabelWidth, metrics.horizontalAdvance(minutesLabel_->text()) + 4,
                  metrics.horizontalAdvance(bonusLabel_->text()) + 4});
    const int rowHeight = std::max(kRowHeight, fontMetrics().height() + 6);
    const int buttonHeight = std::max(kButtonHeight, fontMetrics().height() + 8);
    const int boxLeft = kMargin + labelWidth + 2;
    const int secondRow = 5 + rowHeight + 7;
    minutesLabel_->setGeometry(kMargin, 5, labelWidth, rowHeight);
    RzSpinEdit1->setGeometry(boxLeft, 5, kBoxWidth, rowHeight);
    bonusLabel_->setGeometry(kMargin, secondRow, labelWidth, rowHeight);
    RzSpinEdit2->setGeometry(boxLeft, secondRow, kBoxWidth, rowHeight);
    const int width = std::max({kWidth, boxLeft + kBoxWidth + 5, titleRoom(windowTitle())});
    const int buttonTop = secondRow + rowHeight + 9;
    ok_->setGeometry(kMargin, buttonTop, 72, buttonHeight);
    cancel_->setGeometry(width - kMargin - 72, buttonTop, 72, buttonHeight);
    setFixedSize(width, std::max(kHeight, buttonTop + buttonHeight + 5));
    for (QLabel* label : {minutesLabel_, bonusLabel_}) setFullFont(label, font());
}

int TfAddGame::minutes() const {
    return RzSpinEdit1->value();
}

QString TfAddGame::bonusText() const {
    return RzSpinEdit2->cleanText();
}

}  // namespace pimra
