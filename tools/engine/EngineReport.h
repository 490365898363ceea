#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/MasterSearch.h"
#include "core/OpeningBook.h"
#include "core/Position.h"

namespace pimra::engine {

// Reads 14 whole numbers 0..255 (board pits 1..14) separated by blanks. On failure returns
// nothing and puts the reason into `error`.
std::optional<Position> parsePosition(std::string_view text, std::string& error);

// The four report lines for a position: the top row's choice at the normal, hard and very
// hard levels (board index 8..13, with each candidate's score for the last two) and the
// bottom row's hint (board index 1..6); "-" where there is no move or no score.
std::string analyse(const Position& position);

// "master P value V depth D", with " exact" when the value is proven: the master search's
// move for the top row (board index, "-" without a move) and the final store 14 minus store
// 7 that it expects.
std::string masterLine(const SearchResult& result);
// The same line for the top row's search in a position.
std::string masterReport(const Position& position, MasterSearch& search,
                         const SearchLimits& limits);
// One line "move P value V depth D[ exact]" for every playable top pit.
std::string analysisReport(const Position& position, MasterSearch& search,
                           const SearchLimits& limits);

// "solve P value V exact" for the top row, the master's proof of the position's value and a
// move that reaches it; a proof cut short by the limits gives "solve P value L..U" instead,
// the bounds it found. Both end with the positions searched.
std::string solveReport(const Position& position, MasterSearch& search, const SearchLimits& limits);
// The opening book's line for the top row: "book P value V depth D [exact]", or "book -"
// when the book has no such position or there is no book.
std::string bookReport(const Position& position, const OpeningBook* book);

}  // namespace pimra::engine
