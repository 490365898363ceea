#include "FormBody.h"

#include "net/Cp1251.h"

namespace pimra::server {

namespace {

constexpr std::size_t kMaxFields = 32;

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Strict on purpose: a lenient decoder would let a garbled request through as other text.
std::optional<std::string> percentDecode(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            bytes += ' ';
        } else if (c == '%') {
            if (i + 2 >= text.size()) {
                return std::nullopt;
            }
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            bytes += c;
        }
    }
    return net::Cp1251ToUtf8Strict(bytes);
}

}  // namespace

std::optional<FormFields> decodeFormBody(std::string_view body) {
    FormFields fields;
    while (!body.empty()) {
        const std::size_t end = body.find('&');
        const std::string_view line = body.substr(0, end);
        body = end == std::string_view::npos ? std::string_view{} : body.substr(end + 1);
        if (line.empty()) {
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0 || fields.size() == kMaxFields) {
            return std::nullopt;
        }
        auto name = percentDecode(line.substr(0, eq));
        auto value = percentDecode(line.substr(eq + 1));
        if (!name || !value || name->empty() || fields.count(*name) != 0) {
            return std::nullopt;
        }
        fields.emplace(std::move(*name), std::move(*value));
    }
    return fields;
}

}  // namespace pimra::server
