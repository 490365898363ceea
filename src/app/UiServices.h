#pragma once

#include <QString>
#include <QUrl>

class QWidget;

namespace pimra {

// What the window asks of the desktop: message boxes, file dialogs, the browser and the help
// viewer. Tests put a recording fake in its place.
class UiServices {
  public:
    virtual ~UiServices() = default;

    // Modal message with no icon and one OK button.
    virtual void showResult(QWidget* parent, const QString& title, const QString& text) = 0;
    // Modal message with the information icon and one OK button, over the whole application.
    virtual void showAbout(QWidget* parent, const QString& title, const QString& text) = 0;
    // File names chosen in the save and open dialogs, which start in `folder`; empty when
    // cancelled. Games and records share the folder.
    virtual QString saveGameFileName(QWidget* parent, const QString& folder) = 0;
    virtual QString openGameFileName(QWidget* parent, const QString& folder) = 0;
    // The same for game records (.pgn); a desktop without them cancels.
    virtual QString saveRecordFileName(QWidget*, const QString&) { return {}; }
    virtual QString openRecordFileName(QWidget*, const QString&) { return {}; }
    virtual void openUrl(const QUrl& url) = 0;
    virtual void showHelp(QWidget* parent, int topic) = 0;
    // Modal question with "Да" and "Нет"; true when the user answered yes. A desktop that
    // cannot ask answers no, so that nothing is done without the user's word.
    virtual bool confirm(QWidget* parent, const QString& title, const QString& question) {
        (void)parent;
        (void)title;
        (void)question;
        return false;
    }
    // Asks the desktop to draw the user's eye to a window in the background; a desktop
    // that cannot does nothing.
    virtual void alert(QWidget* window) { (void)window; }
};

}  // namespace pimra
