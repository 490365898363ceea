#include "TableFile.h"

#include <algorithm>
#include <boost/crc.hpp>
#include <fstream>

namespace pimra {

namespace {

constexpr std::size_t kHeaderSize = 32;

std::uint32_t checksumOf(const std::vector<std::int8_t>& values) {
    boost::crc_32_type crc;
    crc.process_bytes(values.data(), values.size());
    return crc.checksum();
}

void putWord(char* out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

std::uint64_t getWord(const char* in, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[i])) << (8 * i);
    }
    return value;
}

std::array<char, kHeaderSize> headerOf(const TableFileKind& kind, int stones, std::size_t size,
                                       std::uint32_t crc) {
    std::array<char, kHeaderSize> header{};
    std::copy(kind.magic.begin(), kind.magic.end(), header.begin());
    putWord(header.data() + 8, kind.version, 4);
    putWord(header.data() + 12, static_cast<std::uint64_t>(stones), 4);
    putWord(header.data() + 16, size, 8);
    putWord(header.data() + 24, crc, 4);
    return header;
}

}  // namespace

std::optional<std::string> saveTableFile(const std::filesystem::path& file,
                                         const TableFileKind& kind, int stones,
                                         const std::vector<std::int8_t>& values) {
    std::error_code error;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), error);
    if (error) return "cannot make the folder " + file.parent_path().string();
    std::filesystem::path part = file;
    part += ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        const auto header = headerOf(kind, stones, values.size(), checksumOf(values));
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        out.write(reinterpret_cast<const char*>(values.data()),
                  static_cast<std::streamsize>(values.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(part, error);
            return "cannot write " + part.string();
        }
    }
    std::filesystem::rename(part, file, error);
    if (error) {
        std::filesystem::remove(part, error);
        return "cannot rename " + part.string();
    }
    return std::nullopt;
}

LoadedTableFile loadTableFile(const std::filesystem::path& file, const TableFileKind& kind,
                              int stones, std::size_t size) {
    std::error_code error;
    const std::uintmax_t fileSize = std::filesystem::file_size(file, error);
    if (error) return {std::nullopt, "no file " + file.string()};
    if (fileSize != kHeaderSize + size) return {std::nullopt, "wrong size"};
    std::ifstream in(file, std::ios::binary);
    std::array<char, kHeaderSize> header{};
    in.read(header.data(), static_cast<std::streamsize>(header.size()));
    std::vector<std::int8_t> values(size);
    in.read(reinterpret_cast<char*>(values.data()), static_cast<std::streamsize>(size));
    if (!in) return {std::nullopt, "cannot read " + file.string()};
    if (!std::equal(kind.magic.begin(), kind.magic.end(), header.begin())) {
        return {std::nullopt, "not a table of this kind"};
    }
    if (getWord(header.data() + 8, 4) != kind.version) return {std::nullopt, "other version"};
    if (getWord(header.data() + 12, 4) != static_cast<std::uint64_t>(stones) ||
        getWord(header.data() + 16, 8) != size) {
        return {std::nullopt, "other stone count"};
    }
    if (getWord(header.data() + 24, 4) != checksumOf(values)) return {std::nullopt, "damaged"};
    return {std::move(values), {}};
}

}  // namespace pimra
