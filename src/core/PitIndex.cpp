#include "PitIndex.h"

namespace pimra {

namespace {

// Binomial coefficients C(m, k) for k up to the pits less one.
class Binomials {
  public:
    Binomials() {
        for (std::size_t m = 0; m < kRows; ++m) {
            c_[m][0] = 1;
            for (std::size_t k = 1; k <= static_cast<std::size_t>(kPitCells) && k <= m; ++k) {
                c_[m][k] = c_[m - 1][k - 1] + (k < m ? c_[m - 1][k] : 0);
            }
        }
    }
    std::uint64_t operator()(int m, int k) const {
        return c_[static_cast<std::size_t>(m)][static_cast<std::size_t>(k)];
    }

  private:
    static constexpr std::size_t kRows = kMaxRankedStones + kPitCells + 1;
    std::array<std::array<std::uint64_t, kPitCells + 1>, kRows> c_{};
};

const Binomials& binomials() {
    static const Binomials table;
    return table;
}

}  // namespace

PitCells pitCellsOf(const RulesBoard& board) {
    PitCells cells{};
    const int own = Position::firstPitOf(board.sideToMove());
    const int theirs = Position::firstPitOf(other(board.sideToMove()));
    for (int i = 0; i < 6; ++i) {
        cells[static_cast<std::size_t>(i)] = board.stones(own + i);
        cells[static_cast<std::size_t>(i + 6)] = board.stones(theirs + i);
    }
    return cells;
}

std::uint64_t fillingsWith(int n) {
    return binomials()(n + kPitCells - 1, kPitCells - 1);
}

std::uint64_t fillingsBelow(int n) {
    // The fillings of fewer than n stones into twelve pits are those of exactly n - 1 stones
    // into thirteen places.
    return n <= 0 ? 0 : binomials()(n - 1 + kPitCells, kPitCells);
}

std::uint64_t rankOf(const PitCells& cells, int n) {
    const Binomials& c = binomials();
    std::uint64_t rank = 0;
    int rest = n;
    for (int i = 0; i + 1 < kPitCells; ++i) {
        const int after = kPitCells - 1 - i;  // pits after this one
        const int here = cells[static_cast<std::size_t>(i)];
        rank += c(rest + after, after) - c(rest - here + after, after);
        rest -= here;
    }
    return rank;
}

RulesBoard boardOf(const PitCells& cells, int ownStore, int otherStore) {
    Position position;
    for (int i = 0; i < 6; ++i) {
        position[1 + i] = cells[static_cast<std::size_t>(i)];
        position[8 + i] = cells[static_cast<std::size_t>(i + 6)];
    }
    position[kBottomStore] = ownStore;
    position[kTopStore] = otherStore;
    return *RulesBoard::from(position, Side::Bottom);
}

}  // namespace pimra
