#include "HelpViewer.h"
#include "ShownText.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "HelpTopics.h"

namespace pimra {

HelpViewer::HelpViewer(QWidget* parent) : QDialog(parent), text_(new QTextBrowser(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    layout->addWidget(buttons);
    resize(420, 360);
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
    show();
    raise();
    activateWindow();
}

}  // namespace pimra
