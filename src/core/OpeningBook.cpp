#include "OpeningBook.h"

#include <algorithm>
#include <array>
#include <boost/crc.hpp>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <system_error>

namespace pimra {

namespace {

constexpr std::string_view kHeader = "pimra-book 1\n";
constexpr std::uintmax_t kLargestFile = 16u << 20;
constexpr int kMaxCount = 255;
constexpr int kMaxDepth = 200;
constexpr std::size_t kFields = kPitCount + 4;  // counts, pit, value, depth, exact

std::uint32_t crcOf(std::string_view text) {
    boost::crc_32_type crc;
    crc.process_bytes(text.data(), text.size());
    return crc.checksum();
}

bool before(const BookEntry& a, const BookEntry& b) {
    for (int i = 1; i <= kPitCount; ++i) {
        if (a.position[i] != b.position[i]) return a.position[i] < b.position[i];
    }
    return false;
}

// The rules treat both rows alike: the entry seen from the other row (pit i and i+7 swap).
BookEntry mirrored(const BookEntry& e) {
    BookEntry m = e;
    for (int i = 1; i <= 7; ++i) {
        m.position[i] = e.position[i + 7];
        m.position[i + 7] = e.position[i];
    }
    m.sideToMove = other(e.sideToMove);
    m.pit = e.pit > 7 ? e.pit - 7 : e.pit + 7;
    return m;
}

bool isLegal(const BookEntry& e) {
    for (int i = 1; i <= kPitCount; ++i) {
        if (e.position[i] < 0 || e.position[i] > kMaxCount) return false;
    }
    const int first = Position::firstPitOf(e.sideToMove);
    return e.pit >= first && e.pit < first + 6 && e.position[e.pit] > 0 && e.depth >= 1 &&
           e.depth <= kMaxDepth && std::abs(e.value) <= e.position.total();
}

std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    while (!line.empty() && fields.size() <= kFields) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string_view::npos) break;
        line.remove_prefix(start);
        const std::size_t end = std::min(line.find(' '), line.size());
        fields.push_back(line.substr(0, end));
        line.remove_prefix(end);
    }
    return fields;
}

std::optional<int> wholeNumber(std::string_view text, int base = 10) {
    int value = 0;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, value, base);
    if (ec != std::errc() || end != last || text.empty()) return std::nullopt;
    return value;
}

std::optional<BookEntry> entryOf(std::string_view line) {
    const std::vector<std::string_view> fields = fieldsOf(line);
    if (fields.size() != kFields) return std::nullopt;
    std::array<int, kFields> n{};
    for (std::size_t k = 0; k < kFields; ++k) {
        const std::optional<int> number = wholeNumber(fields[k]);
        if (!number) return std::nullopt;
        n[k] = *number;
    }
    BookEntry e;
    for (int i = 1; i <= kPitCount; ++i) e.position[i] = n[static_cast<std::size_t>(i - 1)];
    if (n[kPitCount + 3] != 0 && n[kPitCount + 3] != 1) return std::nullopt;
    e.pit = n[kPitCount];
    e.value = n[kPitCount + 1];
    e.depth = n[kPitCount + 2];
    e.exact = n[kPitCount + 3] == 1;
    if (!isLegal(e)) return std::nullopt;
    return e;
}

std::string lineOf(const BookEntry& e) {
    std::string line;
    for (int i = 1; i <= kPitCount; ++i) line += std::to_string(e.position[i]) + ' ';
    line += std::to_string(e.pit) + ' ' + std::to_string(e.value) + ' ' + std::to_string(e.depth) +
            ' ' + (e.exact ? "1" : "0") + '\n';
    return line;
}

std::string closingLine(std::size_t count, std::uint32_t crc) {
    char line[48];
    std::snprintf(line, sizeof line, "end %zu %08x\n", count, crc);
    return line;
}

}  // namespace

OpeningBook::Parsed OpeningBook::parse(std::string_view text) {
    Parsed parsed;
    if (!text.starts_with(kHeader)) {
        parsed.error = "not an opening book of this version";
        return parsed;
    }
    if (!text.ends_with('\n')) {
        parsed.error = "cut short";
        return parsed;
    }
    const std::size_t endLine = text.rfind("\nend ", text.size() - 1);
    if (endLine == std::string_view::npos || endLine + 1 < kHeader.size()) {
        parsed.error = "no closing line";
        return parsed;
    }
    const std::string_view body = text.substr(0, endLine + 1);
    OpeningBook book;
    std::string_view rest = body.substr(kHeader.size());
    int line = 2;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::optional<BookEntry> entry = entryOf(rest.substr(0, end));
        if (!entry) {
            parsed.error = "line " + std::to_string(line) + " is no legal entry";
            return parsed;
        }
        if (!book.entries_.empty() && !before(book.entries_.back(), *entry)) {
            parsed.error = "line " + std::to_string(line) + " is out of order";
            return parsed;
        }
        book.entries_.push_back(*entry);
        rest.remove_prefix(end + 1);
        ++line;
    }
    // The closing line exactly as text() writes it: no other spelling of the same numbers.
    if (text.substr(endLine + 1) != closingLine(book.entries_.size(), crcOf(body))) {
        parsed.error = "checksum or count does not match";
        return parsed;
    }
    parsed.book = std::move(book);
    return parsed;
}

OpeningBook::Loaded OpeningBook::load(const std::filesystem::path& file) {
    Loaded loaded;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kLargestFile) {
        loaded.error = error ? error.message() : "too large for a book";
        return loaded;
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) {
        loaded.error = "cannot be read";
        return loaded;
    }
    Parsed parsed = parse(text.str());
    loaded.book = std::move(parsed.book);
    loaded.error = std::move(parsed.error);
    return loaded;
}

std::string OpeningBook::text() const {
    std::string text(kHeader);
    for (const BookEntry& e : entries_) text += lineOf(e);
    return text + closingLine(entries_.size(), crcOf(text));
}

std::optional<std::string> OpeningBook::save(const std::filesystem::path& file) const {
    std::filesystem::path part = file;
    part += ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << text();
        out.flush();
        if (!out) return "cannot write " + part.string();
    }
    std::error_code error;
    std::filesystem::rename(part, file, error);
    if (error) return "cannot rename " + part.string() + ": " + error.message();
    return std::nullopt;
}

bool OpeningBook::add(const BookEntry& given) {
    if (!isLegal(given)) return false;
    const BookEntry entry = given.sideToMove == Side::Bottom ? given : mirrored(given);
    const auto at = std::lower_bound(entries_.begin(), entries_.end(), entry, before);
    if (at != entries_.end() && !before(entry, *at)) {
        *at = entry;
    } else {
        entries_.insert(at, entry);
    }
    return true;
}

std::optional<BookEntry> OpeningBook::find(const Position& position, Side sideToMove) const {
    BookEntry key;
    key.position = position;
    key.sideToMove = sideToMove;
    if (sideToMove == Side::Top) key = mirrored(key);
    const auto at = std::lower_bound(entries_.begin(), entries_.end(), key, before);
    if (at == entries_.end() || before(key, *at)) return std::nullopt;
    return sideToMove == Side::Top ? mirrored(*at) : *at;
}

std::vector<std::filesystem::path> openingBookPlaces() {
    std::vector<std::filesystem::path> places;
    if (const char* file = std::getenv("PIMRA_BOOK"); file != nullptr && *file != '\0') {
        places.emplace_back(file);
        return places;
    }
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        places.push_back(program.parent_path().parent_path() / "share" / "pimra" /
                         OpeningBook::kFileName);
    }
#ifdef PIMRA_SOURCE_DATA_DIR
    places.push_back(std::filesystem::path(PIMRA_SOURCE_DATA_DIR) / OpeningBook::kFileName);
#endif
    return places;
}

std::shared_ptr<const OpeningBook> sharedOpeningBook() {
    static std::once_flag once;
    static std::shared_ptr<const OpeningBook> book;
    std::call_once(once, [] {
        for (const std::filesystem::path& place : openingBookPlaces()) {
            std::error_code error;
            if (!std::filesystem::exists(place, error)) continue;
            OpeningBook::Loaded loaded = OpeningBook::load(place);
            if (loaded.book) book = std::make_shared<const OpeningBook>(std::move(*loaded.book));
            // A damaged book is not replaced by one found further on: it is reported once.
            if (!loaded.book) {
                std::fprintf(stderr, "pimra: opening book %s not used: %s\n",
                             place.string().c_str(), loaded.error.c_str());
            }
            return;
        }
    });
    return book;
}

}  // namespace pimra
