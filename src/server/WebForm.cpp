#include "WebForm.h"

namespace pimra::server {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%') {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = hexDigit(text[i + 1]);
            const int low = hexDigit(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::optional<std::map<std::string, std::string, std::less<>>> decodeWebForm(
    std::string_view body) {
    std::map<std::string, std::string, std::less<>> fields;
    while (!body.empty()) {
        const std::size_t end = body.find('&');
        const std::string_view pair = body.substr(0, end);
        body = end == std::string_view::npos ? std::string_view{} : body.substr(end + 1);
        if (pair.empty()) continue;
        const std::size_t equals = pair.find('=');
        const auto name = unescape(pair.substr(0, equals));
        const auto value = unescape(equals == std::string_view::npos ? std::string_view{}
                                                                     : pair.substr(equals + 1));
        if (!name || !value) return std::nullopt;
        if (!fields.emplace(*name, *value).second) return std::nullopt;
    }
    return fields;
}

}  // namespace pimra::server
