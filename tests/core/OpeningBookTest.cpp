#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <boost/crc.hpp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "core/MasterSearch.h"
#include "core/Move.h"
#include "core/OpeningBook.h"

namespace pimra {
namespace {

// The text with its closing line: the entry count and the CRC-32 of all before it.
std::string closed(const std::string& text) {
    boost::crc_32_type crc;
    crc.process_bytes(text.data(), text.size());
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    char closing[48];
    std::snprintf(closing, sizeof closing, "end %zu %08x\n", lines - 1, crc.checksum());
    return text + closing;
}

OpeningBook::Loaded shippedBook() {
    return OpeningBook::load(std::filesystem::path(PIMRA_SHIPPED_BOOK));
}

// Plays the moves from the start; the position reached and its side to move.
std::pair<Position, Side> after(std::initializer_list<int> pits) {
    Position board = Position::start();
    Side side = Side::Bottom;
    for (const int pit : pits) {
        const MoveResult move = playMove(board, side, pit);
        board = move.position;
        side = move.sideToMove;
    }
    return {board, side};
}

TEST(OpeningBook, ShippedBookLoadsWithLegalMovesForBothRows) {
    const OpeningBook::Loaded loaded = shippedBook();
    ASSERT_TRUE(loaded.book) << loaded.error;
    const OpeningBook& book = *loaded.book;
    // Every position of the first three turns.
    ASSERT_GE(book.size(), 73u);
    for (const BookEntry& e : book.entries()) {
        EXPECT_EQ(e.position.total(), 12 * kStartStones);
        EXPECT_TRUE(playMove(e.position, Side::Bottom, e.pit).accepted);
    }
    // The start and a reply of the top row, each found from either row by mirroring.
    for (const auto& [board, side] : {after({}), after({2}), after({1, 3})}) {
        const std::optional<BookEntry> entry = book.find(board, side);
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->sideToMove, side);
        EXPECT_TRUE(playMove(board, side, entry->pit).accepted);
    }
    const auto [top, side] = after({2});
    ASSERT_EQ(side, Side::Top);
    Position mirrored;
    for (int i = 1; i <= 7; ++i) {
        mirrored[i] = top[i + 7];
        mirrored[i + 7] = top[i];
    }
    EXPECT_EQ(book.find(mirrored, Side::Bottom)->pit + 7, book.find(top, Side::Top)->pit);
    EXPECT_EQ(OpeningBook::parse(book.text()).book->entries(), book.entries());
}

TEST(OpeningBook, TheMasterPlaysTheBookMoveAndSearchesElsewhere) {
    OpeningBook book;
    // Pit 5 from the start: not what a search picks first, so the book is seen to be used.
    ASSERT_TRUE(book.add({Position::start(), Side::Bottom, 5, 3, 20, false}));
    MasterSearch search(1 << 16);
    search.setBook(std::make_shared<const OpeningBook>(book));
    SearchLimits limits;
    limits.time = std::chrono::milliseconds(0);
    limits.depth = 3;
    const SearchResult fromBook = search.search(Position::start(), Side::Bottom, limits);
    EXPECT_EQ(fromBook.pit, 5);
    EXPECT_EQ(fromBook.depth, 20);
    const SearchResult mirrored = search.search(Position::start(), Side::Top, limits);
    EXPECT_EQ(mirrored.pit, 12);
    const auto [board, side] = after({3});
    const SearchResult searched = search.search(board, side, limits);
    EXPECT_EQ(searched.depth, 3);
    EXPECT_GT(searched.nodes, 0u);
}

TEST(OpeningBook, DamagedBooksAreRefusedWhole) {
    OpeningBook book;
    ASSERT_TRUE(book.add({Position::start(), Side::Bottom, 3, 2, 18, false}));
    const auto [board, side] = after({3});
    ASSERT_TRUE(book.add({board, side, side == Side::Bottom ? 1 : 8, -4, 17, true}));
    // An illegal move is never taken in.
    EXPECT_FALSE(book.add({Position::start(), Side::Bottom, 9, 0, 10, false}));
    EXPECT_FALSE(book.add({Position::start(), Side::Bottom, 7, 0, 10, false}));
    const std::string text = book.text();
    ASSERT_TRUE(OpeningBook::parse(text).book);

    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        EXPECT_FALSE(OpeningBook::parse(text.substr(0, cut)).book) << cut;
    }
    std::mt19937 random(5);
    for (int k = 0; k < 300; ++k) {
        std::string damaged = text;
        const std::size_t at = random() % damaged.size();
        damaged[at] = static_cast<char>(damaged[at] ^ (1 + random() % 255));
        EXPECT_FALSE(OpeningBook::parse(damaged).book) << at;
    }
    // Entries that are wrong under a right checksum: out of order, twice, an empty pit or a
    // pit of the other row played, a value beyond the stones on the board.
    const std::string header = "pimra-book 1\n";
    const std::string body = text.substr(header.size(), text.rfind("end ") - header.size());
    const std::string first = body.substr(0, body.find('\n') + 1);
    const std::string second = body.substr(first.size());
    const std::string start = "6 6 6 6 6 6 0 6 6 6 6 6 6 0 ";
    for (const std::string& wrong :
         {second + first, first + first, start + "0 1 1 0\n", start + "8 1 1 0\n",
          start + "1 73 1 0\n", start + "1 1 1 2\n", start + "1 1 0 0\n", start + "1 1 1\n"}) {
        EXPECT_FALSE(OpeningBook::parse(closed(header + wrong)).book) << wrong;
    }
    EXPECT_TRUE(OpeningBook::parse(closed(header + start + "1 1 1 0\n")).book);

    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("pimra-book-test-" + std::to_string(getpid()));
    {
        std::ofstream out(file, std::ios::binary);
        out << text.substr(0, text.size() / 2);
    }
    const OpeningBook::Loaded loaded = OpeningBook::load(file);
    EXPECT_FALSE(loaded.book);
    EXPECT_FALSE(loaded.error.empty());
    ASSERT_FALSE(book.save(file));
    EXPECT_EQ(OpeningBook::load(file).book->entries(), book.entries());
    std::filesystem::remove(file);
    EXPECT_FALSE(OpeningBook::load(file).book);
}

}  // namespace
}  // namespace pimra
