#include <QLCDNumber>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include <algorithm>

#include "InfoPanel.h"
#include "MainMenu.h"
#include "TForm1.h"
#include "TLoginForm.h"
#include "TLunka.h"
#include "TfAddGame.h"
#include "TfNet.h"
#include "UiServices.h"
#include "online/Lobby.h"

namespace pimra {

namespace {

constexpr int kInnerMargin = 1;
constexpr int kClockDigits = 4;

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

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
    clock->display(text(shown));
    // The display has no text of its own to read back; screen readers get it this way.
    clock->setAccessibleName(text(shown));
}

}  // namespace

void TForm1::createDialogs() {
    loginForm_ = new TLoginForm(*this, this);
    fAddGame_ = new TfAddGame(this);
    fNet_ = new TfNet(*this, *loginForm_, *fAddGame_, this);
    // Fonts do not pass from a window to its dialogs by themselves; the captions are sized
    // for the window's small face.
    for (QWidget* dialog : {static_cast<QWidget*>(loginForm_), static_cast<QWidget*>(fAddGame_),
                            static_cast<QWidget*>(fNet_)}) {
        dialog->setFont(font());
    }
}

void TForm1::setTimerPeriods(int pollMilliseconds, int clockMilliseconds) {
    Timer1.setInterval(pollMilliseconds);
    Timer2.setInterval(clockMilliseconds);
}

void TForm1::N12Click() {
    fNet_->show();
    fNet_->raise();
    fNet_->activateWindow();
}

// --- What the lobby asks of the window -------------------------------------------------------

const net::Session& TForm1::session() const {
    return link_->connection().session();
}

std::optional<net::PostResult> TForm1::send(const net::Request& request) {
    std::optional<net::PostResult> result = link_->runner().send(request);
    showServerStatus();
    return result;
}

void TForm1::showServerStatus() {
    sPanel2->setText(text(link_->connection().StatusText()));
}

void TForm1::clearServerDown() {
    link_->connection().ClearServerDown();
}

bool TForm1::login(const std::string& login, const std::string& password) {
    const std::optional<bool> ok = link_->runner().login(login, password);
    showServerStatus();
    return ok.value_or(false);
}

void TForm1::afterLogin() {
    setWindowTitle(text(online::MainWindowCaption(session())));
    UpdateCursor();
}

void TForm1::openTable(int tableId) {
    online_.Open(tableId);
    ReLoad();
}

void TForm1::showMessage(QWidget* parent, const QString& message) {
    ui_.showResult(parent, kTitle, message);
}

void TForm1::openRegistrationPage() {
    ui_.openUrl(link_->page(QStringLiteral("/ru/reg")));
}

void TForm1::setLoginPane(const QString& pane) {
    sPanel1->setText(pane);
}

// --- The table view -----------------------------------------------------------------------------

void TForm1::ReLoad() {
    const std::optional<net::Request> request = online_.ReloadRequest();
    if (!request) return;
    if (Busy || requestUnderWay()) {
        // Came from the clock's pause while a move or request runs: try again after it.
        clockPause_.start();
        return;
    }
    const int table = online_.TableId();
    StepDelay = onlineStepDelay_;
    const std::optional<net::PostResult> result = send(*request);
    // The user may have left the table, or the window closed, while the request waited.
    if (closing_ || online_.TableId() != table) return;
    if (result && result->ok && result->reply) {
        ApplyPosition(online_.ApplyTableReply(*result->reply, game_.position()));
    }
    game_.setSideToMove(online_.SideToMove());
    UpdateFormLabels();
    UpdateCursor();
    menu_->N26->menuAction()->setEnabled(false);
    Timer2.start();
    if (!Timer1.isActive()) Timer1.start();
}

void TForm1::ApplyPosition(const Position& position) {
    game_.setPosition(position);
    for (int i = 1; i <= kPitCount; ++i) {
        if (pit(i)->Stones != position[i]) pit(i)->setStones(position[i]);
    }
}

online::NextRecordOutcome TForm1::GetEnemyHod() {
    const int table = online_.TableId();
    const std::optional<net::PostResult> result = send(online_.NextRecordRequest());
    if (closing_ || online_.TableId() != table) return online::NextRecordOutcome::NoNewRecord;
    const net::Reply* reply = result && result->ok && result->reply ? &*result->reply : nullptr;
    const online::NextRecordOutcome outcome = online_.ApplyNextRecord(reply);
    UpdateFormLabels();
    return outcome;
}

void TForm1::SendMove(int index) {
    send(online_.SendMoveRequest(index));
}

void TForm1::onlineClick(int index) {
    if (requestUnderWay() || !online_.AcceptsClick(index)) return;
    const int table = online_.TableId();
    const QPointer<TForm1> self(this);
    game_.beginTurn();
    updateHistoryItems();
    SendMove(index);
    if (closing_ || online_.TableId() != table) return;
    if (!Hod(index)) {
        if (self) self->finishClosing();
        return;
    }
    ReLoad();
}

void TForm1::SetClocks() {
    const online::ClockTexts clocks =
        online::SetClocks(online_.State().Seat1Time, online_.State().Seat2Time);
    showClock(iPanel->Clock1, clocks.clock1);
    showClock(iPanel->Clock2, clocks.clock2);
}

void TForm1::Timer1Timer() {
    // A tick during a request is skipped: requests never overlap.
    if (closing_ || requestUnderWay()) return;
    const QPointer<TForm1> self(this);
    switch (online_.OnPollTimer(Busy)) {
        case online::PollAction::Nothing:
            break;
        case online::PollAction::Reload:
            ReLoad();
            break;
        case online::PollAction::AskNextRecord:
            switch (GetEnemyHod()) {
                case online::NextRecordOutcome::NoNewRecord:
                    break;
                case online::NextRecordOutcome::Replay:
                    if (!Hod(online_.State().OpponentMove)) {
                        if (self) self->finishClosing();
                        return;
                    }
                    ReLoad();
                    break;
                case online::NextRecordOutcome::ReloadOnly:
                    ReLoad();
                    break;
            }
            break;
    }
    if (closing_) return;
    if (online_.IsOpen() && !Busy) SetClocks();
    if (online_.PollingEnds()) {
        Timer1.stop();
        Timer2.stop();
    }
}

void TForm1::Timer2Timer() {
    if (closing_) return;
    const online::ClockTick tick = online_.OnClockTimer(Busy);
    if (tick.setClocks) SetClocks();
    if (tick.pauseThenReload) {
        // The reload follows a pause, but the window keeps answering meanwhile; it restarts
        // this timer.
        Timer2.stop();
        clockPause_.start();
    }
}

void TForm1::RzButton1Click() {
    if (requestUnderWay()) return;
    clearServerDown();
    ReLoad();
}

void TForm1::bReadyClick() {
    if (requestUnderWay() || !online_.IsOpen()) return;
    const int table = online_.TableId();
    send(online_.ReadyRequest());
    if (closing_ || online_.TableId() != table) return;
    ReLoad();
}

void TForm1::UpdateCursor() {
    // The pointer tells which row is the user's, not whose turn it is.
    const online::PlayableRows rows = online_.Rows();
    for (int i = 1; i <= kPitCount; ++i) {
        const bool playable =
            !Position::isStore(i) && (Position::sideOf(i) == kBottomSide ? rows.bottom : rows.top);
        pit(i)->setCursor(playable ? Qt::PointingHandCursor : Qt::ForbiddenCursor);
    }
}

void TForm1::UpdateFormLabels() {
    const online::TableView view = online_.View();
    const int width = kClientWidth + (view.panelVisible ? InfoPanel::kWidth : 0);
    board_->setFixedSize(width, kBoardHeight);
    iPanel->setGeometry(width - InfoPanel::kWidth - kInnerMargin, kInnerMargin, InfoPanel::kWidth,
                        kBoardHeight - kInnerMargin);
    iPanel->setVisible(view.panelVisible);
    if (view.panelVisible) {
        iPanel->LoginLabel1->setText(text(view.loginLabel1));
        iPanel->LoginLabel2->setText(text(view.loginLabel2));
        if (view.statusText) SetLabel(text(*view.statusText));
        showClock(iPanel->Clock1, view.clocks.clock1);
        showClock(iPanel->Clock2, view.clocks.clock2);
    }
    iPanel->Label2->setText(text(view.tableLabel));
    iPanel->Label3->setText(text(view.resultText));
    iPanel->Label3->setVisible(view.resultVisible);
    iPanel->Label4->setVisible(view.resultVisible);
    setLoginColour(iPanel->LoginLabel1, view.loginColour1);
    setLoginColour(iPanel->LoginLabel2, view.loginColour2);
    iPanel->bReady->setVisible(view.readyVisible);
}

}  // namespace pimra
