#include "Cp1251.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace pimra::server {

namespace {

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::optional<std::string> convert(std::string_view input, const char* from, const char* to) {
    // Most requests are plain ASCII; skip iconv for them.
    if (isAscii(input)) {
        return std::string(input);
    }
    // iconv descriptors carry state, so each call opens its own.
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::vector<char> out(input.size() * 4 + 4);
    char* inPtr = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0) {
        return std::nullopt;
    }
    return std::string(out.data(), out.size() - outLeft);
}

}  // namespace

std::optional<std::string> cp1251ToUtf8(std::string_view bytes) {
    return convert(bytes, "CP1251", "UTF-8");
}

std::optional<std::string> utf8ToCp1251(std::string_view text) {
    return convert(text, "UTF-8", "CP1251");
}

std::size_t utf8Length(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace pimra::server
