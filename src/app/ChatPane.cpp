#include "ChatPane.h"

#include <QDateTime>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>

#include "ShownText.h"
#include "net/ChatText.h"

namespace pimra {

namespace {

// Spectators' lines stand apart from the players' ones.
const QColor kSpectatorColour(110, 110, 110);

}  // namespace

ChatPane::ChatPane(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("chatPane"));
    lines = new QPlainTextEdit(this);
    lines->setObjectName(QStringLiteral("chatLines"));
    lines->setReadOnly(true);
    lines->setMaximumBlockCount(kKeptLines);
    lines->setFocusPolicy(Qt::ClickFocus);
    entry = new QLineEdit(this);
    entry->setObjectName(QStringLiteral("chatEntry"));
    // Characters beyond the server's limit could not be said.
    entry->setMaxLength(net::kMaxChatCharacters);
    // Only a click puts the keyboard here: the digit keys keep playing the pits.
    entry->setFocusPolicy(Qt::ClickFocus);
    setShownToolTip(entry, QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Чат: Enter — сказать")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(lines, 1);
    layout->addWidget(entry);
    connect(entry, &QLineEdit::returnPressed, this, [this] { emit said(entry->text()); });
}

void ChatPane::clear() {
    lines->clear();
    entry->clear();
}

void ChatPane::clearEntry() {
    entry->clear();
}

void ChatPane::addLines(const std::vector<net::ChatLine>& said) {
    for (const net::ChatLine& line : said) addLine(line);
    lines->ensureCursorVisible();
}

void ChatPane::addLine(const net::ChatLine& line) {
    QTextCharFormat plain;
    if (!line.player) plain.setForeground(kSpectatorColour);
    QTextCharFormat login = plain;
    login.setFontWeight(QFont::Bold);
    const QString time =
        QDateTime::fromSecsSinceEpoch(line.time).toLocalTime().toString(QStringLiteral("HH:mm"));
    QString speaker = QString::fromStdString(line.login);
    if (!line.player) {
        speaker += QLatin1Char(' ') + translated(QT_TRANSLATE_NOOP("pimra", "(зритель)"));
    }
    // insertText takes text as it is; each line is a block of its own.
    QTextCursor cursor(lines->document());
    cursor.movePosition(QTextCursor::End);
    if (!lines->document()->isEmpty()) cursor.insertBlock();
    cursor.insertText(time + QLatin1Char(' '), plain);
    cursor.insertText(speaker, login);
    cursor.insertText(QStringLiteral(": ") + QString::fromStdString(line.text), plain);
}

}  // namespace pimra
