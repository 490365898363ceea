#include "Move.h"

namespace pimra {

namespace {

constexpr const char* kResultBottomWins = "Нижний игрок выиграл !   ";
constexpr const char* kResultTopWins = "Верхний игрок выиграл !   ";
constexpr const char* kResultDraw = "Ничья !   ";

int nextIndex(int index) {
    return index == kPitCount ? 1 : index + 1;
}

bool isOwnPit(int index, Side side) {
    return !Position::isStore(index) && Position::sideOf(index) == side;
}

void addStep(MoveResult& result, StepKind kind, const Position& position, int pit = 0,
             int otherPit = 0, int store = 0, std::string text = {}) {
    result.steps.push_back(MoveStep{kind, pit, otherPit, store, std::move(text), position});
}

void sweepRow(MoveResult& result, Position& board, Side side) {
    const int store = Position::storeOf(side);
    const int first = Position::firstPitOf(side);
    for (int i = first; i < first + 6; ++i) {
        board[store] += board[i];
        board[i] = 0;
        addStep(result, StepKind::Sweep, board, i, 0, store);
    }
}

}  // namespace

std::string statusText(Side sideToMove) {
    return sideToMove == Side::Bottom ? "Ход нижнего игрока" : "Ход верхнего игрока";
}

std::string resultText(const Position& position) {
    const int bottom = position[kBottomStore];
    const int top = position[kTopStore];
    const char* prefix = bottom > top   ? kResultBottomWins
                         : bottom < top ? kResultTopWins
                                        : kResultDraw;
    return prefix + std::to_string(bottom) + ":" + std::to_string(top);
}

MoveResult playMove(const Position& before, Side sideToMove, int pit) {
    MoveResult result;
    result.position = before;
    result.sideToMove = sideToMove;
    if (!canPlayPit(before, pit) || Position::sideOf(pit) != sideToMove) return result;
    result.accepted = true;

    Position board = before;
    const Side mover = sideToMove;
    const int opponentStore = Position::storeOf(other(mover));

    int hand = board[pit];
    board[pit] = 0;
    addStep(result, StepKind::Lift, board, pit);

    int i = pit;
    while (hand > 0) {
        i = nextIndex(i);
        if (i == opponentStore) continue;
        ++board[i];
        --hand;
        addStep(result, StepKind::Sow, board, i);
    }
    addStep(result, StepKind::EndSowing, board, pit);
    result.lastPit = i;

    const int facing = Position::opposite(i);
    if (isOwnPit(i, mover) && board[i] == 1 && board[facing] > 0) {
        const int store = Position::storeOf(mover);
        board[store] += board[facing] + 1;
        board[i] = 0;
        board[facing] = 0;
        result.captured = true;
        addStep(result, StepKind::Capture, board, i, facing, store);
    }

    result.extraTurn = i == Position::storeOf(mover);
    const Side next = result.extraTurn ? mover : other(mover);
    addStep(result, StepKind::Status, board, 0, 0, 0, statusText(next));

    const int bottomPits = board.rowSum(Side::Bottom);
    const int topPits = board.rowSum(Side::Top);
    const bool bottomOut = bottomPits == 0 && next == Side::Bottom;
    const bool topOut = topPits == 0 && next == Side::Top;
    if (bottomOut) sweepRow(result, board, Side::Top);
    if (topOut) sweepRow(result, board, Side::Bottom);

    result.gameOver =
        bottomOut || topOut || board[kBottomStore] > kStoreLimit || board[kTopStore] > kStoreLimit;
    if (result.gameOver) addStep(result, StepKind::Result, board, 0, 0, 0, resultText(board));

    result.position = board;
    result.sideToMove = next;
    return result;
}

}  // namespace pimra
