#include "net/ChatText.h"

#include <cstdint>
#include <optional>

namespace pimra::net {

namespace {

// The next code point of `text` from `at`, which moves past it; none for a broken sequence.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    int length = 0;
    char32_t point = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (at + length > text.size()) return std::nullopt;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(at + i);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        point = (point << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and points past Unicode are not UTF-8.
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < kSmallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return std::nullopt;
    }
    at += length;
    return point;
}

// Characters that would break the line, or hide, reorder or disguise what is written.
bool isBlankOrInvisible(char32_t c) {
    return c <= 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD || (c >= 0x2000 && c <= 0x200F) ||
           (c >= 0x2028 && c <= 0x202F) || (c >= 0x205F && c <= 0x206F) || c == 0x3000 ||
           c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB);
}

}  // namespace

std::variant<std::string, ChatTextProblem> CleanChatText(std::string_view utf8) {
    std::string clean;
    int characters = 0;
    bool blankDue = false;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t start = at;
        const auto point = nextCodePoint(utf8, at);
        if (!point) return ChatTextProblem::NotUtf8;
        if (isBlankOrInvisible(*point)) {
            blankDue = !clean.empty();
            continue;
        }
        if (blankDue) {
            clean += ' ';
            ++characters;
            blankDue = false;
        }
        clean.append(utf8.substr(start, at - start));
        // Counting stops early: a huge line costs no more than a long one.
        if (++characters > kMaxChatCharacters) return ChatTextProblem::TooLong;
    }
    if (clean.empty()) return ChatTextProblem::Empty;
    return clean;
}

}  // namespace pimra::net
