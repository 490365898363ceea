#include "online/TableController.h"

#include <algorithm>
#include <utility>

#include "net/ChatText.h"
#include "net/Decimal.h"
#include "net/Reply.h"
#include "net/Requests.h"
#include "online/GameResult.h"

namespace pimra::online {

namespace {

// The reply of a successful exchange, or null.
const net::PostResult* successful(const Answer& answer) {
    const auto& result = answer.result;
    return result && result->ok && result->reply ? &*result : nullptr;
}

bool replied(const Answer& answer) {
    return answer.result && answer.result->reply;
}

bool refusedAs(const Answer& answer, const char* response) {
    return replied(answer) && !answer.result->ok &&
           net::FieldText(*answer.result->reply, "response") == response;
}

// The result message is the table's, shown once the server says the game is over.
MoveResult withoutResultStep(MoveResult move) {
    std::erase_if(move.steps, [](const MoveStep& step) { return step.kind == StepKind::Result; });
    return move;
}

}  // namespace

Effects TableController::open(int tableId) {
    stop();
    resultShown_ = false;
    table_.Open(tableId);
    endings_.Open();
    chat_.open();
    Effects effects = reload(true);
    effects.chatCleared = true;
    return effects;
}

void TableController::leave() {
    stop();
    table_.Leave();
}

void TableController::stop() {
    pending_.reset();
    keptClick_.reset();
    animating_ = false;
    catchingUp_ = false;
    ownRecordExpected_ = false;
    aliveDue_ = false;
    keptLine_.reset();
    lineSent_ = false;
}

Effects TableController::request(RequestKind kind, net::Request request, bool userAsked, int pit,
                                 bool catchUp) {
    Effects effects;
    pending_ = Pending{kind, table_.TableId(), pit, userAsked, catchUp};
    effects.send = Outgoing{kind, std::move(request), failures_ > 0};
    return effects;
}

Effects TableController::reload(bool userAsked, bool catchUp) {
    catchingUp_ = false;
    const std::optional<net::Request> gettable = table_.ReloadRequest();
    if (!gettable) return {};
    return request(RequestKind::Reload, *gettable, userAsked, 0, catchUp);
}

Effects TableController::askNextRecord(bool catchingUp) {
    catchingUp_ = catchingUp;
    return request(RequestKind::NextRecord, table_.NextRecordRequest(), false);
}

Effects TableController::click(int pit) {
    if (!isOpen() || table_.GameOver()) return {};
    if (busy()) {
        // The table's own work ends soon; the user's move must not vanish meanwhile. A click
        // during the user's own move is no second move, though.
        if (!pending_ || pending_->kind == RequestKind::Move || animating_) return {};
        const PlayableRows rows = table_.Rows();
        const bool ownRow =
            (pit >= 1 && pit <= 6 && rows.bottom) || (pit >= 8 && pit <= 13 && rows.top);
        if (ownRow) keptClick_ = pit;
        return {};
    }
    if (!idle() || !table_.AcceptsClick(pit)) return {};
    keptClick_.reset();
    return request(RequestKind::Move, table_.SendMoveRequest(pit), true, pit);
}

Effects TableController::playKeptClick(Effects effects) {
    if (!keptClick_ || busy() || effects.send || effects.animate || effects.backToLocalGame) {
        return effects;
    }
    const int pit = *keptClick_;
    keptClick_.reset();
    if (!isOpen() || table_.GameOver() || !table_.AcceptsClick(pit)) return effects;
    Effects move = request(RequestKind::Move, table_.SendMoveRequest(pit), true, pit);
    effects.send = std::move(move.send);
    return effects;
}

Effects TableController::pollTick() {
    if (!isOpen()) return {};
    if (failures_ > 0 && polls()) return retryTick();
    if (!polls()) {
        // A finished game with nothing more to come of it, whoever is at the table.
        Effects effects;
        effects.stopTimers = true;
        return effects;
    }
    if (!idle()) return {};
    Effects effects;
    // A server that takes resignations and draw offers may change the table on either
    // player's turn: it is asked for the whole table, whose new records are replayed first.
    // So is a finished game, whose board stays while a rematch may still come of it.
    const bool wholeTable = table_.GameOver() || endings_.ServerTakesOffers();
    const PollAction action = wholeTable ? PollAction::Reload : table_.OnPollTimer(false);
    switch (action) {
        case PollAction::Nothing:
            break;
        case PollAction::Reload:
            effects = reload(false);
            break;
        case PollAction::AskNextRecord:
            effects = askNextRecord(false);
            break;
    }
    effects.showClocks = true;
    return sendKeptLine(std::move(effects));
}

Effects TableController::clockTick() {
    if (!isOpen() || table_.GameOver()) return {};
    const ClockTick tick = table_.OnClockTimer();
    Effects effects;
    effects.showClocks = tick.setClocks;
    effects.pauseThenReload = tick.pauseThenReload;
    effects.nextClockTick = table_.UntilNextSecond();
    return effects;
}

std::chrono::milliseconds TableController::retryDelay() const {
    std::chrono::milliseconds delay = kFirstRetry;
    for (int failure = 1; failure < failures_ && delay < kLongestRetry; ++failure) delay *= 2;
    return std::min(delay, kLongestRetry);
}

Effects TableController::retryTick() {
    if (!isOpen() || failures_ == 0) return {};
    Effects effects;
    if (!idle()) {
        effects.retryAfter = retryDelay();
        return effects;
    }
    // Whatever failed, the whole table is asked for: it tells all that happened meanwhile.
    effects = reload(false);
    effects.showClocks = true;
    return effects;
}

Effects TableController::pauseOver() {
    if (!isOpen() || table_.GameOver()) return {};
    if (!idle()) {
        // A move or an exchange runs: try again after another pause.
        Effects effects;
        effects.pauseThenReload = true;
        return effects;
    }
    return reload(false);
}

Effects TableController::refresh() {
    if (!idle()) return {};
    return reload(true);
}

Effects TableController::ready() {
    if (!isOpen() || !idle()) return {};
    return request(RequestKind::Ready, table_.ReadyRequest(), true);
}

Effects TableController::leaveTable() {
    if (!table_.CanLeave() || !idle()) return {};
    return request(RequestKind::Leave, table_.LeaveRequest(), true);
}

Effects TableController::rematch() {
    if (!table_.CanAskRematch() || !idle()) return {};
    return request(RequestKind::Rematch, table_.RematchRequest(), true);
}

Effects TableController::aliveTick() {
    if (!isOpen()) {
        Effects effects;
        effects.stopAlive = true;
        return effects;
    }
    const bool following = isOpen() && table_.OwnSeat() && polls();
    if (!aliveSupported_ || !following) return {};
    if (!idle()) {
        // Put off, not dropped: missing a few would show the user as away.
        aliveDue_ = true;
        return {};
    }
    aliveDue_ = false;
    return request(RequestKind::Alive, table_.AliveRequest(), false);
}

Effects TableController::sendDueAlive(Effects effects) {
    if (!aliveDue_ || effects.send || effects.animate || effects.backToLocalGame || !idle()) {
        return effects;
    }
    Effects alive = aliveTick();
    effects.send = std::move(alive.send);
    return effects;
}

Effects TableController::resign() {
    if (!endings_.CanResign() || !idle()) return {};
    return request(RequestKind::Resign, table_.ResignRequest(), true);
}

Effects TableController::offerDraw() {
    if (!endings_.CanOfferDraw() || !idle()) return {};
    endings_.DrawAsked();
    Effects effects = request(RequestKind::OfferDraw, table_.OfferDrawRequest(), true);
    effects.showTable = true;
    return effects;
}

Effects TableController::watchRematch() {
    const std::optional<int> next = endings_.RematchToWatch();
    if (!next || !idle()) return {};
    return moveTo(*next);
}

Effects TableController::say(const std::string& text) {
    if (!isOpen() || !canSay() || keptLine_ || lineSent_) return {};
    const auto cleaned = net::CleanChatText(text);
    if (std::get_if<net::ChatTextProblem>(&cleaned) == nullptr ||
        std::get<net::ChatTextProblem>(cleaned) != net::ChatTextProblem::Empty) {
        keptLine_ = text;
    }
    return sendKeptLine({});
}

Effects TableController::sendKeptLine(Effects effects) {
    if (!keptLine_ || effects.send || effects.animate || effects.backToLocalGame || !idle()) {
        return effects;
    }
    Effects line =
        request(RequestKind::Say, net::SayRequest(session_, table_.TableId(), *keptLine_), true);
    keptLine_.reset();
    lineSent_ = true;
    effects.send = std::move(line.send);
    return effects;
}

void TableController::showChat(const net::Reply& reply, Effects& effects) {
    effects.chatLines = chat_.take(reply);
    effects.chatShown = chat_.shown();
}

Effects TableController::answered(const Answer& answer) {
    if (!pending_) return {};
    const Pending pending = *pending_;
    pending_.reset();
    // A line not taken stays in the entry line, to be said again.
    if (pending.kind == RequestKind::Say) lineSent_ = false;
    // The user left the table, or opened another one, while the exchange ran.
    if (pending.tableId != table_.TableId() || !isOpen()) return {};
    if (!answer.result) return {};  // not made: the window is closing

    if (!replied(answer)) {
        ++failures_;
        Effects effects = dispatch(pending, answer);
        effects.retryAfter = retryDelay();
        keptClick_.reset();
        return effects;
    }
    const bool recovered = failures_ > 0;
    failures_ = 0;
    Effects effects = dispatch(pending, answer);
    if (recovered) {
        // Back after an outage: the table is taken anew, whatever this exchange was.
        if (!effects.send && !effects.animate && !effects.backToLocalGame &&
            pending.kind != RequestKind::Reload) {
            effects.send = reload(false).send;
        }
        if (answer.statusText.empty()) effects.message = kReconnectedText;
    }
    return sendKeptLine(sendDueAlive(playKeptClick(std::move(effects))));
}

Effects TableController::dispatch(const Pending& pending, const Answer& answer) {
    if (pending.kind == RequestKind::Move) return moveAnswered(pending, answer);
    if (pending.kind == RequestKind::Leave) return leaveAnswered(answer);
    if (pending.kind == RequestKind::Rematch) return rematchAnswered(answer);
    if (pending.kind == RequestKind::Resign || pending.kind == RequestKind::OfferDraw) {
        if (refusedAs(answer, kUnknownActionText)) return endingsUnsupported();
    }
    if (pending.kind == RequestKind::Alive) {
        // Only a server without the action changes anything: it is not asked again.
        if (refusedAs(answer, kUnknownActionText)) aliveSupported_ = false;
        return {};
    }
    Effects effects;
    switch (pending.kind) {
        case RequestKind::Reload:
            effects = tableLoaded(successful(answer), pending.catchUp);
            // Unless the reply moved the user on to another table.
            if (successful(answer) && pending.tableId == table_.TableId()) {
                showChat(*answer.result->reply, effects);
            }
            break;
        case RequestKind::Say:
            effects = reload(false);
            effects.chatSaid = successful(answer) != nullptr;
            // The pane says why a line was not taken; a line taken needs no word.
            if (effects.chatSaid) return effects;
            break;
        case RequestKind::NextRecord:
            effects = recordPolled(successful(answer));
            break;
        default:
            effects = reload(false);
            break;
    }
    // The poll keeps quiet when all went well, so that a message stays readable.
    if (pending.userAsked || !replied(answer) || !answer.result->ok) {
        effects.message = answer.statusText;
    }
    return effects;
}

Effects TableController::leaveAnswered(const Answer& answer) {
    // The opponent pressed ready first: the user stays for the game that has begun.
    if (replied(answer) && !answer.result->ok &&
        net::FieldText(*answer.result->reply, "response") == kGameStartedText) {
        Effects effects = reload(false);
        effects.message = answer.statusText;
        return effects;
    }
    // Otherwise the seat is given up here as "Новая" does, told to the server or not: a server
    // without the action, or one out of reach, keeps it only until the waiting table expires.
    Effects effects;
    effects.backToLocalGame = true;
    if (!replied(answer)) effects.message = answer.statusText;
    return effects;
}

Effects TableController::endingsUnsupported() {
    // A server without them: the buttons go, and nothing is said.
    endings_.Unsupported();
    Effects effects;
    effects.showTable = true;
    return effects;
}

Effects TableController::rematchAnswered(const Answer& answer) {
    Effects effects;
    if (refusedAs(answer, kUnknownActionText)) {
        // A server without rematches: the button goes, and nothing is said.
        table_.RematchUnsupported();
        effects.showTable = true;
        return effects;
    }
    if (const net::PostResult* result = successful(answer)) {
        const int next = net::ParseDecimal(net::FieldText(*result->reply, "tableid")).value_or(0);
        if (next > 0) return moveTo(next);
        table_.RematchAsked();
    }
    effects.showTable = true;
    effects.message = answer.statusText;
    return effects;
}

Effects TableController::moveTo(int tableId) {
    Effects effects = open(tableId);
    effects.showTable = true;
    return effects;
}

Effects TableController::tableLoaded(const net::PostResult* result, bool catchUp) {
    Effects effects;
    if (result != nullptr) {
        const TableState before = table_.State();
        const bool first = !table_.Loaded();
        game_.setPosition(table_.ApplyTableReply(*result->reply, game_.position(), catchUp));
        // The opponent's offer of a draw calls the user as a move does.
        const bool offered = endings_.TakeReply(*result->reply) && !first;
        if (table_.UnseenRecords()) {
            // Moves the table has not shown yet: one by one, then this reload once more.
            effects = askNextRecord(true);
            effects.showTable = true;
            effects.attention = offered;
            return effects;
        }
        effects.attention = offered;
        effects.showBoard = true;
        if (!first) noticeChanges(before, effects);
        const int next = table_.State().Table.nextTable.value_or(0);
        if (next > 0 && next != table_.TableId() && table_.OwnSeat()) return moveTo(next);
    }
    // The turn, the labels and the timers follow even when the table could not be loaded.
    game_.setSideToMove(table_.SideToMove());
    effects.showTable = true;
    effects.startTimers = true;
    effects.clockStands = table_.GameOver();
    effects.nextClockTick = table_.UntilNextSecond();
    // A clock at zero of a game not over yet: the server decides soon; it is asked again
    // after the run-out pause rather than after another tick.
    if (result != nullptr && table_.ClockRunOut()) effects.pauseThenReload = true;
    if (result != nullptr && table_.GameOver() && !resultShown_) {
        resultShown_ = true;
        effects.result = ResultBoxOf(table_.State(), game_.position());
        effects.resultBox = ResultBoxText(*effects.result);
        effects.attention = true;
    }
    return effects;
}

void TableController::noticeChanges(const TableState& before, Effects& effects) const {
    const TableState& now = table_.State();
    const std::optional<Side> seat = table_.OwnSeat();
    if (!seat) return;
    const net::SeatReply& was = before.Table.seat(other(*seat));
    const net::SeatReply& is = now.Table.seat(other(*seat));
    const bool opponentSat = was.login.empty() && !is.login.empty();
    const bool opponentReady = !was.ready && is.ready;
    const bool opponentRematch = !was.rematch && is.rematch;
    if (opponentSat || opponentReady || opponentRematch) effects.attention = true;
}

Effects TableController::recordPolled(const net::PostResult* result) {
    const bool chain = catchingUp_;
    catchingUp_ = false;
    Effects effects;
    switch (table_.ApplyNextRecord(result ? &*result->reply : nullptr)) {
        case NextRecordOutcome::NoNewRecord:
            // The records are all shown: the server's board now, taken as it is.
            if (chain) effects = reload(false, false);
            break;
        case NextRecordOutcome::Replay:
            if (ownRecordExpected_) {
                // The user's own move, on the board already.
                ownRecordExpected_ = false;
                effects = askNextRecord(true);
                break;
            }
            effects = play(table_.State().OpponentMove, AfterMove::NextRecords);
            effects.attention = effects.animate.has_value();
            break;
        case NextRecordOutcome::ReloadOnly:
            ownRecordExpected_ = false;
            effects = reload(false);
            break;
    }
    effects.showTable = true;
    return effects;
}

Effects TableController::moveAnswered(const Pending& pending, const Answer& answer) {
    Effects effects;
    if (!replied(answer)) {
        // Nothing reached the server: the board stays as it was, and the pane says why.
        effects.message = kMoveNotSentText + answer.statusText;
        return effects;
    }
    game_.beginTurn();
    // A move the server took is its next record; one it refused leaves no record.
    const bool taken = answer.result->ok;
    effects = play(pending.pit, taken ? AfterMove::NextRecords : AfterMove::Reload);
    ownRecordExpected_ = taken && effects.animate.has_value();
    effects.historyChanged = true;
    // A move the server refused is shown and then undone by the reload; its answer stays.
    effects.message = answer.statusText;
    return effects;
}

Effects TableController::play(int pit, AfterMove after) {
    // The moves of a finished game are still shown up to its end; clicks are refused earlier.
    const MoveResult move = game_.move(pit);
    if (!move.accepted) return reload(false);
    Effects effects;
    animating_ = true;
    afterMove_ = after;
    effects.animate = withoutResultStep(move);
    return effects;
}

Effects TableController::animationDone() {
    if (!animating_) return {};
    animating_ = false;
    if (afterMove_ == AfterMove::NextRecords) return askNextRecord(true);
    return reload(false);
}

}  // namespace pimra::online
