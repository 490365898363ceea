#include "ChatLink.h"

#include <QAction>
#include <QLineEdit>

#include "ChatPane.h"
#include "InfoPanel.h"

namespace pimra {

ChatLink::ChatLink(QAction* item, InfoPanel& panel, online::TableController& table, Hooks hooks)
    : item_(item), panel_(panel), table_(table), hooks_(std::move(hooks)) {
    item_->setChecked(table_.chat().on());
    connect(item_, &QAction::toggled, this, [this](bool checked) {
        table_.setChatOn(checked);
        hooks_.save();
    });
    connect(panel_.chat, &ChatPane::said, this,
            [this](const QString& text) { hooks_.apply(table_.say(text.toStdString())); });
}

bool ChatLink::on() const {
    return item_->isChecked();
}

void ChatLink::setOn(bool on) {
    table_.setChatOn(on);
    item_->setChecked(on);
}

void ChatLink::apply(const online::Effects& effects) {
    ChatPane& pane = *panel_.chat;
    if (effects.chatCleared) pane.clear();
    if (!effects.chatLines.empty()) pane.addLines(effects.chatLines);
    if (effects.chatSaid) pane.clearEntry();
    if (effects.chatShown) pane.entry->setEnabled(table_.canSay());
    if (effects.chatShown && *effects.chatShown != panel_.chatShown()) {
        panel_.setChatShown(*effects.chatShown);
        hooks_.refit();
    }
}

}  // namespace pimra
