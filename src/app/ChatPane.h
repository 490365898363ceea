#pragma once

#include <QFrame>

#include <vector>

#include "net/ChatLine.h"

class QLineEdit;
class QPlainTextEdit;

namespace pimra {

// The table's chat beside the information panel: the lines said, players' ones in the text's
// colour, spectators' ones grey and marked, and the entry line. Every text is plain text as
// it came: nothing a user says is read as markup.
class ChatPane : public QFrame {
    Q_OBJECT

  public:
    // The most lines kept: a long game's chat does not grow the pane without bound.
    static constexpr int kKeptLines = 500;

    explicit ChatPane(QWidget* parent);

    // Another table: no lines, an empty entry line.
    void clear();
    void addLines(const std::vector<net::ChatLine>& lines);
    // The server took the line said.
    void clearEntry();

    QPlainTextEdit* lines;
    QLineEdit* entry;

  signals:
    // Return pressed in the entry line; the entry keeps the text until it is taken.
    void said(const QString& text);

  private:
    void addLine(const net::ChatLine& line);
};

}  // namespace pimra
