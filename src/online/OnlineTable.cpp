#include "online/OnlineTable.h"

#include <algorithm>

#include "net/PositionText.h"
#include "net/RecordReply.h"
#include "net/Requests.h"
#include "online/GameResult.h"

namespace pimra::online {

using namespace pimra::net;
namespace {

SeatLabel SeatLabelOf(const net::SeatReply& seat) {
    return {seat.login, seat.rating ? std::to_string(*seat.rating) : std::string(), seat.away};
}

LoginColour ReadyColour(bool ready) {
    return ready ? LoginColour::Green : LoginColour::Red;
}

std::string ResultText(const net::TableReply& table) {
    const bool won = table.result == TableResult::Seat1Won || table.result == TableResult::Seat2Won;
    if (table.finish == FinishReason::Resign && won) {
        return kResignedBoxText +
               (table.result == TableResult::Seat1Won ? table.seat2.login : table.seat1.login);
    }
    if (table.finish == FinishReason::Agreement) return kAgreedDrawText;
    if (table.result == TableResult::Seat1Won) {
        return "Победил: " + table.seat1.login;
    }
    if (table.result == TableResult::Seat2Won) {
        return "Победил: " + table.seat2.login;
    }
    return "Ничья";
}

}  // namespace

std::string SeatLabelText(const SeatLabel& seat) {
    std::string label = seat.login;
    if (!seat.login.empty() && !seat.rating.empty()) label += " (" + seat.rating + ")";
    if (!seat.login.empty() && seat.away) label += std::string(" ") + kAwayText;
    return label;
}

void OnlineTable::Open(int tableId) {
    if (tableId != tableId_) {
        state_.LastRecord = 0;
        state_.OpponentMove = 0;
        rematchAsked_ = false;
    }
    tableId_ = tableId;
    // The board may be anything now: the first reply's board is taken as it is.
    loadedHere_ = false;
    unseenRecords_ = false;
}

std::optional<Request> OnlineTable::ReloadRequest() const {
    if (!IsOpen()) {
        return std::nullopt;
    }
    return GetTableRequest(tableId_);
}

Position OnlineTable::ApplyTableReply(const Reply& reply, const Position& board, bool catchUp) {
    const net::TableReply& table = state_.Table;
    state_.Table = DecodeTableReply(reply);
    stateArrived_ = clock_();
    loaded_ = true;
    // Someone not logged in owns no seat, not even a free one.
    readyVisible_ = (!table.seat1.ready && OwnsSeat(table.seat1.login)) ||
                    (!table.seat2.ready && OwnsSeat(table.seat2.login));
    const std::optional<int> record = table.lastRecord;
    unseenRecords_ = catchUp && loadedHere_ && record && *record > state_.LastRecord;
    loadedHere_ = true;
    if (unseenRecords_) return board;
    if (record) state_.LastRecord = *record;
    return ApplyPosition(board, table.position);
}

bool OnlineTable::OwnsSeat(const std::string& seatLogin) const {
    return session_.LoggedIn() && !session_.OwnLogin.empty() && session_.OwnLogin == seatLogin;
}

Side OnlineTable::SideToMove() const {
    return state_.Table.seat1.login == state_.Table.activeLogin ? Side::Bottom : Side::Top;
}

TableView OnlineTable::View() const {
    const net::TableReply& table = state_.Table;
    TableView view;
    if (IsOpen()) {
        view.windowWidth = kTableWindowWidth;
        view.panelVisible = true;
        view.statusText =
            table.activeLogin.empty() ? std::string("Ожидание") : "Ходит: " + table.activeLogin;
        view.clocks = Clocks();
        // A client that shows the table is there: the user's own seat is never away.
        view.seat1 = SeatLabelOf(table.seat1);
        view.seat2 = SeatLabelOf(table.seat2);
        if (OwnSeat() == Side::Bottom) view.seat1.away = false;
        if (OwnSeat() == Side::Top) view.seat2.away = false;
        view.loginLabel1 = SeatLabelText(view.seat1);
        view.loginLabel2 = SeatLabelText(view.seat2);
        view.watching = loadedHere_ && !OwnSeat();
        view.rematchVisible = CanAskRematch();
        const std::optional<Side> own = OwnSeat();
        view.rematchAsked = rematchAsked_ || (own && table.seat(*own).rematch);
    }
    view.tableLabel = "Стол №" + std::to_string(tableId_);
    if (state_.Over()) {
        view.resultVisible = true;
        view.resultText = ResultText(table);
    }
    if (loaded_) {
        view.loginColour1 = ReadyColour(table.seat1.ready);
        view.loginColour2 = ReadyColour(table.seat2.ready);
    }
    view.readyVisible = readyVisible_;
    view.leaveVisible = CanLeave();
    return view;
}

PlayableRows OnlineTable::Rows() const {
    if (!IsOpen()) {
        return {true, false};
    }
    return {OwnsSeat(state_.Table.seat1.login), OwnsSeat(state_.Table.seat2.login)};
}

bool OnlineTable::AcceptsClick(int pit) const {
    const net::TableReply& table = state_.Table;
    const std::string& own = session_.OwnLogin;
    if (own.empty() || own != table.activeLogin) {
        return false;
    }
    const bool bottomPit = pit >= 1 && pit <= 6;
    const bool topPit = pit >= 8 && pit <= 13;
    return (bottomPit && table.activeLogin == table.seat1.login) ||
           (topPit && table.activeLogin == table.seat2.login);
}

PollAction OnlineTable::OnPollTimer(bool busy) const {
    if (!IsOpen() || busy) {
        return PollAction::Nothing;
    }
    if (state_.Table.activeLogin.empty()) {
        return PollAction::Reload;
    }
    if (state_.Table.activeLogin != session_.OwnLogin) {
        return PollAction::AskNextRecord;
    }
    return PollAction::Nothing;
}

Request OnlineTable::NextRecordRequest() const {
    return net::NextRecordRequest(state_.LastRecord, SideToMove() == Side::Top, tableId_);
}

NextRecordOutcome OnlineTable::ApplyNextRecord(const Reply* reply) {
    if (reply == nullptr) {
        return NextRecordOutcome::NoNewRecord;
    }
    const RecordReply next = DecodeRecordReply(*reply);
    if (!next.ind || *next.ind == state_.LastRecord) {
        return NextRecordOutcome::NoNewRecord;
    }
    state_.LastRecord = *next.ind;
    if (!next.move || !Position::isValidIndex(*next.move)) {
        return NextRecordOutcome::ReloadOnly;
    }
    state_.OpponentMove = *next.move;
    return NextRecordOutcome::Replay;
}

std::optional<Side> OnlineTable::RunningClock() const {
    const net::TableReply& table = state_.Table;
    const bool running = IsOpen() && table.seat1.ready && table.seat2.ready && !state_.Over() &&
                         !table.activeLogin.empty();
    if (!running) return std::nullopt;
    if (table.activeLogin == table.seat1.login) return Side::Bottom;
    if (table.activeLogin == table.seat2.login) return Side::Top;
    return std::nullopt;
}

std::optional<std::int64_t> OnlineTable::RemainingMs(Side seat) const {
    const std::optional<int> seconds = state_.Table.seat(seat).seconds;
    if (!seconds) return std::nullopt;
    std::int64_t ms = std::int64_t{*seconds} * 1000;
    // A clock that stands, or one the server says is at zero (out, or within its grace), is
    // as it came.
    if (RunningClock() != seat || ms <= 0) return ms;
    // The server gives the whole seconds left: the running clock stood anywhere within the
    // next second, so it is taken from the middle of it.
    return ms + 500 - std::max<std::int64_t>(0, (clock_() - stateArrived_).count());
}

ClockTexts OnlineTable::Clocks() const {
    return SetClocks(RemainingMs(Side::Bottom), RemainingMs(Side::Top));
}

std::optional<std::chrono::milliseconds> OnlineTable::UntilNextSecond() const {
    const std::optional<Side> running = RunningClock();
    if (!running) return std::nullopt;
    const std::optional<std::int64_t> left = RemainingMs(*running);
    if (!left || *left <= 0) return std::nullopt;
    // Just past the moment the shown second changes.
    return std::chrono::milliseconds(*left % 1000 + 1);
}

bool OnlineTable::ClockRunOut() const {
    const std::optional<Side> running = RunningClock();
    if (!running) return false;
    const std::optional<std::int64_t> left = RemainingMs(*running);
    return left && *left <= 0;
}

ClockTick OnlineTable::OnClockTimer() const {
    if (!IsOpen() || !state_.Table.seat1.ready || !state_.Table.seat2.ready) {
        return {};
    }
    return {true, ClockRunOut()};
}

Request OnlineTable::SendMoveRequest(int pit) const {
    return MoveRequest(session_, tableId_, pit);
}

Request OnlineTable::LeaveRequest() const {
    return net::LeaveRequest(session_, tableId_);
}

bool OnlineTable::CanLeave() const {
    const net::TableReply& table = state_.Table;
    const bool seated = OwnSeat().has_value();
    const bool started = table.seat1.ready && table.seat2.ready;
    return IsOpen() && loaded_ && seated && !started && table.activeLogin.empty() && !state_.Over();
}

std::optional<Side> OnlineTable::OwnSeat() const {
    if (OwnsSeat(state_.Table.seat1.login)) return Side::Bottom;
    if (OwnsSeat(state_.Table.seat2.login)) return Side::Top;
    return std::nullopt;
}

bool OnlineTable::CanAskRematch() const {
    return rematchSupported_ && IsOpen() && loadedHere_ && OwnSeat() && GameOver() &&
           !state_.Table.seat1.login.empty() && !state_.Table.seat2.login.empty();
}

Request OnlineTable::RematchRequest() const {
    return net::RematchRequest(session_, tableId_);
}

Request OnlineTable::AliveRequest() const {
    return net::AliveRequest(session_, tableId_);
}

Request OnlineTable::ResignRequest() const {
    return net::ResignRequest(session_, tableId_);
}

Request OnlineTable::OfferDrawRequest() const {
    return net::OfferDrawRequest(session_, tableId_);
}

Request OnlineTable::ReadyRequest() const {
    return net::ReadyRequest(session_, tableId_);
}

}  // namespace pimra::online
