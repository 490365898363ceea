#pragma once

#include <QObject>

#include <functional>

#include "online/TableController.h"

class QAction;

namespace pimra {

class InfoPanel;

// The window's glue for the table's chat: "Чат" in "Особые возможности" (set before a table
// is opened: that menu is closed while one is open), the pane in the information panel, and
// the lines the user says, handed to the table.
class ChatLink : public QObject {
    Q_OBJECT

  public:
    struct Hooks {
        std::function<void(online::Effects)> apply;  // the table's effects of a line said
        std::function<void()> refit;                 // the panel changed its width
        std::function<void()> save;                  // the option changed
    };

    ChatLink(QAction* item, InfoPanel& panel, online::TableController& table, Hooks hooks);

    bool on() const;
    void setOn(bool on);
    // The chat's part of the table's effects.
    void apply(const online::Effects& effects);

  private:
    QAction* item_;
    InfoPanel& panel_;
    online::TableController& table_;
    Hooks hooks_;
};

}  // namespace pimra
