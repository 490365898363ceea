#include "TLunka.h"

#include <QMouseEvent>
#include <QPainter>

#include "BoardScale.h"

namespace pimra {

namespace {

constexpr int kPitSize = 70;
constexpr int kStoreWidth = 180;
constexpr int kGrid = 10;
constexpr int kStoneMargin = 4;
constexpr int kStonesPerPitRow = 6;
constexpr int kStonesPerStoreRow = 16;
constexpr int kCountInset = 20;
constexpr int kFrameWidth = 2;

}  // namespace

TLunka::TLunka(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kFrameWidth);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFill(kNormalFill);
}

void TLunka::PlacePit(int index) {
    PitIndex = index;
    setAttribute(Qt::WA_AlwaysShowToolTips);
    IsStore = index == 7 || index == 14;
    Side = index <= 7 ? 1 : 2;
    QPoint place;
    if (index <= 6) {
        place = {110 * index - 60, 250};
    } else if (index == 7) {
        place = {490, 150};
    } else if (index <= 13) {
        place = {110 * (14 - index) - 60, 50};
    } else {
        place = {50, 150};
    }
    if (IsStore) {
        setToolTip(QStringLiteral("Пимра"));
        designGeometry_ = {place, QSize(kStoreWidth, kPitSize)};
    } else {
        setToolTip(QStringLiteral("Лунка"));
        designGeometry_ = {place, QSize(kPitSize, kPitSize)};
    }
    placeAtScale();
    repaint();
}

void TLunka::setScale(double scale) {
    scale_ = scale;
    if (!designGeometry_.isNull()) placeAtScale();
    update();
}

void TLunka::placeAtScale() {
    const QRect shown = scaledRect(designGeometry_, scale_);
    move(shown.topLeft());
    setFixedSize(shown.size());
}

void TLunka::setStones(int stones) {
    Stones = stones;
    repaint();
}

void TLunka::HighlightPit() {
    setFrameShape(QFrame::NoFrame);
    setFill(kHighlightFill);
}

void TLunka::NormalPit() {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setFill(kNormalFill);
}

void TLunka::setFlashFill() {
    setFill(kFlashFill);
}

void TLunka::setFill(QRgb fill) {
    FillColor = QColor(fill);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, FillColor);
    setPalette(palette);
    repaint();
}

QFont TLunka::countFont() const {
    QFont font = this->font();
    font.setPointSize(8);
    return font;
}

QString TLunka::countText() const {
    return Stones > 0 ? QString::asprintf("%2d", Stones) : QString();
}

QRect TLunka::countRect() const {
    const QString text = countText();
    if (text.isEmpty()) return {};
    const QFontMetrics metrics(countFont());
    const QSize designed = designGeometry_.isNull() ? size() : designGeometry_.size();
    return {designed.width() - kCountInset, designed.height() - kCountInset,
            metrics.horizontalAdvance(text), metrics.height()};
}

void TLunka::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), FillColor);
    drawFrame(&painter);

    // Stones and count are laid out on the designed size and drawn at the board's scale.
    painter.scale(scale_, scale_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    painter.setBrush(QColor(kStoneColor));
    const int perRow = IsStore ? kStonesPerStoreRow : kStonesPerPitRow;
    for (int k = 0; k < Stones; ++k) {
        const int column = k % perRow;
        const int row = k / perRow;
        painter.drawEllipse(
            QRectF(kGrid * column + kStoneMargin, kGrid * row + kStoneMargin, kGrid, kGrid));
    }

    const QRect box = countRect();
    if (box.isEmpty()) return;
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(box, FillColor);
    painter.setFont(countFont());
    painter.setPen(QColor(kCountColor));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, countText());
}

void TLunka::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void TLunka::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    // The handler may run a whole move; nothing of this widget is touched after it.
    if (click) emit clicked(this);
}

}  // namespace pimra
