#pragma once

#include <QString>

#include <string>

class QAbstractButton;
class QAction;
class QLabel;
class QWidget;

namespace pimra {

// The interface is written in Russian; another language comes from the translation installed
// in the application (context "pimra"). Widgets keep the Russian text they were given, so
// that a change of language shows them anew.
inline constexpr const char* kTextContext = "pimra";

// The text in the interface's language: a text of the game as a whole, or one of its known
// beginnings followed by what the game or the server put after it (a login, a score, a
// server's answer); anything else as it is.
QString translated(const QString& russian);
QString translated(const std::string& russianUtf8);
QString translated(const char* russianUtf8);

void setShownText(QLabel* label, const QString& russian);
void setShownText(QAbstractButton* button, const QString& russian);
void setShownText(QAction* action, const QString& russian);
void setShownTitle(QWidget* window, const QString& russian);
void setShownToolTip(QWidget* widget, const QString& russian);
// A text already in the interface's language (built of translated parts around numbers):
// shown as it is, and built anew by its owner when the language changes.
void setTextAsIs(QLabel* label, const QString& text);
// The Russian text a label was given last.
QString shownSource(const QLabel* label);

// Shows every kept text of the widget and everything it holds (children, dialogs, menu
// items) in the language installed now.
void retranslateTree(QWidget* root);

}  // namespace pimra
