#include "TLunka.h"
#include "ShownText.h"

#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>

#include "BoardScale.h"
#include "StoneCount.h"

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

namespace {

// A pit is a button to a screen reader: it says its place and its stones and can be pressed.
class AccessibleLunka : public QAccessibleWidget {
  public:
    explicit AccessibleLunka(TLunka* pit) : QAccessibleWidget(pit, QAccessible::Button) {}

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override {
        if (action == pressAction()) static_cast<TLunka*>(widget())->press();
    }
};

QAccessibleInterface* accessibleLunka(const QString& className, QObject* object) {
    if (className == QLatin1String("pimra::TLunka") && object->isWidgetType())
        return new AccessibleLunka(static_cast<TLunka*>(object));
    return nullptr;
}

}  // namespace

TLunka::TLunka(QWidget* parent) : QFrame(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleLunka);
        return true;
    }();
    (void)factoryInstalled;
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kFrameWidth);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFill(kNormalFill);
}

void TLunka::PlacePit(int index, int place) {
    PitIndex = index;
    setAttribute(Qt::WA_AlwaysShowToolTips);
    IsStore = index == 7 || index == 14;
    Side = index <= 7 ? 1 : 2;
    QPoint at;
    if (place <= 6) {
        at = {110 * place - 60, 250};
    } else if (place == 7) {
        at = {490, 150};
    } else if (place <= 13) {
        at = {110 * (14 - place) - 60, 50};
    } else {
        at = {50, 150};
    }
    if (IsStore) {
        setShownToolTip(this, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Пимра")));
        designGeometry_ = {at, QSize(kStoreWidth, kPitSize)};
    } else {
        setShownToolTip(this, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Лунка")));
        designGeometry_ = {at, QSize(kPitSize, kPitSize)};
    }
    placeAtScale();
    updateAccessibleText();
    repaint();
}

void TLunka::updateAccessibleText() {
    QString place;
    if (!IsStore) {
        place = tr("Лунка %1").arg(PitIndex);
    } else {
        place = Side == 1 ? tr("Пимра нижнего игрока") : tr("Пимра верхнего игрока");
    }
    setAccessibleName(place + QStringLiteral(", ") + stoneCountText(Stones));
    setAccessibleDescription(Side == 1 ? tr("Нижний ряд") : tr("Верхний ряд"));
}

void TLunka::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if (event->type() == QEvent::LanguageChange && PitIndex != 0) updateAccessibleText();
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
    const bool changed = stones != Stones;
    Stones = stones;
    if (changed) updateAccessibleText();
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
