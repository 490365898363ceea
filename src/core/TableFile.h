#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
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

}  // namespace pimra
