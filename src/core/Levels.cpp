#include "Levels.h"

#include <cstdint>

namespace pimra {

namespace {

constexpr int kNoScore = -100;

// Plays a whole turn along a line: the first move, then the best chained move while the
// mover keeps the turn.
SearchPosition playWholeTurn(const ChainEvaluator& evaluator, const SearchPosition& from,
                             Side player, int firstPit) {
    SimulatedMove moved = SimulateMove(from, player, firstPit);
    while (moved.extra == 1) {
        const int q = evaluator.BestChainMove(moved.position, player, 0).bestPit;
        moved = SimulateMove(moved.position, player, q);
    }
    return moved.position;
}

int firstPitWithStones(const SearchPosition& p, Side side) {
    for (int pos = 1; pos <= 6; ++pos) {
        if (p.at(side, pos) != 0) return pos;
    }
    return 0;
}

std::int8_t signedByte(int value) {
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(value));
}

// Keeps the first strictly best score; falls back to the first pit with stones when every
// score wrapped to -100 or below.
void choose(ScoredChoice& choice, const SearchPosition& p, Side side) {
    int best = kNoScore;
    for (int pos = 1; pos <= 6; ++pos) {
        if (choice.scores[pos - 1] && *choice.scores[pos - 1] > best) {
            best = *choice.scores[pos - 1];
            choice.pit = pos;
        }
    }
    if (choice.pit == 0) choice.pit = firstPitWithStones(p, side);
}

}  // namespace

int Mozg(const Position& board, RandomSource& random) {
    std::array<int, 7> n{};
    bool anyStones = false;
    for (int j = 1; j <= 6; ++j) {
        n[j] = board[j + 7];
        anyStones = anyStones || n[j] > 0;
    }
    if (!anyStones) return 0;

    random.reseed();
    int r = 0;
    do {
        r = random.next(6) + 1;
    } while (n[r] <= 0);

    // Reach rule: prefer the highest pit whose stones get at least as far as the store.
    int highestReaching = 0;
    for (int j = 1; j <= 6; ++j) {
        if (n[j] > 6 - j) highestReaching = j;
    }
    if (highestReaching != 0 && !(n[r] > 6 - r)) r = highestReaching;

    bool exact = false;
    for (int j = 1; j <= 6; ++j) {
        if (n[j] == 7 - j) {
            r = j;
            exact = true;
        }
    }

    bool capture = false;
    for (int j = 1; j <= 6; ++j) {
        if (n[j] > 0 && n[j] < 7 - j && (!exact || j >= r) && board[7 + j + n[j]] == 0 &&
            board[7 - (j + n[j])] > 0) {
            r = j;
            capture = true;
        }
    }

    for (int j = 1; j <= 6; ++j) {
        if (n[j] == 13 && (!exact || j >= r || capture)) r = j;
    }
    return r + 7;
}

int Mozg2(const Position& board) {
    const SearchPosition root = SearchPosition::fromBoard(board);
    return ChainEvaluator(root).BestChainMove(root, Side::Top, 0).bestPit;
}

ScoredChoice Mozg3Scores(const Position& board) {
    const SearchPosition root = SearchPosition::fromBoard(board);
    const ChainEvaluator evaluator(root);
    ScoredChoice choice;
    for (int p = 1; p <= 6; ++p) {
        if (root.at(Side::Top, p) == 0) continue;
        const std::uint8_t own = evaluator.BestChainMove(root, Side::Top, p).value;
        const SearchPosition after = SimulateMove(root, Side::Top, p).position;
        const std::uint8_t reply = evaluator.BestChainMove(after, Side::Bottom, 0).value;
        choice.scores[p - 1] = signedByte(own - reply);
    }
    choose(choice, root, Side::Top);
    return choice;
}

int Mozg3(const Position& board) {
    return Mozg3Scores(board).pit;
}

ScoredChoice DeepLineScores(const ChainEvaluator& evaluator, Side side) {
    const SearchPosition& root = evaluator.searchBoard();
    const Side opp = other(side);
    ScoredChoice choice;
    for (int i = 1; i <= 6; ++i) {
        if (root.at(side, i) == 0) continue;
        const std::uint8_t own1 = evaluator.BestChainMove(root, side, i).value;
        SearchPosition line = playWholeTurn(evaluator, root, side, i);
        int total = own1;
        // Two more turns of each side, then the opponent's last best gain without a move.
        const Side players[] = {opp, side, opp, side, opp};
        for (int turn = 0; turn < 5; ++turn) {
            const Side player = players[turn];
            const ChainValue value = evaluator.BestChainMove(line, player, 0);
            total += player == side ? value.value : -value.value;
            if (turn < 4) line = playWholeTurn(evaluator, line, player, value.bestPit);
        }
        choice.scores[i - 1] = signedByte(total);
    }
    choose(choice, root, side);
    return choice;
}

int DeepLineMove(const ChainEvaluator& evaluator, Side side) {
    return DeepLineScores(evaluator, side).pit;
}

int Mozg4(const Position& board, Side side) {
    return DeepLineMove(ChainEvaluator(SearchPosition::fromBoard(board)), side);
}

int ChooseComputerMove(const Position& board, int level, RandomSource& random) {
    if (board.rowSum(Side::Top) == 0) return 0;
    if (level == kLevelVariable) {
        random.reseed();
        level = random.next(4) + 1;
    }
    int index = 0;
    switch (level) {
        case kLevelEasy:
            index = Mozg(board, random);
            break;
        case kLevelNormal:
            index = Mozg2(board) + 7;
            break;
        case kLevelVeryHard:
            index = Mozg4(board, Side::Top) + 7;
            break;
        default:
            index = Mozg3(board) + 7;
            break;
    }
    if (!canPlayPit(board, index)) {
        for (index = 8; index <= 13 && board[index] == 0; ++index) {
        }
    }
    return index;
}

int HintPit(const Position& board) {
    if (board.rowSum(Side::Bottom) == 0) return 0;
    const int pit = Mozg4(board, Side::Bottom);
    return canPlayPit(board, pit) ? pit : 0;
}

}  // namespace pimra
