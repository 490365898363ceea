#include "online/OnlineTable.h"

#include <algorithm>

#include "net/Decimal.h"
#include "net/PositionText.h"
#include "net/Requests.h"
#include "online/GameResult.h"

namespace pimra::online {

using namespace pimra::net;
namespace {

LoginColour ReadyColour(bool ready) {
    return ready ? LoginColour::Green : LoginColour::Red;
}

std::string ResultText(const TableState& state) {
    if (state.Finish == "resign" && (state.TableResult == "1" || state.TableResult == "2")) {
        return kResignedBoxText + (state.TableResult == "1" ? state.Seat2Login : state.Seat1Login);
    }
    if (state.Finish == "agreement") return kAgreedDrawText;
    if (state.TableResult == "1") {
        return "Победил: " + state.Seat1Login;
    }
    if (state.TableResult == "2") {
        return "Победил: " + state.Seat2Login;
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
    const std::string position = FieldText(reply, "position");
    state_.Seat1Login = FieldText(reply, "login1");
    state_.Seat2Login = FieldText(reply, "login2");
    state_.Seat1Time = FieldText(reply, "time1");
    state_.Seat2Time = FieldText(reply, "time2");
    stateArrived_ = clock_();
    state_.ActiveLogin = FieldText(reply, "activelogin");
    state_.Seat1Ready = FieldText(reply, "isready1") == "1";
    state_.Seat2Ready = FieldText(reply, "isready2") == "1";
    state_.TableResult = FieldText(reply, "result");
    loaded_ = true;
    // Someone not logged in owns no seat, not even a free one.
    readyVisible_ = (!state_.Seat1Ready && OwnsSeat(state_.Seat1Login)) ||
                    (!state_.Seat2Ready && OwnsSeat(state_.Seat2Login));
    state_.Finish = FieldText(reply, "finish");
    state_.Seat1Rating = FieldText(reply, "rating1");
    state_.Seat2Rating = FieldText(reply, "rating2");
    state_.Seat1Away = FieldText(reply, "away1") == "1";
    state_.Seat2Away = FieldText(reply, "away2") == "1";
    state_.Seat1Rematch = FieldText(reply, "rematch1") == "1";
    state_.Seat2Rematch = FieldText(reply, "rematch2") == "1";
    state_.NextTable = ParseDecimal(FieldText(reply, "nexttable")).value_or(0);
    const std::optional<int> record = ParseDecimal(FieldText(reply, "lastrecord"));
    unseenRecords_ = catchUp && loadedHere_ && record && *record > state_.LastRecord;
    loadedHere_ = true;
    if (unseenRecords_) return board;
    if (record) state_.LastRecord = *record;
    return ApplyPosition(board, position);
}

bool OnlineTable::OwnsSeat(const std::string& seatLogin) const {
    return session_.LoggedIn() && !session_.OwnLogin.empty() && session_.OwnLogin == seatLogin;
}

Side OnlineTable::SideToMove() const {
    return state_.Seat1Login == state_.ActiveLogin ? Side::Bottom : Side::Top;
}

TableView OnlineTable::View() const {
    TableView view;
    if (IsOpen()) {
        view.windowWidth = kTableWindowWidth;
        view.panelVisible = true;
        view.statusText =
            state_.ActiveLogin.empty() ? std::string("Ожидание") : "Ходит: " + state_.ActiveLogin;
        view.clocks = Clocks();
        // A client that shows the table is there: the user's own seat is never away.
        view.seat1 = {state_.Seat1Login, state_.Seat1Rating,
                      state_.Seat1Away && OwnSeat() != Side::Bottom};
        view.seat2 = {state_.Seat2Login, state_.Seat2Rating,
                      state_.Seat2Away && OwnSeat() != Side::Top};
        view.loginLabel1 = SeatLabelText(view.seat1);
        view.loginLabel2 = SeatLabelText(view.seat2);
        view.watching = loadedHere_ && !OwnSeat();
        view.rematchVisible = CanAskRematch();
        view.rematchAsked = rematchAsked_ || (OwnSeat() == Side::Bottom && state_.Seat1Rematch) ||
                            (OwnSeat() == Side::Top && state_.Seat2Rematch);
    }
    view.tableLabel = "Стол №" + std::to_string(tableId_);
    if (state_.TableResult != "0") {
        view.resultVisible = true;
        view.resultText = ResultText(state_);
    }
    if (loaded_) {
        view.loginColour1 = ReadyColour(state_.Seat1Ready);
        view.loginColour2 = ReadyColour(state_.Seat2Ready);
    }
    view.readyVisible = readyVisible_;
    view.leaveVisible = CanLeave();
    return view;
}

PlayableRows OnlineTable::Rows() const {
    if (!IsOpen()) {
        return {true, false};
    }
    return {OwnsSeat(state_.Seat1Login), OwnsSeat(state_.Seat2Login)};
}

bool OnlineTable::AcceptsClick(int pit) const {
    const std::string& own = session_.OwnLogin;
    if (own.empty() || own != state_.ActiveLogin) {
        return false;
    }
    const bool bottomPit = pit >= 1 && pit <= 6;
    const bool topPit = pit >= 8 && pit <= 13;
    return (bottomPit && state_.ActiveLogin == state_.Seat1Login) ||
           (topPit && state_.ActiveLogin == state_.Seat2Login);
}

PollAction OnlineTable::OnPollTimer(bool busy) const {
    if (!IsOpen() || busy) {
        return PollAction::Nothing;
    }
    if (state_.ActiveLogin.empty()) {
        return PollAction::Reload;
    }
    if (state_.ActiveLogin != session_.OwnLogin) {
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
    const std::optional<int> record = ParseDecimal(FieldText(*reply, "ind"));
    if (!record || *record == state_.LastRecord) {
        return NextRecordOutcome::NoNewRecord;
    }
    state_.LastRecord = *record;
    const std::optional<int> move = ParseDecimal(FieldText(*reply, "move"));
    if (!move || !Position::isValidIndex(*move)) {
        return NextRecordOutcome::ReloadOnly;
    }
    state_.OpponentMove = *move;
    return NextRecordOutcome::Replay;
}

std::optional<Side> OnlineTable::RunningClock() const {
    const bool running = IsOpen() && state_.Seat1Ready && state_.Seat2Ready &&
                         state_.TableResult == "0" && !state_.ActiveLogin.empty();
    if (!running) return std::nullopt;
    if (state_.ActiveLogin == state_.Seat1Login) return Side::Bottom;
    if (state_.ActiveLogin == state_.Seat2Login) return Side::Top;
    return std::nullopt;
}

std::optional<std::int64_t> OnlineTable::RemainingMs(Side seat) const {
    const std::optional<int> seconds =
        ParseDecimal(seat == Side::Bottom ? state_.Seat1Time : state_.Seat2Time);
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
    if (!IsOpen() || !state_.Seat1Ready || !state_.Seat2Ready) {
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
    const bool seated = OwnsSeat(state_.Seat1Login) || OwnsSeat(state_.Seat2Login);
    const bool started = state_.Seat1Ready && state_.Seat2Ready;
    return IsOpen() && loaded_ && seated && !started && state_.ActiveLogin.empty() &&
           state_.TableResult == "0";
}

std::optional<Side> OnlineTable::OwnSeat() const {
    if (OwnsSeat(state_.Seat1Login)) return Side::Bottom;
    if (OwnsSeat(state_.Seat2Login)) return Side::Top;
    return std::nullopt;
}

bool OnlineTable::CanAskRematch() const {
    return rematchSupported_ && IsOpen() && loadedHere_ && OwnSeat() && GameOver() &&
           !state_.Seat1Login.empty() && !state_.Seat2Login.empty();
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
