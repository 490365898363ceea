#pragma once

#include <QFrame>

#include "online/OnlineTable.h"
#include "online/TableEndings.h"

class QLabel;
class QLCDNumber;
class QPushButton;

namespace pimra {

class ChatPane;

// The panel of an online table at the right edge of the window: table number, both clocks and
// logins, the refresh and ready buttons and the result. Hidden in a local game.
class InfoPanel : public QFrame {
    Q_OBJECT

  public:
    static constexpr int kWidth = 150;
    // The chat's column to the right of the table's, when it is shown.
    static constexpr int kChatWidth = 210;

    explicit InfoPanel(QWidget* parent);

    // The board is seen from seat 2: its clock and login go below, beside its row.
    void setTurned(bool turned);
    // The logins of both seats, as they came, with the words around them in the interface's
    // language.
    void showSeats(const online::SeatLabel& seat1, const online::SeatLabel& seat2);
    // The table as the view says: seats, clocks, labels, buttons (the panel itself stays as
    // it is shown or hidden).
    void showView(const online::TableView& view);
    void showClocks(const online::ClockTexts& clocks);
    // Resigning, the draw offers, the rematch asked for and the spectator's way to it.
    void showEndings(const online::EndingsView& view);
    // The chat's column beside the table's; the window fits itself to `designedWidth`.
    void setChatShown(bool shown);
    bool chatShown() const;
    int designedWidth() const { return kWidth + (chatShown() ? kChatWidth : 0); }

    QLabel* Label2;
    QFrame* Bevel2;
    QLCDNumber* Clock2;
    QLabel* LoginLabel2;
    QLabel* Label1;
    QLabel* LoginLabel1;
    QLCDNumber* Clock1;
    QFrame* Bevel1;
    QPushButton* RzButton1;
    QPushButton* bReady;
    QPushButton* bLeave;
    QFrame* Bevel3;
    QLabel* Label4;
    QLabel* Label3;
    QLabel* watching;       // "Вы наблюдаете", where a player has the ready button
    QPushButton* bRematch;  // "Реванш", under the result
    QPushButton* bResign;  // "Сдаться", where "Покинуть стол" is before the game
    QPushButton* bDraw;  // "Предложить ничью", or "Принять ничью" once it is offered
    QLabel* drawNote;            // whose draw offer stands
    QLabel* rematchNote;         // the opponent asks for a rematch
    QPushButton* bWatchRematch;  // "Смотреть реванш": the spectator's "Реванш"
    ChatPane* chat;

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void showSeatTexts();
    QLabel* addLabel(const QString& text, const QRect& geometry, Qt::Alignment alignment);
    QFrame* addBevel(int left, int top, int width);
    QLCDNumber* addClock(int left, int top);
    QPushButton* addButton(const QString& text, int left, int top, int width = 107);

    online::SeatLabel seat1_;
    online::SeatLabel seat2_;
};

}  // namespace pimra
