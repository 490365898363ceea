#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace media_gen {

// Little-endian byte writer for the file headers.
class Bytes {
  public:
    void u8(std::uint8_t v) { data_.push_back(v); }
    void u16(std::uint16_t v) {
        u8(static_cast<std::uint8_t>(v & 0xFF));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v & 0xFFFF));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void text(std::string_view s) { data_.insert(data_.end(), s.begin(), s.end()); }
    void append(const std::vector<std::uint8_t>& more) {
        data_.insert(data_.end(), more.begin(), more.end());
    }
    const std::vector<std::uint8_t>& data() const { return data_; }

  private:
    std::vector<std::uint8_t> data_;
};

}  // namespace media_gen
