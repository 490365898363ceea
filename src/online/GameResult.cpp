#include "online/GameResult.h"

namespace pimra::online {

namespace {

bool ClockAtZero(const net::SeatReply& seat) {
    return seat.seconds && *seat.seconds <= 0;
}

// Both rows swept, or a store past the limit: the board itself ended the game.
bool FinishedOnBoard(const Position& board) {
    const bool swept = board.rowSum(Side::Bottom) == 0 && board.rowSum(Side::Top) == 0;
    return swept || board[kBottomStore] > kStoreLimit || board[kTopStore] > kStoreLimit;
}

std::string Score(const Position& board) {
    return std::to_string(board[kBottomStore]) + ":" + std::to_string(board[kTopStore]);
}

}  // namespace

GameFinish FinishOf(const TableState& state, const Position& board) {
    const net::TableReply& table = state.Table;
    switch (table.finish) {
        case net::FinishReason::Moves:
            return GameFinish::Moves;
        case net::FinishReason::Time:
            return GameFinish::Time;
        case net::FinishReason::Resign:
            return GameFinish::Resign;
        case net::FinishReason::Agreement:
            return GameFinish::Agreement;
        case net::FinishReason::Unknown:
            return GameFinish::Unknown;
        case net::FinishReason::None:
            break;
    }
    if (FinishedOnBoard(board)) return GameFinish::Moves;
    // Only the loser's clock can have run out; a draw is never a loss on time.
    if (table.result == net::TableResult::Seat1Won && ClockAtZero(table.seat2)) {
        return GameFinish::Time;
    }
    if (table.result == net::TableResult::Seat2Won && ClockAtZero(table.seat1)) {
        return GameFinish::Time;
    }
    return GameFinish::Unknown;
}

ResultBox ResultBoxOf(const TableState& state, const Position& board) {
    ResultBox box;
    const net::TableReply& table = state.Table;
    if (table.result == net::TableResult::Seat1Won) box.winner = table.seat1.login;
    if (table.result == net::TableResult::Seat2Won) box.winner = table.seat2.login;
    const GameFinish finish = FinishOf(state, board);
    box.onTime = !box.winner.empty() && finish == GameFinish::Time;
    if (finish == GameFinish::Resign && table.result == net::TableResult::Seat1Won) {
        box.resigned = table.seat2.login;
    }
    if (finish == GameFinish::Resign && table.result == net::TableResult::Seat2Won) {
        box.resigned = table.seat1.login;
    }
    box.agreed = box.winner.empty() && finish == GameFinish::Agreement;
    box.score = Score(board);
    return box;
}

std::string ResultBoxText(const ResultBox& box) {
    if (box.winner.empty()) return (box.agreed ? kAgreedDrawBoxText : kDrawText) + box.score;
    std::string text = kWinnerText + box.winner + (box.onTime ? kOnTimeText : "");
    if (!box.resigned.empty()) text += kResignedSeparator + (kResignedBoxText + box.resigned);
    return text + kResultMark + box.score;
}

std::string ResultBoxText(const TableState& state, const Position& board) {
    return ResultBoxText(ResultBoxOf(state, board));
}

}  // namespace pimra::online
