#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pimra {

// The file of a solved table: a 32-byte header (an 8-byte magic word, the format version, the
// stone count, the size and a CRC-32 of the values) and one byte per position.
struct TableFileKind {
    std::array<char, 8> magic{};
    std::uint32_t version = 0;
};

// Written beside the file and renamed, so a reader never sees half a table. Errors come back
// as text; nothing is thrown.
std::optional<std::string> saveTableFile(const std::filesystem::path& file,
                                         const TableFileKind& kind, int stones,
                                         const std::vector<std::int8_t>& values);

struct LoadedTableFile {
    std::optional<std::vector<std::int8_t>> values;
    std::string error;  // why there are no values
};

// Only a file that is whole, of this kind and version, with this stone count and size and a
// matching checksum is read; anything else is an error.
LoadedTableFile loadTableFile(const std::filesystem::path& file, const TableFileKind& kind,
                              int stones, std::size_t size);

// A table kept in the cache folder between runs.
template <typename Table>
struct CachedTable {
    std::shared_ptr<const Table> table;  // null only when the build gave none
    bool fromCache = false;
    std::string cacheError;  // why a built table could not be kept
};

// The table `load(file)` reads, or else the one `build()` makes, then written to `file` (no
// file: no cache folder). Both give a std::optional<Table>; the table's save() gives an error.
template <typename Table, typename Load, typename Build>
CachedTable<Table> loadOrBuildCached(const std::filesystem::path& file, const Load& load,
                                     const Build& build) {
    CachedTable<Table> result;
    if (!file.empty()) {
        if (std::optional<Table> loaded = load(file)) {
            result.table = std::make_shared<const Table>(std::move(*loaded));
            result.fromCache = true;
            return result;
        }
    }
    std::optional<Table> built = build();
    if (!built) return result;
    result.table = std::make_shared<const Table>(std::move(*built));
    if (file.empty()) {
        result.cacheError = "no cache folder";
    } else if (std::optional<std::string> error = result.table->save(file)) {
        result.cacheError = *error;
    }
    return result;
}

}  // namespace pimra
