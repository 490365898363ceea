#include "online/GameResult.h"

#include "net/Decimal.h"

namespace pimra::online {

namespace {

bool ClockAtZero(const std::string& time) {
    const std::optional<int> seconds = net::ParseDecimal(time);
    return seconds && *seconds <= 0;
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
    if (state.Finish == "moves") return GameFinish::Moves;
    if (state.Finish == "time") return GameFinish::Time;
    if (state.Finish == "resign") return GameFinish::Resign;
    if (state.Finish == "agreement") return GameFinish::Agreement;
    if (!state.Finish.empty()) return GameFinish::Unknown;
    if (FinishedOnBoard(board)) return GameFinish::Moves;
    // Only the loser's clock can have run out; a draw is never a loss on time.
    if (state.TableResult == "1" && ClockAtZero(state.Seat2Time)) return GameFinish::Time;
    if (state.TableResult == "2" && ClockAtZero(state.Seat1Time)) return GameFinish::Time;
    return GameFinish::Unknown;
}

ResultBox ResultBoxOf(const TableState& state, const Position& board) {
    ResultBox box;
    if (state.TableResult == "1") box.winner = state.Seat1Login;
    if (state.TableResult == "2") box.winner = state.Seat2Login;
    const GameFinish finish = FinishOf(state, board);
    box.onTime = !box.winner.empty() && finish == GameFinish::Time;
    if (finish == GameFinish::Resign && state.TableResult == "1") box.resigned = state.Seat2Login;
    if (finish == GameFinish::Resign && state.TableResult == "2") box.resigned = state.Seat1Login;
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
