#include "InfoPanel.h"
#include "ChatPane.h"
#include "OnlineTexts.h"
#include "ShownText.h"
#include "TextFit.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QLCDNumber>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace pimra {

namespace {

// Wide enough for "Предложить ничью" and its English.
constexpr int kWideButton = 133;

QFont loginFont(bool bold) {
    QFont font(QStringLiteral("Arial Unicode MS"));
    font.setPixelSize(13);
    font.setBold(bold);
    return font;
}

}  // namespace

InfoPanel::InfoPanel(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    setObjectName(QStringLiteral("iPanel"));
    // A panel of its own colour: the logins and clocks must stay readable on every texture.
    // (The board around it takes the highlight colour as its own window colour.)
    QPalette own = palette();
    own.setColor(QPalette::Window, QApplication::palette().color(QPalette::Window));
    setPalette(own);
    setAutoFillBackground(true);

    Label2 = addLabel(QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Стол №")), {9, 9, 133, 13},
                      Qt::AlignCenter);
    Bevel2 = addBevel(8, 29, 135);
    Clock2 = addClock(8, 32);
    LoginLabel2 = addLabel({}, {8, 67, 132, 18}, Qt::AlignCenter);
    LoginLabel2->setFont(loginFont(true));
    Label1 = addLabel(QStringLiteral("vs"), {46, 95, 49, 18}, Qt::AlignCenter);
    Label1->setFont(loginFont(false));
    LoginLabel1 = addLabel({}, {6, 120, 132, 18}, Qt::AlignCenter);
    LoginLabel1->setFont(loginFont(true));
    Clock1 = addClock(8, 144);
    Bevel1 = addBevel(7, 177, 135);
    RzButton1 = addButton(QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Обновить стол")), 24, 183);
    bReady = addButton(QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Жми, если готов")), 24, 207);
    Bevel3 = addBevel(8, 233, 135);
    // Centred over the panel's width: the replacement face is wider than the original one.
    Label4 = addLabel(QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Партия завершена")),
                      {9, 238, 133, 13}, Qt::AlignCenter);
    Label3 = addLabel({}, {10, 254, 133, 42}, Qt::AlignCenter);
    Label3->setFont(loginFont(true));
    Label3->setWordWrap(true);
    // Where the result stands once a game has ended; shown only before the game starts.
    bLeave = addButton(QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Покинуть стол")), 24, 240);
    bLeave->setVisible(false);
    watching = addLabel(QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Вы наблюдаете")),
                        {9, 207, 133, 20}, Qt::AlignCenter);
    watching->setVisible(false);
    bRematch = addButton(QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Реванш")), 24, 300);
    bRematch->setVisible(false);
    // During the game the result's place holds the ways to end it by word; the longer texts
    // take the panel's whole width.
    bResign =
        addButton(QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Сдаться")), 9, 240, kWideButton);
    bDraw = addButton(QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Предложить ничью")), 9, 264,
                      kWideButton);
    drawNote = addLabel({}, {9, 288, 133, 34}, Qt::AlignCenter);
    drawNote->setWordWrap(true);
    rematchNote = addLabel({}, {9, 324, 133, 22}, Qt::AlignCenter);
    bWatchRematch = addButton(QString::fromUtf8(QT_TRANSLATE_NOOP("pimra", "Смотреть реванш")), 9,
                              300, kWideButton);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{bResign, bDraw, drawNote, rematchNote, bWatchRematch}) {
        widget->setVisible(false);
    }
    chat = new ChatPane(this);
    chat->setGeometry(kWidth, 8, kChatWidth - 8, 337);
    chat->setVisible(false);
}

void InfoPanel::setChatShown(bool shown) {
    chat->setVisible(shown);
}

bool InfoPanel::chatShown() const {
    return !chat->isHidden();
}

void InfoPanel::setTurned(bool turned) {
    const QRect upperClock(8, 32, 136, 28);
    const QRect lowerClock(8, 144, 136, 28);
    const QRect upperLogin(8, 67, 132, 18);
    const QRect lowerLogin(6, 120, 132, 18);
    Clock2->setGeometry(turned ? lowerClock : upperClock);
    Clock1->setGeometry(turned ? upperClock : lowerClock);
    LoginLabel2->setGeometry(turned ? lowerLogin : upperLogin);
    LoginLabel1->setGeometry(turned ? upperLogin : lowerLogin);
}

void InfoPanel::showSeats(const online::SeatLabel& seat1, const online::SeatLabel& seat2) {
    seat1_ = seat1;
    seat2_ = seat2;
    showSeatTexts();
}

void InfoPanel::showSeatTexts() {
    setTextAsIs(LoginLabel1, seatLabelText(seat1_));
    setTextAsIs(LoginLabel2, seatLabelText(seat2_));
}

void InfoPanel::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) showSeatTexts();
}

QLabel* InfoPanel::addLabel(const QString& text, const QRect& geometry, Qt::Alignment alignment) {
    auto* label = new QLabel(this);
    setShownText(label, text);
    // Logins and results come from the server: shown as they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

QFrame* InfoPanel::addBevel(int left, int top, int width) {
    auto* line = new QFrame(this);
    line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line->setGeometry(left, top, width, 2);
    return line;
}

QLCDNumber* InfoPanel::addClock(int left, int top) {
    auto* clock = new QLCDNumber(4, this);
    clock->setGeometry(left, top, 136, 28);
    clock->setSegmentStyle(QLCDNumber::Flat);
    clock->setFrameShape(QFrame::NoFrame);
    clock->display(QStringLiteral("0:00"));
    return clock;
}

QPushButton* InfoPanel::addButton(const QString& text, int left, int top, int width) {
    auto* button = new QPushButton(this);
    setShownText(button, text);
    button->setGeometry(left, top, width, 20);
    return button;
}

namespace {

constexpr int kClockDigits = 4;

void setLoginColour(QLabel* label, online::LoginColour colour) {
    QPalette palette = label->palette();
    switch (colour) {
        case online::LoginColour::Green:
            palette.setColor(QPalette::WindowText, QColor(0, 128, 0));
            break;
        case online::LoginColour::Red:
            palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
            break;
        case online::LoginColour::Black:
            palette = QPalette();
            break;
    }
    label->setPalette(palette);
}

void showClock(QLCDNumber* clock, const std::string& shown) {
    // The colon takes a digit's place; long games need more than "MM:SS".
    clock->setDigitCount(std::max(kClockDigits, static_cast<int>(shown.size())));
    clock->display(QString::fromStdString(shown));
    // The display has no text of its own to read back; screen readers get it this way.
    clock->setAccessibleName(QString::fromStdString(shown));
}

}  // namespace

void InfoPanel::showClocks(const online::ClockTexts& clocks) {
    showClock(Clock1, clocks.clock1);
    showClock(Clock2, clocks.clock2);
}

void InfoPanel::showView(const online::TableView& view) {
    if (view.panelVisible) {
        showSeats(view.seat1, view.seat2);
        showClocks(view.clocks);
    }
    setShownText(Label2, QString::fromStdString(view.tableLabel));
    setShownText(Label3, QString::fromStdString(view.resultText));
    Label3->setVisible(view.resultVisible);
    Label4->setVisible(view.resultVisible);
    setLoginColour(LoginLabel1, view.loginColour1);
    setLoginColour(LoginLabel2, view.loginColour2);
    bReady->setVisible(view.readyVisible);
    bLeave->setVisible(view.leaveVisible);
    watching->setVisible(view.watching);
    bRematch->setVisible(view.rematchVisible);
    bRematch->setEnabled(!view.rematchAsked);
}

void InfoPanel::showEndings(const online::EndingsView& view) {
    bResign->setVisible(view.resignVisible);
    bDraw->setVisible(view.drawVisible);
    bDraw->setEnabled(view.drawEnabled);
    setShownText(bDraw, QString::fromUtf8(view.drawAccepts
                                              ? QT_TRANSLATE_NOOP("pimra", "Принять ничью")
                                              : QT_TRANSLATE_NOOP("pimra", "Предложить ничью")));
    setShownText(drawNote, QString::fromStdString(view.drawNote));
    drawNote->setVisible(!view.drawNote.empty());
    setShownText(rematchNote, QString::fromStdString(view.rematchNote));
    rematchNote->setVisible(!view.rematchNote.empty());
    bWatchRematch->setVisible(view.watchRematchVisible);
}

}  // namespace pimra
