#include "HelpViewer.h"
#include "ShownText.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "HelpTopics.h"

#include <algorithm>

namespace pimra {

namespace {

const QSize kDesignSize(420, 360);
// Room left around the window for the window manager's frame and title bar.
constexpr int kFrameRoom = 40;
constexpr int kSideFrame = 8;

}  // namespace

HelpViewer::HelpViewer(QWidget* parent) : QDialog(parent), text_(new QTextBrowser(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    layout->addWidget(buttons);
    resize(kDesignSize);
}

void HelpViewer::placeOverOwner() {
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen* screen = owner ? owner->screen() : this->screen();
    const QRect room = screen->availableGeometry();
    resize(kDesignSize.boundedTo(room.size() - QSize(kFrameRoom, kFrameRoom)));
    QRect place(QPoint(), size());
    place.moveCenter(owner ? owner->frameGeometry().center() : room.center());
    const int left = std::min(place.left(), room.right() + 1 - kSideFrame - place.width());
    const int top = std::min(place.top(), room.bottom() + 1 - kSideFrame - place.height());
    move(std::max(left, room.left() + kSideFrame), std::max(top, room.top() + kFrameRoom / 2));
}

void HelpViewer::showTexts() {
    setWindowTitle(translated(QT_TRANSLATE_NOOP("pimra", "Справка — ")) + helpTopicTitle(topic_));
    text_->setHtml(helpTopicHtml(topic_));
}

void HelpViewer::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange && topic_ != 0) showTexts();
}

void HelpViewer::showTopic(int topic) {
    topic_ = topic;
    showTexts();
    if (!isVisible()) placeOverOwner();
    show();
    raise();
    activateWindow();
}

}  // namespace pimra
