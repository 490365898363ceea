#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Position.h"

namespace pimra {

// One searched position of the opening: the move to play and what the search found.
struct BookEntry {
    Position position;
    Side sideToMove = Side::Bottom;
    int pit = 0;         // board index of the move
    int value = 0;       // final store of the side to move minus the other store
    int depth = 0;       // turns searched
    bool exact = false;  // the value is proven

    bool operator==(const BookEntry&) const = default;
};

// Moves for the positions of the first turns, searched deep ahead of time (tools/book). The
// master plays a book move without searching. The rules treat both rows alike, so entries are
// kept with the bottom row to move and the top row's positions are looked up mirrored. The
// file is text: a header line, one entry a line (the fourteen counts, the pit, the value, the
// depth, 1 when exact), then a line with the entry count and a CRC-32 of everything before
// it; a file that is not exactly right is not used at all.
class OpeningBook {
  public:
    static constexpr int kVersion = 1;
    static constexpr std::string_view kFileName = "opening-book.txt";

    struct Parsed;
    static Parsed parse(std::string_view text);
    struct Loaded;
    static Loaded load(const std::filesystem::path& file);

    // The text parse() reads back.
    std::string text() const;
    // Written beside the file and renamed, so a reader never sees half a book.
    std::optional<std::string> save(const std::filesystem::path& file) const;

    // Adds or replaces the entry of its position; false for an entry that is no legal move.
    bool add(const BookEntry& entry);
    std::optional<BookEntry> find(const Position& position, Side sideToMove) const;
    // With the bottom row to move.
    const std::vector<BookEntry>& entries() const { return entries_; }
    std::size_t size() const { return entries_.size(); }

  private:
    std::vector<BookEntry> entries_;  // bottom row to move, sorted by position
};

struct OpeningBook::Parsed {
    std::optional<OpeningBook> book;
    std::string error;  // why there is none
};

struct OpeningBook::Loaded {
    std::optional<OpeningBook> book;
    std::string error;
};

// Where the program looks for the book: PIMRA_BOOK when set, else the installed data folder
// beside the program (../share/pimra), else the source tree's data folder.
std::vector<std::filesystem::path> openingBookPlaces();

// The book for the whole program, read on first use from the first place that has one; null
// when there is none or it is damaged (the master then searches every move).
std::shared_ptr<const OpeningBook> sharedOpeningBook();

}  // namespace pimra
