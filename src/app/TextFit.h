#pragma once

#include <QFont>
#include <QString>

class QLabel;
class QMessageBox;

namespace pimra {

// Texts that must be read whole where they are shown: a label keeps its full font as long as
// the text fits its contents (wrapped when the label wraps) and takes the largest smaller
// size that fits otherwise.

// Sets the text and the font it fits with.
void setFittedText(QLabel* label, const QString& text);
// The font the label is meant to show its texts in (before any shrinking); fits the text again.
void setFullFont(QLabel* label, const QFont& font);
QFont fullFont(const QLabel* label);
// Whether the text can be read whole in the label with the label's present font.
bool textFits(const QLabel* label, const QString& text);

// The font scaled by a factor, in the unit it was given in (points or pixels).
QFont scaledFont(const QFont& font, double factor);

// Widens a message box so that the window's title bar has room for its whole title.
void makeRoomForTitle(QMessageBox* box);
// The width a message box needs for its title, as makeRoomForTitle gives it.
int titleRoom(const QString& title);

}  // namespace pimra
