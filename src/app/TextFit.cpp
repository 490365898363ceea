#include "TextFit.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>

#include <algorithm>
#include <cmath>

namespace pimra {

namespace {

const char* const kFullFontProperty = "pimraFullFont";
constexpr double kSmallestFactor = 0.4;
constexpr double kFactorStep = 0.05;
// The window manager's buttons and the margins beside a title.
constexpr int kTitleBarExtra = 130;

bool fitsWith(const QLabel* label, const QFont& font, const QString& text) {
    const QRect room = label->contentsRect();
    const QFontMetrics metrics(font);
    if (label->wordWrap()) {
        const QRect needed =
            metrics.boundingRect(room, Qt::TextWordWrap | label->alignment(), text);
        // A word longer than the line is not broken; it runs out to the sides.
        return needed.width() <= room.width() && needed.height() <= room.height();
    }
    return metrics.horizontalAdvance(text) <= room.width() && metrics.height() <= room.height();
}

}  // namespace

QFont scaledFont(const QFont& font, double factor) {
    QFont scaled = font;
    if (font.pixelSize() > 0) {
        scaled.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pixelSize() * factor))));
    } else {
        scaled.setPointSizeF(std::max(1.0, font.pointSizeF() * factor));
    }
    return scaled;
}

QFont fullFont(const QLabel* label) {
    const QVariant full = label->property(kFullFontProperty);
    return full.isValid() ? full.value<QFont>() : label->font();
}

void setFullFont(QLabel* label, const QFont& font) {
    label->setProperty(kFullFontProperty, font);
    setFittedText(label, label->text());
}

void setFittedText(QLabel* label, const QString& text) {
    const QFont full = fullFont(label);
    label->setProperty(kFullFontProperty, full);
    QFont chosen = full;
    for (double factor = 1.0; factor >= kSmallestFactor; factor -= kFactorStep) {
        chosen = scaledFont(full, factor);
        if (fitsWith(label, chosen, text)) break;
    }
    if (chosen != label->font()) label->setFont(chosen);
    label->setText(text);
}

bool textFits(const QLabel* label, const QString& text) {
    return fitsWith(label, label->font(), text);
}

int titleRoom(const QString& title) {
    const QFontMetrics metrics(QFontDatabase::systemFont(QFontDatabase::TitleFont));
    return metrics.horizontalAdvance(title) + kTitleBarExtra;
}

void makeRoomForTitle(QMessageBox* box) {
    // A message box sizes itself to its text and ignores a minimum width; a spacer across the
    // bottom of its grid is what it keeps.
    auto* grid = qobject_cast<QGridLayout*>(box->layout());
    if (grid == nullptr) return;
    grid->addItem(
        new QSpacerItem(titleRoom(box->windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
        grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace pimra
