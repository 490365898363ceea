#include "MasterLevel.h"

namespace pimra {

SearchResult MasterComputerMove(MasterSearch& search, const Position& board,
                                const SearchLimits& limits, std::stop_token stop) {
    SearchResult result = search.search(board, Side::Top, limits, std::move(stop));
    if (!result.searched && board.rowSum(Side::Top) > 0) {
        result.pit = Mozg4(board, Side::Top) + 7;
        if (!canPlayPit(board, result.pit)) {
            for (result.pit = 8; result.pit <= 13 && board[result.pit] == 0; ++result.pit) {
            }
        }
    }
    return result;
}

}  // namespace pimra
