#include "TfAddGame.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace pimra {

namespace {

QSpinBox* spinBox(QWidget* parent, int minimum, int maximum, int value, const QString& hint) {
    auto* box = new QSpinBox(parent);
    box->setRange(minimum, maximum);
    box->setValue(value);
    box->setToolTip(hint);
    return box;
}

}  // namespace

TfAddGame::TfAddGame(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Новая игра"));
    setFixedSize(165, 92);

    const QString minutesHint = QStringLiteral("Минут на партию каждому сопернику");
    const QString bonusHint = QStringLiteral("Сколько секунд добавить игроку после хода");
    auto* minutesLabel = new QLabel(QStringLiteral("Минут на партию:"), this);
    minutesLabel->setGeometry(6, 8, 100, 16);
    minutesLabel->setToolTip(minutesHint);
    RzSpinEdit1 = spinBox(this, 1, 120, 5, minutesHint);
    RzSpinEdit1->setGeometry(108, 5, 52, 21);

    auto* bonusLabel = new QLabel(QStringLiteral("Увеличение (сек.):"), this);
    bonusLabel->setGeometry(6, 36, 100, 16);
    bonusLabel->setToolTip(bonusHint);
    RzSpinEdit2 = spinBox(this, 0, 300, 3, bonusHint);
    RzSpinEdit2->setGeometry(108, 33, 52, 21);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(6, 63, 72, 24);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setGeometry(87, 63, 72, 24);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int TfAddGame::minutes() const {
    return RzSpinEdit1->value();
}

QString TfAddGame::bonusText() const {
    return RzSpinEdit2->cleanText();
}

}  // namespace pimra
