#include "net/PercentDecoding.h"

namespace pimra::net {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<std::string> PercentDecode(std::string_view text, PlusSign plus) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+' && plus == PlusSign::Blank) {
            bytes += ' ';
        } else if (c == '%') {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = HexDigit(text[i + 1]);
            const int low = HexDigit(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            bytes += c;
        }
    }
    return bytes;
}

std::vector<std::string_view> FormPieces(std::string_view body) {
    std::vector<std::string_view> pieces;
    while (!body.empty()) {
        const std::size_t end = body.find('&');
        const std::string_view piece = body.substr(0, end);
        body = end == std::string_view::npos ? std::string_view{} : body.substr(end + 1);
        if (!piece.empty()) pieces.push_back(piece);
    }
    return pieces;
}

}  // namespace pimra::net
