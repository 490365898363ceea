#include "online/TableController.h"

#include <utility>

#include "net/Reply.h"
#include "net/Requests.h"

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

}  // namespace

Effects TableController::open(int tableId) {
    pending_.reset();
    animating_ = false;
    table_.Open(tableId);
    return reload(true);
}

void TableController::leave() {
    pending_.reset();
    animating_ = false;
    table_.Leave();
}

void TableController::stop() {
    pending_.reset();
    animating_ = false;
}

Effects TableController::request(RequestKind kind, net::Request request, bool userAsked, int pit) {
    Effects effects;
    pending_ = Pending{kind, table_.TableId(), pit, userAsked};
    effects.send = Outgoing{kind, std::move(request)};
    return effects;
}

Effects TableController::reload(bool userAsked) {
    const std::optional<net::Request> gettable = table_.ReloadRequest();
    if (!gettable) return {};
    return request(RequestKind::Reload, *gettable, userAsked);
}

Effects TableController::click(int pit, bool otherWork) {
    if (!isOpen() || !idle(otherWork) || table_.GameOver() || !table_.AcceptsClick(pit)) return {};
    return request(RequestKind::Move, table_.SendMoveRequest(pit), true, pit);
}

Effects TableController::pollTick(bool otherWork) {
    if (!isOpen()) return {};
    if (table_.PollingEnds()) {
        // A finished game: nothing more to ask, whoever is at the table.
        Effects effects;
        effects.stopTimers = true;
        return effects;
    }
    if (!idle(otherWork)) return {};
    Effects effects;
    switch (table_.OnPollTimer(false)) {
        case PollAction::Nothing:
            break;
        case PollAction::Reload:
            effects = reload(false);
            break;
        case PollAction::AskNextRecord:
            effects = request(RequestKind::NextRecord, table_.NextRecordRequest(), false);
            break;
    }
    effects.showClocks = true;
    return effects;
}

Effects TableController::clockTick(bool otherWork) {
    if (!isOpen() || table_.PollingEnds()) return {};
    const ClockTick tick = table_.OnClockTimer(!idle(otherWork));
    Effects effects;
    effects.showClocks = tick.setClocks;
    effects.pauseThenReload = tick.pauseThenReload;
    return effects;
}

Effects TableController::pauseOver(bool otherWork) {
    if (!isOpen() || table_.PollingEnds()) return {};
    if (!idle(otherWork)) {
        // A move or an exchange runs: try again after another pause.
        Effects effects;
        effects.pauseThenReload = true;
        return effects;
    }
    return reload(false);
}

Effects TableController::refresh(bool otherWork) {
    if (!idle(otherWork)) return {};
    return reload(true);
}

Effects TableController::ready(bool otherWork) {
    if (!isOpen() || !idle(otherWork)) return {};
    return request(RequestKind::Ready, table_.ReadyRequest(), true);
}

Effects TableController::leaveTable(bool otherWork) {
    if (!table_.CanLeave() || !idle(otherWork)) return {};
    return request(RequestKind::Leave, table_.LeaveRequest(), true);
}

Effects TableController::answered(const Answer& answer) {
    if (!pending_) return {};
    const Pending pending = *pending_;
    pending_.reset();
    // The user left the table, or opened another one, while the exchange ran.
    if (pending.tableId != table_.TableId() || !isOpen()) return {};
    if (!answer.result) return {};  // not made: the window is closing

    if (pending.kind == RequestKind::Move) return moveAnswered(pending, answer);
    if (pending.kind == RequestKind::Leave) return leaveAnswered(answer);
    Effects effects;
    switch (pending.kind) {
        case RequestKind::Reload:
            effects = tableLoaded(successful(answer));
            break;
        case RequestKind::NextRecord:
            effects = recordPolled(successful(answer));
            break;
        case RequestKind::Ready:
        case RequestKind::Move:
        case RequestKind::Leave:
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

Effects TableController::tableLoaded(const net::PostResult* result) {
    Effects effects;
    if (result != nullptr) {
        game_.setPosition(table_.ApplyTableReply(*result->reply, game_.position()));
        effects.showBoard = true;
    }
    // The turn, the labels and the timers follow even when the table could not be loaded.
    game_.setSideToMove(table_.SideToMove());
    effects.showTable = true;
    effects.startTimers = true;
    return effects;
}

Effects TableController::recordPolled(const net::PostResult* result) {
    Effects effects;
    switch (table_.ApplyNextRecord(result ? &*result->reply : nullptr)) {
        case NextRecordOutcome::NoNewRecord:
            break;
        case NextRecordOutcome::Replay:
            effects = play(table_.State().OpponentMove);
            break;
        case NextRecordOutcome::ReloadOnly:
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
    effects = play(pending.pit);
    effects.historyChanged = true;
    // A move the server refused is shown and then undone by the reload; its answer stays.
    effects.message = answer.statusText;
    return effects;
}

Effects TableController::play(int pit) {
    // A finished table takes no move, not even a replayed one.
    const MoveResult move = table_.GameOver() ? MoveResult{} : game_.move(pit);
    if (!move.accepted) return reload(false);
    Effects effects;
    animating_ = true;
    effects.animate = move;
    return effects;
}

Effects TableController::animationDone() {
    if (!animating_) return {};
    animating_ = false;
    return reload(false);
}

}  // namespace pimra::online
