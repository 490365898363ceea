#include "SearchBoard.h"

#include <algorithm>

namespace pimra {

SearchPosition SearchPosition::fromBoard(const Position& board) {
    SearchPosition p;
    for (const Side row : {Side::Bottom, Side::Top}) {
        for (int pos = 1; pos <= 7; ++pos) {
            p.at(row, pos) = static_cast<std::uint8_t>(
                std::clamp(board[Position::firstPitOf(row) - 1 + pos], 0, 255));
        }
    }
    return p;
}

namespace {

std::uint8_t pitTotal(const SearchPosition& p, Side row) {
    std::uint8_t sum = 0;
    for (int pos = 1; pos <= 6; ++pos) sum = static_cast<std::uint8_t>(sum + p.at(row, pos));
    return sum;
}

bool rowEmpty(const SearchPosition& p, Side row) {
    for (int pos = 1; pos <= 6; ++pos) {
        if (p.at(row, pos) != 0) return false;
    }
    return true;
}

void sweepIntoStore(SearchPosition& p, Side row) {
    p.at(row, 7) = static_cast<std::uint8_t>(p.at(row, 7) + pitTotal(p, row));
    for (int pos = 1; pos <= 6; ++pos) p.at(row, pos) = 0;
}

}  // namespace

SimulatedMove SimulateMove(const SearchPosition& position, Side side, int pit) {
    SimulatedMove result{position, 0};
    SearchPosition& p = result.position;
    std::uint8_t hand = p.at(side, pit);
    p.at(side, pit) = 0;
    if (hand == 0) return result;

    Side row = side;
    int pos = pit;
    while (hand > 0) {
        ++pos;
        if (pos == 8 || (pos == 7 && row != side)) {
            row = other(row);
            pos = 1;
        }
        ++p.at(row, pos);
        --hand;
    }
    if (pos == 7) result.extra = 1;

    if (row == side && pos <= 6 && p.at(row, pos) == 1) {
        const std::uint8_t taken = p.at(other(row), 7 - pos);
        p.at(other(row), 7 - pos) = 0;
        p.at(row, pos) = 0;
        p.at(side, 7) = static_cast<std::uint8_t>(p.at(side, 7) + taken + 1);
    }

    if (rowEmpty(p, Side::Bottom)) {
        result.extra = 0;
        sweepIntoStore(p, Side::Top);
    } else if (rowEmpty(p, Side::Top)) {
        result.extra = 0;
        sweepIntoStore(p, Side::Bottom);
    }
    return result;
}

std::uint8_t ChainEvaluator::gain(const SearchPosition& position, Side side) const {
    return static_cast<std::uint8_t>(position.at(side, 7) - searchBoard_.at(side, 7));
}

ChainValue ChainEvaluator::BestChainMove(const SearchPosition& position, Side side, int pit) const {
    if (pit != 0) {
        if (position.at(side, pit) == 0) return ChainValue{255, 0};
        const SimulatedMove moved = SimulateMove(position, side, pit);
        if (moved.extra == 1) return ChainValue{BestChainMove(moved.position, side, 0).value, 0};
        return ChainValue{gain(moved.position, side), 0};
    }

    // The running best is a signed byte while candidates are read as unsigned bytes.
    std::int8_t best = -1;
    int bestPit = 0;
    for (int p = 1; p <= 6; ++p) {
        const SimulatedMove moved = SimulateMove(position, side, p);
        const std::uint8_t g = gain(moved.position, side);
        if (moved.extra == 1) {
            const std::uint8_t v = BestChainMove(moved.position, side, 0).value;
            if (int{v} > int{best}) {
                best = static_cast<std::int8_t>(v);
                bestPit = p;
            }
        }
        if (int{g} > int{best}) {
            best = static_cast<std::int8_t>(g);
            bestPit = p;
        }
    }
    return ChainValue{static_cast<std::uint8_t>(best), bestPit};
}

}  // namespace pimra
