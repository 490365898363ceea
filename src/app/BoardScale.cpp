#include "BoardScale.h"

#include <QLabel>
#include <QWidget>

#include <algorithm>
#include <cmath>

#include "TextFit.h"

namespace pimra {

namespace {

const char* const kDesignGeometry = "pimraDesignGeometry";
const char* const kDesignFont = "pimraDesignFont";
// Below this the stones and counts cannot be told apart any more.
constexpr double kSmallestScale = 0.3;

int scaled(int value, double scale) {
    return static_cast<int>(std::lround(value * scale));
}

}  // namespace

double boardScale(QSize designedBoard, const WindowChrome& chrome, const QRect& available) {
    if (designedBoard.isEmpty() || available.isEmpty()) return 1.0;
    const int roomWidth = available.width() - chrome.frame.left() - chrome.frame.right();
    const int roomHeight = available.height() - chrome.frame.top() - chrome.frame.bottom() -
                           chrome.menuBarHeight - chrome.statusBarHeight;
    const double byWidth = static_cast<double>(roomWidth) / designedBoard.width();
    const double byHeight = static_cast<double>(roomHeight) / designedBoard.height();
    return std::clamp(std::min(byWidth, byHeight), kSmallestScale, 1.0);
}

QRect scaledRect(const QRect& rect, double scale) {
    return {scaled(rect.x(), scale), scaled(rect.y(), scale), scaled(rect.width(), scale),
            scaled(rect.height(), scale)};
}

void scaleChildren(QWidget* panel, double scale) {
    for (QWidget* child : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        auto* label = qobject_cast<QLabel*>(child);
        if (!child->property(kDesignGeometry).isValid()) {
            child->setProperty(kDesignGeometry, child->geometry());
            child->setProperty(kDesignFont, label ? fullFont(label) : child->font());
        }
        child->setGeometry(scaledRect(child->property(kDesignGeometry).toRect(), scale));
        const QFont font = scaledFont(child->property(kDesignFont).value<QFont>(), scale);
        if (label) {
            setFullFont(label, font);
        } else {
            child->setFont(font);
        }
    }
}

}  // namespace pimra
