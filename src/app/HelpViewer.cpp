#include "HelpViewer.h"

#include <QDialogButtonBox>
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

void HelpViewer::showTopic(int topic) {
    topic_ = topic;
    setWindowTitle(QStringLiteral("Справка — ") + helpTopicTitle(topic));
    text_->setHtml(helpTopicHtml(topic));
    show();
    raise();
    activateWindow();
}

}  // namespace pimra
